#include "shell/Comptset.h"

#include "base/ProgramFolder.h"
#include "base/WindowLook.h"
#include "link/Settings.h"
#include "trend/Presets.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {
// The dialog as the port choice and wait time need it, and the device panel to its right.
constexpr int kClassicWidth = 157;
constexpr int kPanelLeft = 160;
constexpr int kPanelWidth = 290;
constexpr int kHeight = 210;
} // namespace

TComSetForm::TComSetForm(Workspace &ws, QWidget *owner, const SerialDeviceRoots &deviceRoots)
    : QDialog(owner), ws_(ws), deviceRoots_(deviceRoots)
{
    setObjectName(QStringLiteral("ComSetForm"));
    setWindowTitle(QStringLiteral("Comm Set"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kPanelLeft + kPanelWidth + 8, kHeight);
    setFont(windowlook::CourierNew(12));

    // Centred on the screen, not over the main window in its corner.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto *group = new QGroupBox(QStringLiteral("Comm Port Set"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    group->setGeometry(8, 4, 141, 112);
    for (int i = 1; i <= 9; ++i) {
        auto *button = new QRadioButton(PortName(i), group);
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

    // Next to "ms": a text the trend sampler cannot read as milliseconds counts as 0.
    waitTimeHint_ = new QLabel(this);
    waitTimeHint_->setObjectName(QStringLiteral("WaitTimeHint"));
    waitTimeHint_->setGeometry(kPanelLeft, 166, kPanelWidth, 16);
    connect(edit1_, &QLineEdit::textChanged, this, &TComSetForm::ShowWaitTimeHint);

    auto *devicesLabel = new QLabel(kSerialDevicesCaption, this);
    devicesLabel->setObjectName(QStringLiteral("DevicesLabel"));
    devicesLabel->setGeometry(kPanelLeft, 4, kPanelWidth, 16);
    devices_ = new QListWidget(this);
    devices_->setObjectName(QStringLiteral("DeviceList"));
    devices_->setGeometry(kPanelLeft, 21, kPanelWidth, 95);
    devices_->setFont(windowlook::CourierNew(10));
    connect(devices_, &QListWidget::currentRowChanged, this, &TComSetForm::EnableAssign);
    connect(devices_, &QListWidget::itemDoubleClicked, this, &TComSetForm::AssignDeviceClick);
    assign_ = new QPushButton(this);
    assign_->setObjectName(QStringLiteral("AssignButton"));
    assign_->setGeometry(kPanelLeft, 119, 120, 22);
    connect(assign_, &QPushButton::clicked, this, &TComSetForm::AssignDeviceClick);

    auto *files = new QLabel(this);
    files->setObjectName(QStringLiteral("FilesLabel"));
    files->setGeometry(kPanelLeft, 143, kPanelWidth, 20);
    files->setFont(windowlook::CourierNew(10));
    files->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QString filesText = kFilesCaption.arg(QDir::toNativeSeparators(programfolder::FilesPath()));
    files->setText(files->fontMetrics().elidedText(filesText, Qt::ElideMiddle, kPanelWidth));
    files->setToolTip(filesText);

    // Devices plugged in while the dialog is open appear: the kernel reports new nodes in /dev.
    deviceWatcher_ = new QFileSystemWatcher(this);
    connect(deviceWatcher_, &QFileSystemWatcher::directoryChanged, this, &TComSetForm::RefreshDeviceList);
    RefreshDeviceList();

    // Opening: check the button of the stored port; a name outside COM1 to COM9 checks none.
    QString name = RegReadString(kPortKey, kPortValue);
    if (name.isEmpty())
        name = QStringLiteral("COM1");
    for (int i = 1; i <= 9; ++i) {
        QRadioButton *button = portButton(i);
        if (button && PortName(i) == name)
            button->setChecked(true);
    }
    ShowDeviceOfCheckedPort();
    FormCreate();
}

QString TComSetForm::PortName(int i) { return QStringLiteral("COM%1").arg(i); }

QRadioButton *TComSetForm::portButton(int i) const
{
    return findChild<QRadioButton *>(QStringLiteral("RadioButton%1").arg(i));
}

void TComSetForm::FormCreate()
{
    edit1_->setText(ws_.waitTime);
    ShowWaitTimeHint();
}

void TComSetForm::Button1Click() { close(); }

bool TComSetForm::ComSetFormCloseQuery()
{
    if (stored_)
        return true;
    stored_ = true;
    // The button's number names the port; its caption only shows it.
    if (const QString port = CheckedPortName(); !port.isEmpty())
        RegWriteString(kPortKey, kPortValue, port);
    ws_.waitTime = edit1_->text();
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

QString TComSetForm::CheckedPortName() const
{
    for (int i = 1; i <= 9; ++i) {
        QRadioButton *button = portButton(i);
        if (button && button->isChecked())
            return PortName(i);
    }
    return {};
}

void TComSetForm::ShowDeviceOfCheckedPort()
{
    const QString port = CheckedPortName();
    const QString device = port.isEmpty() ? QString() : DevicePathForPort(port);
    const QString text = port.isEmpty() ? QString() : port + QStringLiteral(" = ") + device;
    // A long device name (a by-id name) goes on a line of its own, shortened in the middle; the
    // whole text is the tool tip.
    const QFontMetrics metrics = device_->fontMetrics();
    const bool fits = metrics.horizontalAdvance(text) <= device_->width();
    device_->setText(fits ? text
                          : port + QStringLiteral(" =\n") + metrics.elidedText(device, Qt::ElideMiddle, device_->width()));
    device_->setToolTip(text);
    if (assign_)
        EnableAssign();
}

void TComSetForm::EnableAssign()
{
    const QString port = CheckedPortName();
    assign_->setText(kAssignCaption.arg(port.isEmpty() ? QStringLiteral("COM") : port));
    assign_->setEnabled(!port.isEmpty() && devices_->currentItem() != nullptr);
}

void TComSetForm::AssignDeviceClick()
{
    const QString port = CheckedPortName();
    const QListWidgetItem *item = devices_->currentItem();
    if (port.isEmpty() || !item)
        return;
    MapPortToDevice(port, item->data(Qt::UserRole).toString());
    ShowDeviceOfCheckedPort();
}

void TComSetForm::RefreshDeviceList()
{
    const QStringList found = ListSerialDevices(deviceRoots_);
    QStringList shown;
    for (int i = 0; i < devices_->count(); ++i)
        shown.append(devices_->item(i)->data(Qt::UserRole).toString());
    if (found != shown) {
        // The selection follows its device, wherever the list moved it.
        const QString selected =
            devices_->currentItem() ? devices_->currentItem()->data(Qt::UserRole).toString() : QString();
        devices_->clear();
        const QString byIdFolder = deviceRoots_.byId + QLatin1Char('/');
        for (const QString &device : found) {
            // by-id names are long and all begin alike: the list shows them from "by-id/" on.
            auto *item = new QListWidgetItem(device.startsWith(byIdFolder)
                                                 ? QStringLiteral("by-id/") + device.mid(byIdFolder.size())
                                                 : device,
                                             devices_);
            item->setData(Qt::UserRole, device);
            item->setToolTip(device + QStringLiteral(" -> ") + QFileInfo(device).canonicalFilePath());
            if (device == selected)
                devices_->setCurrentItem(item);
        }
        EnableAssign();
    }
    WatchDeviceFolders();
}

void TComSetForm::WatchDeviceFolders()
{
    // The by-id folder comes and goes with the first and last USB adapter, so its parent is
    // watched too; a folder that appears is watched from the refresh its appearance causes.
    const QString byIdParent = QFileInfo(deviceRoots_.byId).absolutePath();
    for (const QString &folder : {deviceRoots_.dev, byIdParent, deviceRoots_.byId}) {
        if (QFileInfo(folder).isDir() && !deviceWatcher_->directories().contains(folder))
            deviceWatcher_->addPath(folder);
    }
}

void TComSetForm::ShowWaitTimeHint()
{
    waitTimeHint_->setText(presets::ParseWaitTime(edit1_->text()) ? QString() : kWaitTimeTakenAsZero);
}
