#pragma once
// The compact layouts both windows take on a screen exactly 800 pixels wide.
// Controls are found by name; each window names its controls as the layouts
// do. Geometry is in twips, converted at the screen's logical dpi.

#include <QString>
#include <QWidget>

// Each control carries its member's name, by which the layouts find it:
// NAMED(lblTime, new QLabel(...)) creates lblTime and names it "lblTime".
template <typename W> W* named(W* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}
#define NAMED(control, make) (control = named(make, #control))

// Each applies its layout when screenIs800, and leaves the design layout
// alone otherwise. They set the same values every time they run.
void ApplyInitScreenLayout(QWidget& frmInit, bool screenIs800, double dpi);
void ApplyMainScreenLayout(QWidget& frmMain, bool screenIs800, double dpi);

// Narrows the text of every label, button and check box of a window that
// would not fit its box (see twips::fitWidth).
void FitAllTexts(QWidget& window);

// With the route line shown, the main window's grid ends above it, in
// either layout; without, the grid keeps its whole frame.
void SplitGridForRoute(QWidget& frmMain, double dpi);
