// The overwrite confirmation.

#include "frmConfirmOverwrite.h"

#include "ScreenLayout.h"
#include "Settings.h"
#include "SetupRules.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr double kClientWidth = 6264;
constexpr double kClientHeight = 2808;
} // namespace

frmConfirmOverwrite::frmConfirmOverwrite(const StudySettings& study, double dpi, QWidget* parent)
    : QDialog(parent), study_(study), dpi_(dpi)
{
    setWindowTitle(QStringLiteral("Confirm Overwrite"));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 192));
    setPalette(p);
    setAutoFillBackground(true);
    setFont(twips::designFont(8, false));

    NAMED(lblQues1, new QLabel(QStringLiteral("Do you want to overwrite study:"), this));
    lblQues1->setTextFormat(Qt::PlainText); // file names are not markup
    twips::place(lblQues1, 240, 240, 2760, 240, dpi);
    NAMED(btnYes, new QPushButton(QStringLiteral("Yes"), this));
    twips::place(btnYes, 1920, 2160, 852, 372, dpi);
    NAMED(btnNo, new QPushButton(QStringLiteral("No, Rename File"), this));
    twips::place(btnNo, 3360, 2160, 1812, 372, dpi);
    // Enter answers "No, Rename File".
    btnNo->setDefault(true);
    setTabOrder(btnNo, btnYes);
    resize(twips::toPixels(kClientWidth, dpi), twips::toPixels(kClientHeight, dpi));

    connect(btnYes, &QPushButton::clicked, this, &frmConfirmOverwrite::btnYes_Click);
    connect(btnNo, &QPushButton::clicked, this, &frmConfirmOverwrite::btnNo_Click);
}

void frmConfirmOverwrite::Form_Load()
{
    answered_ = false;
    lblQues1->setText(
        setup::overwriteQuestion(study_.StudyNamePrefix, study_.StudyNum, study_.DataFolder));
    lblQues1->adjustSize(); // the label takes the size of its text
    const int label = lblQues1->width();
    resize(label + twips::toPixels(600, dpi_), height());
    btnYes->move(lblQues1->x(), btnYes->y());
    btnNo->move(lblQues1->x() + label - btnNo->width(), btnNo->y());
    btnNo->setFocus();
}

void frmConfirmOverwrite::btnYes_Click()
{
    OverwriteOK = true;
    answered_ = true;
    accept();
}

void frmConfirmOverwrite::btnNo_Click()
{
    OverwriteOK = false;
    answered_ = true;
    QDialog::reject();
}

// Closing the window any other way (its close button, Escape) is a "No":
// an existing study is never replaced without a clear "Yes".
void frmConfirmOverwrite::reject()
{
    if (!answered_) {
        OverwriteOK = false;
    }
    QDialog::reject();
}

void frmConfirmOverwrite::closeEvent(QCloseEvent* event)
{
    if (!answered_) {
        OverwriteOK = false;
    }
    QDialog::closeEvent(event);
}
