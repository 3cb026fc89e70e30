// Start-up: the paths of the shared state, then the set-up window. The
// program lives while one of its windows is open.

#include "QtCommPort.h"
#include "SharedState.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>

namespace {

void ShowMainWindow()
{
    modVeltripMain& m = SharedState();
    auto* window = new frmMain(m, std::make_unique<QtCommPort>(ProgramFolder()));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
}

void Main()
{
    modVeltripMain& m = SharedState();
    m.PrefsFile = ProgramFolder() + QDir::separator() + QStringLiteral("Veltrip.bin");
    m.DataFileExt = QStringLiteral(".gd2");

    auto* setup = new frmInit(m, std::make_unique<QtCommPort>(ProgramFolder()), ShowMainWindow);
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup->Form_Load();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("GPS Travel Time Data Collector"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The set-up window closes before the main window opens; the windows
    // themselves decide when the program ends.
    QApplication::setQuitOnLastWindowClosed(false);
    Main();
    return QApplication::exec();
}
