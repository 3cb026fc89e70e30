#pragma once
// Work done as a user without rights. Tests run as root in CI, where
// permission bits do not bite: there the work runs in a child process that
// has become the user nobody. An ordinary user meets them already, so there
// it runs here.

#include <QByteArray>
#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kNobody = 65534;

// What work returns, or a text that starts with "!" when the child failed.
inline QByteArray asUnprivileged(const std::function<QByteArray()>& work)
{
    if (::geteuid() != 0) {
        return work();
    }
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "!no pipe";
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return "!no fork";
    }
    if (child == 0) {
        ::close(pipe[0]);
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        const QByteArray out = dropped ? work() : QByteArray("!still root");
        const bool written = ::write(pipe[1], out.constData(), size_t(out.size())) == out.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    QByteArray out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        out.append(buffer, n);
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "!the child failed";
}
