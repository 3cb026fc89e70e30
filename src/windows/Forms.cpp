// Closing the program's windows.

#include "Forms.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

void UnloadAllForms()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if ((*it)->isVisible()) {
            (*it)->close();
        }
    }
}

void EndIfNoWindows()
{
    QTimer::singleShot(0, qApp, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                return;
            }
        }
        QCoreApplication::quit();
    });
}
