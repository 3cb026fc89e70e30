#pragma once
// Why this user may not open a device: Debian gives serial devices to a
// group (dialout for ttyUSB and ttyACM), and a user added to it has the
// right only from the next login.

#include <QString>

namespace ports {

struct Access
{
    enum class Kind
    {
        Permitted,      // or nothing to say: the device is not there
        NotInGroup,     // the group may read it, the user is not in the group
        GroupNotActive, // the user was added to the group since logging in
        Denied,         // neither the user nor a group the user could join may read it
    };
    Kind kind = Kind::Permitted;
    QString group; // the device's group
};

// Whether this process may read device (a path or a link to one), and if
// not, why.
Access accessTo(const QString& device);

} // namespace ports
