// Start-up: the paths of the shared state, the preferences, then the windows.

#include "ByteFiles.h"
#include "Preferences.h"
#include "QtCommPort.h"
#include "SharedState.h"
#include "StudyFile.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("GPS Travel Time Data Collector"));
    QApplication::setStyle(QStringLiteral("Fusion"));

    modVeltripMain& m = SharedState();
    m.PrefsFile = ProgramFolder() + QDir::separator() + QStringLiteral("Veltrip.bin");
    m.DataFileExt = QStringLiteral(".gd2");
    LoadPrefs(m);

    // Until the set-up dialog exists: study "Test" number 1.
    m.StudyNamePrefix = QStringLiteral("Test");
    m.StudyNum = 1;
    const bool header = true;
    OpenStudyFile(m, header);
    if (!m.StudyFileOpen) {
        return 1;
    }
    m.platform.files->closeAll();

    auto* window = new frmMain(m, std::make_unique<QtCommPort>(ProgramFolder()));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    return QApplication::exec();
}
