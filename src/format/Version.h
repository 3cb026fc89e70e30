#pragma once
// The program's version: shown in every window title and written into the
// header of every study file, where the analysis software reads it.

#include <QString>

namespace version {
constexpr qint16 kMajor = 2;
constexpr qint16 kMinor = 1;
constexpr qint16 kRevision = 2;

inline QString text()
{
    return QStringLiteral("%1.%2.%3").arg(kMajor).arg(kMinor).arg(kRevision);
}

inline QString windowTitle()
{
    return QStringLiteral("GPS Travel Time Data Collector - Version ") + text();
}
} // namespace version
