// A device's group and this user's place in it, from the system's databases.

#include "DeviceAccess.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ports {

namespace {

// The groups the user database gives this user, as a new login would get them.
bool inGroupAtLogin(gid_t group)
{
    const passwd* user = ::getpwuid(::getuid());
    if (!user) {
        return false;
    }
    int count = 64;
    std::vector<gid_t> groups(std::size_t(count), 0);
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(std::size_t(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    groups.resize(std::size_t(count));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

bool inGroupNow(gid_t group)
{
    std::vector<gid_t> groups(std::size_t(std::max(::getgroups(0, nullptr), 0)), 0);
    groups.resize(std::size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
    return ::getegid() == group || std::find(groups.begin(), groups.end(), group) != groups.end();
}

} // namespace

Access accessTo(const QString& device)
{
    Access a;
    const QByteArray path = QFile::encodeName(device);
    struct stat st
    {
    };
    if (::access(path.constData(), R_OK) == 0 || errno != EACCES ||
        ::stat(path.constData(), &st) != 0) {
        return a;
    }
    const group* g = ::getgrgid(st.st_gid);
    a.group = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
    if (!(st.st_mode & S_IRGRP) || st.st_gid == 0 || inGroupNow(st.st_gid)) {
        a.kind = Access::Kind::Denied; // joining root's group is no answer
    } else if (inGroupAtLogin(st.st_gid)) {
        a.kind = Access::Kind::GroupNotActive;
    } else {
        a.kind = Access::Kind::NotInGroup;
    }
    return a;
}

} // namespace ports
