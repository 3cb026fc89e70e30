#include "Forms.h"

#include <QApplication>
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
