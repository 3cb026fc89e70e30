#include "SharedState.h"

#include "ByteFiles.h"
#include "PcClock.h"
#include "QtPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

Platform Platform::system()
{
    static ByteFiles files;
    static SystemClock clock;
    static QtScreenMetrics screen;
    static QtMessageBoxes messages;
    return {&files, &clock, &screen, &messages};
}

modVeltripMain& SharedState()
{
    static modVeltripMain state = [] {
        modVeltripMain m;
        m.platform = Platform::system();
        return m;
    }();
    return state;
}

bool FileExists(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

QString ProgramFolder()
{
    QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    while (folder.size() > 1 && folder.endsWith(QDir::separator())) {
        folder.chop(1);
    }
    return folder == QString(QDir::separator()) ? QString() : folder;
}
