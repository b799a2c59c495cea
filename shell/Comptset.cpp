#include "shell/Comptset.h"

#include "base/WindowLook.h"
#include "link/Settings.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TComSetForm::TComSetForm(Workspace &ws, QWidget *owner) : QDialog(owner), ws_(ws)
{
    setObjectName(QStringLiteral("ComSetForm"));
    setWindowTitle(QStringLiteral("Comm Set"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(157, 210);
    setFont(windowlook::CourierNew(12));

    // Centred on the screen, not over the main window in its corner.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto *group = new QGroupBox(QStringLiteral("Comm Port Set"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    group->setGeometry(8, 4, 141, 112);
    for (int i = 1; i <= 9; ++i) {
        auto *button = new QRadioButton(QStringLiteral("COM%1").arg(i), group);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(i));
        const int column = i <= 5 ? 0 : 1;
        const int row = i <= 5 ? i - 1 : i - 6;
        button->setGeometry(8 + 66 * column, 18 + 18 * row, 62, 17);
        connect(button, &QRadioButton::toggled, this, &TComSetForm::ShowDeviceOfCheckedPort);
    }

    // Which device the checked COM name opens on this machine.
    device_ = new QLabel(this);
    device_->setObjectName(QStringLiteral("DeviceLabel"));
    device_->setGeometry(8, 117, 141, 28);
    device_->setWordWrap(true);
    device_->setFont(windowlook::CourierNew(10));

    auto *label1 = new QLabel(QStringLiteral("Wait Time Set"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(8, 146, 120, 16);
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(8, 163, 96, 21);
    auto *label2 = new QLabel(QStringLiteral("ms"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(110, 166, 30, 16);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(42, 186, 73, 22);
    connect(ok, &QPushButton::clicked, this, &TComSetForm::Button1Click);

    // Opening: check the button of the stored port; a name outside COM1 to COM9 checks none.
    QString name = RegReadString(kPortKey, kPortValue);
    if (name.isEmpty())
        name = QStringLiteral("COM1");
    for (int i = 1; i <= 9; ++i) {
        QRadioButton *button = portButton(i);
        if (button && button->text() == name)
            button->setChecked(true);
    }
    ShowDeviceOfCheckedPort();
    FormCreate();
}

QRadioButton *TComSetForm::portButton(int i) const
{
    return findChild<QRadioButton *>(QStringLiteral("RadioButton%1").arg(i));
}

void TComSetForm::FormCreate() { edit1_->setText(ws_.WaitTime); }

void TComSetForm::Button1Click() { close(); }

bool TComSetForm::ComSetFormCloseQuery()
{
    if (stored_)
        return true;
    stored_ = true;
    for (int i = 1; i <= 9; ++i) {
        QRadioButton *button = portButton(i);
        if (button && button->isChecked())
            RegWriteString(kPortKey, kPortValue, button->text());
    }
    ws_.WaitTime = edit1_->text();
    return true;
}

void TComSetForm::closeEvent(QCloseEvent *event)
{
    ComSetFormCloseQuery();
    event->accept();
    QDialog::closeEvent(event);
}

void TComSetForm::done(int result)
{
    // Escape and the close box end the dialog here too: the choice is stored the same way.
    ComSetFormCloseQuery();
    QDialog::done(result);
}

void TComSetForm::ShowDeviceOfCheckedPort()
{
    QString text;
    for (int i = 1; i <= 9; ++i) {
        QRadioButton *button = portButton(i);
        if (button && button->isChecked())
            text = button->text() + QStringLiteral(" = ") + DevicePathForPort(button->text());
    }
    device_->setText(text);
    device_->setToolTip(text);
}
