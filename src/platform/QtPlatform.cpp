// Qt behind the platform seams.

#include "QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QScreen>

DisplayInfo QtScreenMetrics::displayInfo() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    // Device pixels: the width the screen check compares with 800.
    QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return {screen->depth(), size.width(), size.height(),
            qRound(screen->logicalDotsPerInchX()) == 96};
}

double QtScreenMetrics::logicalDpi() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

void QtMessageBoxes::show(const QString& text)
{
    // An OK button and no title, as the operator knows these messages.
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtMessageBoxes::confirm(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QString(), question, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString ProgramFolder()
{
    QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    while (folder.size() > 1 && folder.endsWith(QDir::separator())) {
        folder.chop(1);
    }
    return folder == QString(QDir::separator()) ? QString() : folder;
}
