// Start-up: the adapters, the settings and the study file's writer, then the
// set-up window. The program lives while one of its windows is open.

#include "ByteFiles.h"
#include "FileLocations.h"
#include "Platform.h"
#include "Preferences.h"
#include "QtPlatform.h"
#include "QtPortProbe.h"
#include "Settings.h"
#include "StudySetup.h"
#include "StudyWriter.h"
#include "SystemCommPort.h"
#include "Version.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: gps-collector [--checkpoints FILE] [--version | --help]\n"
    "\n"
    "Collects a GPS travel-time study: the set-up window asks for the study, the\n"
    "receiver and its port, the main window records runs. See gps-collector(1).\n"
    "\n"
    "  --checkpoints FILE  the route's checkpoint file (CSV, GPX or GeoJSON): runs\n"
    "                      start, mark their nodes and stop as the route is driven\n";

} // namespace

int main(int argc, char* argv[])
{
    // Answered without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gps-collector %s\n", qPrintable(version::text()));
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("GPS Travel Time Data Collector"));
    // The menu's entry and its icon, for the desktop to match with the windows.
    QGuiApplication::setDesktopFileName(locations::kProgramName);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The set-up window closes before the main window opens; the windows
    // themselves decide when the program ends.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser options;
    const QCommandLineOption checkpoints(
        QStringLiteral("checkpoints"),
        QStringLiteral("The route's checkpoint file (CSV, GPX or GeoJSON), chosen in the set-up "
                       "window."),
        QStringLiteral("FILE"));
    options.addOption(checkpoints);
    options.process(app);

    // Everything here lives as long as the program.
    ByteFiles files;
    SystemClock clock;
    QtScreenMetrics screen;
    QtMessageBoxes messages;
    Platform platform{files, clock, screen, messages};
    const locations::Locations where = locations::forProgramIn(ProgramFolder());
    if (QString why; !locations::makeFolders(where, &why)) {
        messages.show(why);
    }
    const Preferences prefs(where.prefsFile(), where.dataFolder, files, messages);
    StudySettings settings;
    StudyWriter writer(files, clock);
    StudySetup studySetup(settings, prefs, writer);
    if (options.isSet(checkpoints)) {
        // Remembered as a whole path, whatever folder the next start is made from.
        studySetup.chooseCheckpointFile(QFileInfo(options.value(checkpoints)).absoluteFilePath());
    }

    const auto showMainWindow = [&] {
        auto* window = new frmMain(settings, writer, platform, makeCommPort(where.settingsFolder));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
    };
    auto* setup = new frmInit(studySetup, platform,
                              std::make_unique<QtPortProbe>(where.settingsFolder), showMainWindow);
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup->Form_Load();
    return QApplication::exec();
}
