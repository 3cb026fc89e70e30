// Start-up: the adapters, the settings and the study file's writer, then the
// set-up window. The program lives while one of its windows is open.

#include "ByteFiles.h"
#include "Platform.h"
#include "Preferences.h"
#include "QtCommPort.h"
#include "QtPlatform.h"
#include "QtPortProbe.h"
#include "Settings.h"
#include "StudySetup.h"
#include "StudyWriter.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("GPS Travel Time Data Collector"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The set-up window closes before the main window opens; the windows
    // themselves decide when the program ends.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Collects GPS travel-time studies: the set-up window, then the runs."));
    options.addHelpOption();
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
    const QString folder = ProgramFolder();
    const Preferences prefs(folder + QDir::separator() + QStringLiteral("Veltrip.bin"), folder,
                            files, messages);
    StudySettings settings;
    StudyWriter writer(files, clock);
    StudySetup studySetup(settings, prefs, writer);
    if (options.isSet(checkpoints)) {
        // Remembered as a whole path, whatever folder the next start is made from.
        studySetup.chooseCheckpointFile(QFileInfo(options.value(checkpoints)).absoluteFilePath());
    }

    const auto showMainWindow = [&] {
        auto* window =
            new frmMain(settings, writer, platform, std::make_unique<QtCommPort>(folder));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
    };
    auto* setup =
        new frmInit(studySetup, platform, std::make_unique<QtPortProbe>(folder), showMainWindow);
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup->Form_Load();
    return QApplication::exec();
}
