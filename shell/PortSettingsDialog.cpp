#include "shell/PortSettingsDialog.h"

#include "base/ProgramFolder.h"
#include "base/WindowLook.h"
#include "link/Settings.h"
#include "shell/PortSettingsTexts.h"
#include "shell/ReadModeChoice.h"
#include "trend/model/Presets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

namespace {
// The device panel, right of the port choice and the wait time.
constexpr int kPanelLeft = 160;
constexpr int kPanelWidth = 290;
constexpr int kHeight = 210;
// The choice of reads is a panel right of the device panel, as high as the dialog.
constexpr int kReadModeLeft = kPanelLeft + kPanelWidth + 8;
} // namespace

PortSettingsDialog::PortSettingsDialog(Workspace &ws, QWidget *owner, const SerialDeviceRoots &deviceRoots)
    : QDialog(owner), ws_(ws), deviceRoots_(deviceRoots)
{
    setObjectName(QStringLiteral("PortSettingsDialog"));
    setWindowTitle(kPortSettingsCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kPanelLeft + kPanelWidth + 8, kHeight);
    setFont(windowlook::courierNew(12));

    auto *group = new QGroupBox(kPortGroupCaption, this);
    group->setObjectName(QStringLiteral("portGroup"));
    group->setGeometry(8, 4, 141, 112);
    for (int number = 1; number <= kPortCount; ++number) {
        auto *button = new QRadioButton(portName(number), group);
        button->setObjectName(portName(number));
        const int column = number <= 5 ? 0 : 1;
        const int row = number <= 5 ? number - 1 : number - 6;
        button->setGeometry(8 + 66 * column, 18 + 18 * row, 62, 17);
        connect(button, &QRadioButton::toggled, this, &PortSettingsDialog::showDeviceOfCheckedPort);
        portButtons_[static_cast<std::size_t>(number - 1)] = button;
    }

    // Which device the checked COM name opens on this machine.
    portDevice_ = new QLabel(this);
    portDevice_->setObjectName(QStringLiteral("portDevice"));
    portDevice_->setGeometry(8, 117, 141, 28);
    portDevice_->setWordWrap(true);
    portDevice_->setFont(windowlook::courierNew(10));

    auto *waitTimeCaption = new QLabel(kWaitTimeCaption, this);
    waitTimeCaption->setObjectName(QStringLiteral("waitTimeCaption"));
    waitTimeCaption->setGeometry(8, 146, 120, 16);
    waitTimeField_ = new QLineEdit(this);
    waitTimeField_->setObjectName(QStringLiteral("waitTimeField"));
    waitTimeField_->setGeometry(8, 163, 96, 21);
    auto *waitTimeUnit = new QLabel(kWaitTimeUnit, this);
    waitTimeUnit->setObjectName(QStringLiteral("waitTimeUnit"));
    waitTimeUnit->setGeometry(110, 166, 30, 16);
    okButton_ = new QPushButton(kOkCaption, this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setGeometry(42, 186, 73, 22);
    // OK closes the dialog; the settings are stored as it ends, however it ends.
    connect(okButton_, &QPushButton::clicked, this, &QWidget::close);

    // Next to "ms": a text the trend sampler cannot read as milliseconds counts as 0.
    waitTimeHint_ = new QLabel(this);
    waitTimeHint_->setObjectName(QStringLiteral("waitTimeHint"));
    waitTimeHint_->setGeometry(kPanelLeft, 166, kPanelWidth, 16);
    connect(waitTimeField_, &QLineEdit::textChanged, this, &PortSettingsDialog::showWaitTimeHint);

    auto *devicesLabel = new QLabel(kSerialDevicesCaption, this);
    devicesLabel->setObjectName(QStringLiteral("deviceListCaption"));
    devicesLabel->setGeometry(kPanelLeft, 4, kPanelWidth, 16);
    deviceList_ = new QListWidget(this);
    deviceList_->setObjectName(QStringLiteral("deviceList"));
    deviceList_->setGeometry(kPanelLeft, 21, kPanelWidth, 95);
    deviceList_->setFont(windowlook::courierNew(10));
    connect(deviceList_, &QListWidget::currentRowChanged, this, &PortSettingsDialog::enableAssignButton);
    connect(deviceList_, &QListWidget::itemDoubleClicked, this, &PortSettingsDialog::assignDeviceToCheckedPort);
    assignButton_ = new QPushButton(this);
    assignButton_->setObjectName(QStringLiteral("assignButton"));
    assignButton_->setGeometry(kPanelLeft, 119, 120, 22);
    connect(assignButton_, &QPushButton::clicked, this, &PortSettingsDialog::assignDeviceToCheckedPort);

    // Any path at all, for devices the list does not know (a pseudo-terminal, a symbolic link).
    devicePathField_ = new QLineEdit(this);
    devicePathField_->setObjectName(QStringLiteral("devicePathField"));
    devicePathField_->setGeometry(kPanelLeft, 186, kPanelWidth, 21);
    devicePathField_->setPlaceholderText(kDevicePathPlaceholder);
    devicePathField_->setToolTip(kDevicePathTip);
    devicePathField_->installEventFilter(this);

    filesFolder_ = new QLabel(this);
    filesFolder_->setObjectName(QStringLiteral("filesFolder"));
    filesFolder_->setGeometry(kPanelLeft, 143, kPanelWidth, 20);
    filesFolder_->setFont(windowlook::courierNew(10));
    filesFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QString filesText = kFilesCaption.arg(QDir::toNativeSeparators(programfolder::filesPath()));
    filesFolder_->setText(filesFolder_->fontMetrics().elidedText(filesText, Qt::ElideMiddle, kPanelWidth));
    filesFolder_->setToolTip(filesText);

    // Devices plugged in while the dialog is open appear: the kernel reports new nodes in /dev.
    deviceWatcher_ = new QFileSystemWatcher(this);
    connect(deviceWatcher_, &QFileSystemWatcher::directoryChanged, this, &PortSettingsDialog::refreshDeviceList);
    refreshDeviceList();

    // Opening: check the button of the stored port; a name outside COM1 to COM9 checks none.
    QString name = chosenPortName();
    if (name.isEmpty())
        name = QStringLiteral("COM1");
    for (int number = 1; number <= kPortCount; ++number) {
        if (portName(number) == name)
            portButton(number)->setChecked(true);
    }
    showDeviceOfCheckedPort();
    waitTimeField_->setText(ws_.session.state().waitTime.typed);
    showWaitTimeHint();
    // Below everything the dialog had: the three ways a trend pass reads, one line each. The
    // dialog grows to the right only: its height and every control it had stay.
    readModes_ = new ReadModeChoice(this);
    readModes_->panel()->setGeometry(kReadModeLeft, 4, ReadModeChoice::kWidth, kHeight - 8);
    setFixedSize(kReadModeLeft + ReadModeChoice::kWidth + 8, kHeight);

    // Centred on the screen, not over the main window in its corner.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QRadioButton *PortSettingsDialog::readModeButton(readplan::ReadMode mode) const { return readModes_->button(mode); }

QLabel *PortSettingsDialog::readModeHint(readplan::ReadMode mode) const { return readModes_->hint(mode); }

QString PortSettingsDialog::portName(int number) { return QStringLiteral("COM%1").arg(number); }

void PortSettingsDialog::storeSettings()
{
    if (stored_)
        return;
    stored_ = true;
    // The button's number names the port; its caption only shows it.
    if (const QString port = checkedPortName(); !port.isEmpty())
        setChosenPortName(port);
    ws_.session.setWaitTime(presets::waitTimeFromTyped(waitTimeField_->text()));
    readModes_->store();
}

void PortSettingsDialog::closeEvent(QCloseEvent *event)
{
    storeSettings();
    event->accept();
    QDialog::closeEvent(event);
}

void PortSettingsDialog::done(int result)
{
    // Escape and the close box end the dialog here too: the choice is stored the same way.
    storeSettings();
    QDialog::done(result);
}

QString PortSettingsDialog::checkedPortName() const
{
    for (int number = 1; number <= kPortCount; ++number) {
        if (portButton(number)->isChecked())
            return portName(number);
    }
    return {};
}

void PortSettingsDialog::showDeviceOfCheckedPort()
{
    const QString port = checkedPortName();
    const QString device = port.isEmpty() ? QString() : devicePathForPort(port);
    const QString problem = deviceProblem(device);
    const QString text = port.isEmpty() ? QString()
                                        : kPortAndDevice.arg(port, device) +
                                              (problem.isEmpty() ? QString() : kDeviceProblem.arg(problem));
    // A long device name (a by-id name) goes on a line of its own, shortened in the middle; the
    // whole text is the tool tip.
    // What keeps the device from opening stays written beside it ("missing", "not permitted"),
    // the device giving way for it; the system's reason is in the tool tip.
    const QFontMetrics metrics = portDevice_->fontMetrics();
    const bool fits = metrics.horizontalAdvance(text) <= portDevice_->width();
    const QString shortProblem = problem.isEmpty() ? QString() : kDeviceProblem.arg(problem.section(u':', 0, 0));
    const int deviceRoom = portDevice_->width() - metrics.horizontalAdvance(shortProblem);
    portDevice_->setText(fits ? text
                              : kPortAndDeviceOnTwoLines.arg(
                                    port, metrics.elidedText(device, Qt::ElideMiddle, std::max(deviceRoom, 0)) +
                                              shortProblem));
    portDevice_->setToolTip(text);
    QPalette palette = portDevice_->palette();
    palette.setColor(QPalette::WindowText, problem.isEmpty() ? QApplication::palette().color(QPalette::WindowText)
                                                             : QColor(200, 0, 0));
    portDevice_->setPalette(palette);
    if (assignButton_)
        enableAssignButton();
}

void PortSettingsDialog::enableAssignButton()
{
    const QString port = checkedPortName();
    assignButton_->setText(kAssignCaption.arg(port.isEmpty() ? kNoPortChecked : port));
    assignButton_->setEnabled(!port.isEmpty() && deviceList_->currentItem() != nullptr);
}

void PortSettingsDialog::assignDeviceToCheckedPort()
{
    const QString port = checkedPortName();
    const QListWidgetItem *item = deviceList_->currentItem();
    if (port.isEmpty() || !item)
        return;
    mapPortToDevice(port, item->data(Qt::UserRole).toString());
    showDeviceOfCheckedPort();
}

bool PortSettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == devicePathField_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            assignTypedPathToCheckedPort();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PortSettingsDialog::assignTypedPathToCheckedPort()
{
    const QString port = checkedPortName();
    const QString path = devicePathField_->text().trimmed();
    if (port.isEmpty() || path.isEmpty())
        return;
    mapPortToDevice(port, path);
    showDeviceOfCheckedPort();
}

void PortSettingsDialog::refreshDeviceList()
{
    const QStringList found = listSerialDevices(deviceRoots_);
    QStringList shown;
    for (int i = 0; i < deviceList_->count(); ++i)
        shown.append(deviceList_->item(i)->data(Qt::UserRole).toString());
    if (found != shown) {
        // The selection follows its device, wherever the list moved it.
        const QString selected =
            deviceList_->currentItem() ? deviceList_->currentItem()->data(Qt::UserRole).toString() : QString();
        deviceList_->clear();
        const QString byIdFolder = deviceRoots_.byId + QLatin1Char('/');
        for (const QString &device : found) {
            // by-id names are long and all begin alike: the list shows them from "by-id/" on.
            auto *item = new QListWidgetItem(device.startsWith(byIdFolder)
                                                 ? kByIdShownPrefix + device.mid(byIdFolder.size())
                                                 : device,
                                             deviceList_);
            item->setData(Qt::UserRole, device);
            item->setToolTip(kDeviceLinkTip.arg(device, QFileInfo(device).canonicalFilePath()));
            // Listed, but this user cannot open it: said beside it.
            if (const QString problem = deviceProblem(device); !problem.isEmpty())
                item->setText(item->text() + kDeviceProblem.arg(problem));
            if (device == selected)
                deviceList_->setCurrentItem(item);
        }
        enableAssignButton();
    }
    watchDeviceFolders();
}

void PortSettingsDialog::watchDeviceFolders()
{
    // The by-id folder comes and goes with the first and last USB adapter, so its parent is
    // watched too; a folder that appears is watched from the refresh its appearance causes.
    const QString byIdParent = QFileInfo(deviceRoots_.byId).absolutePath();
    for (const QString &folder : {deviceRoots_.dev, byIdParent, deviceRoots_.byId}) {
        if (QFileInfo(folder).isDir() && !deviceWatcher_->directories().contains(folder))
            deviceWatcher_->addPath(folder);
    }
}

void PortSettingsDialog::showWaitTimeHint()
{
    waitTimeHint_->setText(presets::parseWaitTime(waitTimeField_->text()) ? QString() : kWaitTimeTakenAsZero);
}
