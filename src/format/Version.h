#pragma once
// The program's version: shown in every window title and by --version, and
// written into the header of every study file, where the analysis software
// reads it. The numbers come from the project's VERSION in CMake.

#include "VersionNumbers.h"

#include <QString>

namespace version {
constexpr qint16 kMajor = VT_VERSION_MAJOR;
constexpr qint16 kMinor = VT_VERSION_MINOR;
constexpr qint16 kRevision = VT_VERSION_PATCH;

inline QString text()
{
    return QStringLiteral("%1.%2.%3").arg(kMajor).arg(kMinor).arg(kRevision);
}

inline QString windowTitle()
{
    return QStringLiteral("GPS Travel Time Data Collector - Version ") + text();
}
} // namespace version
