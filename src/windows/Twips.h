#pragma once
// The windows are designed in twips, 1/1440 inch: 15 twips to a pixel at 96
// logical dots per inch, scaled with the screen's logical dpi.

#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QRect>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace twips {

inline int toPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

inline void place(QWidget* w, double left, double top, double width, double height, double dpi)
{
    w->setGeometry(toPixels(left, dpi), toPixels(top, dpi), toPixels(width, dpi),
                   toPixels(height, dpi));
}

// The platform's default sans-serif face at a design point size.
inline QFont designFont(double points, bool bold)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace twips

namespace twips {

// The design sizes were chosen for a narrow face; where the platform's face
// is wider, the text is narrowed (never made smaller) so that nothing is cut.
inline void fitWidth(QWidget* w, const QString& text)
{
    QFont f = w->font();
    f.setStretch(QFont::Unstretched);
    const int room = w->width() - 6;
    const int needed = QFontMetrics(f).horizontalAdvance(text);
    if (needed > room && needed > 0 && room > 0) {
        f.setStretch(std::max(50, 100 * room / needed));
    }
    // A new font lays the widget out again; live values change many times a second.
    if (f.stretch() != w->font().stretch()) {
        w->setFont(f);
    }
}

// A list box shows each of its entries whole: where the widest would be
// cut, the text is narrowed (never made smaller), as for captions.
inline void fitEntries(QComboBox* c)
{
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    const int room =
        c->style()
            ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c)
            .width() -
        4;
    QFont f = c->font();
    f.setStretch(QFont::Unstretched);
    int needed = 0;
    for (int i = 0; i < c->count(); ++i) {
        needed = std::max(needed, QFontMetrics(f).horizontalAdvance(c->itemText(i)));
    }
    // Narrowed by the proportion, then a step further where rounding leaves it short.
    for (int stretch = 100 * room / std::max(needed, 1); needed > room && room > 0; stretch -= 2) {
        f.setStretch(std::clamp(stretch, 50, 99));
        int widest = 0;
        for (int i = 0; i < c->count(); ++i) {
            widest = std::max(widest, QFontMetrics(f).horizontalAdvance(c->itemText(i)));
        }
        if (widest <= room || stretch <= 50) {
            break;
        }
    }
    if (f.stretch() != c->font().stretch()) {
        c->setFont(f);
    }
}

} // namespace twips
