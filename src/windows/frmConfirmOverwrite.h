#pragma once
// Asks whether an existing study file may be overwritten. The answer is
// OverwriteOK; the dialog itself deletes nothing.

#include <QDialog>

class QLabel;
class QPushButton;
struct StudySettings;

class frmConfirmOverwrite final : public QDialog
{
    Q_OBJECT

public:
    // The study is the one the set-up is about to create; dpi converts the
    // design geometry.
    frmConfirmOverwrite(const StudySettings& study, double dpi, QWidget* parent = nullptr);

    void Form_Load();
    void btnYes_Click();
    void btnNo_Click();

    // The answer: true only after "Yes".
    bool OverwriteOK = false;

    QLabel* lblQues1;
    QPushButton* btnYes;
    QPushButton* btnNo;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    const StudySettings& study_;
    double dpi_;
    bool answered_ = false;
};
