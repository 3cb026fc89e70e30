// Port numbers on Windows: port N is COMN, whether or not it is there now.

#include "PortDirectory.h"

namespace ports {

QString numberedDevice(int n)
{
    // The device namespace's form, which also reaches COM10 and above.
    return n >= 1 ? QStringLiteral("\\\\.\\COM%1").arg(n) : QString();
}

} // namespace ports
