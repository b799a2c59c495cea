#pragma once
// The port settings dialog: which COM port the link opens (stored for later runs) and the wait
// before each trend sampling pass (for this run of the program only).

#include "catalogue/Workspace.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;

class TComSetForm : public QDialog {
    Q_OBJECT
public:
    TComSetForm(Workspace &ws, QWidget *owner = nullptr);

    void FormCreate();
    void Button1Click();
    bool ComSetFormCloseQuery();

    QRadioButton *portButton(int i) const; // "RadioButton" + i, i = 1..9

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    void ShowDeviceOfCheckedPort();

    Workspace &ws_;
    QLineEdit *edit1_ = nullptr;
    QLabel *device_ = nullptr;
    bool stored_ = false;
};
