// Start-up: the paths of the shared state, the preferences, then the windows.

#include "Preferences.h"
#include "SharedState.h"
#include "Version.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("GPS Travel Time Data Collector"));

    modVeltripMain& m = SharedState();
    m.PrefsFile = ProgramFolder() + QDir::separator() + QStringLiteral("Veltrip.bin");
    m.DataFileExt = QStringLiteral(".gd2");
    LoadPrefs(m);

    QMainWindow window;
    window.setWindowTitle(version::windowTitle());
    window.show();
    return QApplication::exec();
}
