#pragma once
// Asks whether an existing study file may be overwritten. The answer goes
// into the shared OverwriteOK; the dialog itself deletes nothing.

#include <QDialog>

class QLabel;
class QPushButton;
struct modVeltripMain;

class frmConfirmOverwrite final : public QDialog
{
    Q_OBJECT

public:
    explicit frmConfirmOverwrite(modVeltripMain& m, QWidget* parent = nullptr);

    void Form_Load();
    void btnYes_Click();
    void btnNo_Click();

    QLabel* lblQues1;
    QPushButton* btnYes;
    QPushButton* btnNo;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    modVeltripMain& m_;
    bool answered_ = false;
};
