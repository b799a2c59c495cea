// The port chooser of the port settings dialog against pseudo-terminals offered as this machine's
// serial devices; the wait time as the dialog and the sampler read it; a start-up that leaves no
// window on screen.

#include "link/Link.h"
#include "link/Settings.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowTexts.h"
#include "shell/PortSettingsDialog.h"
#include "shell/PortSettingsTexts.h"
#include "shell/Program.h"
#include "shell/SerialDevices.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "trend/model/Presets.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>
#include <stdexcept>

namespace {

constexpr quint32 kWord = 0x600F92;

void makeLink(const QString &target, const QString &link)
{
    QDir().mkpath(QFileInfo(link).absolutePath());
    QVERIFY2(QFile::link(target, link), qPrintable(link));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList items(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->data(Qt::UserRole).toString());
    return items;
}

} // namespace

class TestPortSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void deviceListOrderAndUartCheck();
    void assignedDeviceIsWhatTheNextOpenTalksTo();
    void waitTimeReading();
    void readModeChoice();
    void startUpWithoutAWindowEnds();
    void typedPathAndDeviceProblems();
};

void TestPortSettingsDialog::deviceListOrderAndUartCheck()
{
    ControllerSimulator sim;
    QVERIFY(sim.start());
    const QString pty = sim.slaveDevicePath();
    QTemporaryDir machine;
    SerialDeviceRoots roots{machine.filePath(QStringLiteral("dev/serial/by-id")), machine.filePath(QStringLiteral("dev")),
                            machine.filePath(QStringLiteral("sys/class/tty"))};
    const QString dev = roots.dev + QLatin1Char('/');
    const QString byId = roots.byId + QLatin1Char('/');

    // Nothing there at all: an empty list, not an error.
    QCOMPARE(listSerialDevices(roots), QStringList{});

    for (const char *name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttys4", "tty5", "console"})
        makeLink(pty, dev + QLatin1String(name));
    makeLink(pty, byId + QStringLiteral("usb-FTDI_FT232R_A50285BI-if00-port0"));
    makeLink(pty, byId + QStringLiteral("usb-Prolific_PL2303-if00-port0"));
    // ttyS1 has a 16550A behind it, ttyS2 none, as the kernel reports them; ttyS0 and ttyS3 are
    // not described there and are asked themselves: a pseudo-terminal is no UART.
    writeFile(roots.sysTty + QStringLiteral("/ttyS1/type"), "4\n");
    writeFile(roots.sysTty + QStringLiteral("/ttyS2/type"), "0\n");

    QCOMPARE(listSerialDevices(roots),
             (QStringList{byId + "usb-FTDI_FT232R_A50285BI-if00-port0", byId + "usb-Prolific_PL2303-if00-port0",
                          dev + "ttyUSB2", dev + "ttyUSB10", dev + "ttyACM0", dev + "ttyS1"}));
    QVERIFY(!answersAsUart(roots, QStringLiteral("ttyS0"), pty));
    QVERIFY(!answersAsUart(roots, QStringLiteral("ttyS9"), dev + QStringLiteral("ttyS9"))); // no such device
}

void TestPortSettingsDialog::assignedDeviceIsWhatTheNextOpenTalksTo()
{
    // Two controllers on two lines, told apart by one word.
    ControllerSimulator a;
    ControllerSimulator b;
    QVERIFY(a.start());
    QVERIFY(b.start());
    a.setLiveDemo(false);
    b.setLiveDemo(false);
    a.writeWord(kWord, 0x1111);
    b.writeWord(kWord, 0x2222);
    QTemporaryDir machine;
    const SerialDeviceRoots roots{machine.filePath(QStringLiteral("dev/serial/by-id")),
                                  machine.filePath(QStringLiteral("dev")), machine.filePath(QStringLiteral("sys"))};
    QDir().mkpath(roots.dev);
    const QString adapterA = roots.byId + QStringLiteral("/usb-Quillster_Cable_A-if00-port0");
    const QString adapterB = roots.byId + QStringLiteral("/usb-Quillster_Cable_B-if00-port0");
    setChosenPortName(QStringLiteral("COM1"));

    ScriptedDialogs dialogs;
    Program program(dialogs);
    {
        PortSettingsDialog dialog(program.ws, nullptr, roots);
        dialog.show();
        QListWidget *list = dialog.deviceList();
        QPushButton *assign = dialog.assignButton();
        QLabel *shown = dialog.portDevice();
        QCOMPARE(list->count(), 0);
        QVERIFY(!assign->isEnabled());

        // The adapters are plugged in while the dialog is open; the by-id folder appears with
        // the first of them, as udev makes it.
        makeLink(a.slaveDevicePath(), adapterA);
        QTRY_COMPARE(items(list), QStringList{adapterA});
        makeLink(b.slaveDevicePath(), adapterB);
        QTRY_COMPARE(items(list), (QStringList{adapterA, adapterB}));
        QCOMPARE(list->item(1)->text(), QStringLiteral("by-id/usb-Quillster_Cable_B-if00-port0"));
        QCOMPARE(list->item(1)->toolTip(), adapterB + QStringLiteral(" -> ") + b.slaveDevicePath());

        dialog.portButton(3)->setChecked(true);
        // The serial port of a machine without it, or that this user may not open, is marked so.
        const QString problem = deviceProblem(QStringLiteral("/dev/ttyS2"));
        QCOMPARE(shown->toolTip(), QStringLiteral("COM3 = /dev/ttyS2") + (problem.isEmpty() ? QString() : kDeviceProblem.arg(problem)));
        QVERIFY(!assign->isEnabled()); // nothing chosen in the list yet
        list->setCurrentRow(1);
        QVERIFY(assign->isEnabled());
        QCOMPARE(assign->text(), kAssignCaption.arg(QStringLiteral("COM3")));
        assign->click();
        QCOMPARE(shown->toolTip(), QStringLiteral("COM3 = ") + adapterB);
        QVERIFY(shown->text().startsWith(QStringLiteral("COM3 =\n"))); // too long for one line
        QVERIFY(shown->text().endsWith(QStringLiteral("port0")));

        // A device unplugged meanwhile leaves the list; the choice stays with its device.
        QFile::remove(adapterA);
        QTRY_COMPARE(items(list), QStringList{adapterB});
        QCOMPARE(list->currentItem()->data(Qt::UserRole).toString(), adapterB);
        dialog.okButton()->click();
    }
    QCOMPARE(chosenPortName(), QStringLiteral("COM3"));
    QCOMPARE(devicePathForPort(QStringLiteral("COM3")), adapterB);
    QCOMPARE(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillster"), QStringLiteral("CON"))
                 .value(QStringLiteral("Devices/COM3"))
                 .toString(),
             adapterB);

    const std::uint64_t servedByA = a.requestsServed();
    QCOMPARE(program.link.open(PortUser::Tool), 0);
    QCOMPARE(program.link.portName(), QStringLiteral("COM3"));
    QCOMPARE(program.link.readValue('R', 2, kWord), 0x2222);
    program.link.close();
    QCOMPARE(a.requestsServed(), servedByA);
    QVERIFY(b.requestsServed() >= 1);

    // The other adapter given to COM3 by a double click: the next open talks to it instead.
    makeLink(a.slaveDevicePath(), adapterA);
    {
        PortSettingsDialog dialog(program.ws, nullptr, roots);
        QListWidget *list = dialog.deviceList();
        QVERIFY(dialog.portButton(3)->isChecked());
        QCOMPARE(items(list), (QStringList{adapterA, adapterB}));
        list->setCurrentRow(0);
        emit list->itemDoubleClicked(list->item(0));
        QCOMPARE(dialog.portDevice()->toolTip(), QStringLiteral("COM3 = ") + adapterA);
        dialog.accept();
    }
    QCOMPARE(program.link.open(PortUser::Tool), 0);
    QCOMPARE(program.link.readValue('R', 2, kWord), 0x1111);
    program.link.close();
    setChosenPortName(QStringLiteral("COM1"));
}

void TestPortSettingsDialog::waitTimeReading()
{
    // Blanks around the number do not matter; anything else that is not a whole number of 0 or
    // more is taken as 0 by the sampler.
    const struct {
        const char *text;
        std::optional<std::int32_t> ms;
    } cases[] = {{"100", 100},      {"100 ", 100},    {" \t100\t ", 100}, {"0", 0},        {"+25", 25},
                 {"2147483647", 2147483647},          {"", std::nullopt}, {"  ", std::nullopt},
                 {"1 0", std::nullopt}, {"-5", std::nullopt}, {"abc", std::nullopt}, {"10ms", std::nullopt},
                 {"2147483648", std::nullopt},        {"1.5", std::nullopt}};
    for (const auto &c : cases)
        QVERIFY2(presets::parseWaitTime(QString::fromLatin1(c.text)) == c.ms, c.text);

    // The dialog says so next to "ms", as the user types.
    ScriptedDialogs dialogs;
    Program program(dialogs);
    program.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("abc")));
    PortSettingsDialog dialog(program.ws);
    QLineEdit *edit = dialog.waitTimeField();
    QLabel *hint = dialog.waitTimeHint();
    QCOMPARE(hint->text(), kWaitTimeTakenAsZero);
    edit->setText(QStringLiteral("100 "));
    QCOMPARE(hint->text(), QString());
    edit->setText(QStringLiteral("-5"));
    QCOMPARE(hint->text(), kWaitTimeTakenAsZero);
    edit->setText(QStringLiteral("50"));
    QCOMPARE(hint->text(), QString());
    dialog.accept();
    QCOMPARE(program.ws.session.state().waitTime.typed, QStringLiteral("50"));
    // Read once, as it is stored: a run takes the pause as it is, without reading the text again.
    QCOMPARE(program.ws.session.state().waitTime.pause, std::chrono::milliseconds(50));
    QCOMPARE(presets::waitTimeFromTyped(QStringLiteral(" -5")).pause, std::chrono::milliseconds(0));
    QCOMPARE(presets::waitTimeFromTyped(QStringLiteral(" -5")).typed, QStringLiteral(" -5"));
    // The new controls sit right of the dialog's original 157 pixels.
    QVERIFY(hint->x() >= 157);
    QVERIFY(dialog.filesFolder()->toolTip().contains(testenv::programDir()));
}

void TestPortSettingsDialog::readModeChoice()
{
    using readplan::ReadMode;
    const QString configFile = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillster"),
                                         QStringLiteral("CON"))
                                   .fileName();
    QSettings(configFile, QSettings::IniFormat).remove(readplan::kReadModeValue);
    ScriptedDialogs dialogs;
    Program program(dialogs);
    {
        PortSettingsDialog dialog(program.ws);
        // Nothing stored: each word once; block reads are off.
        QVERIFY(dialog.readModeButton(ReadMode::EachWord)->isChecked());
        QVERIFY(!dialog.readModeButton(ReadMode::Blocks)->isChecked());
        // Right of the controls the dialog had, which stay where they were; each hint whole
        // under its button, above the next one.
        QCOMPARE(dialog.okButton()->geometry(), QRect(42, 186, 73, 22));
        QCOMPARE(dialog.deviceList()->geometry(), QRect(160, 21, 290, 95));
        QCOMPARE(dialog.waitTimeField()->geometry(), QRect(8, 163, 96, 21));
        for (ReadMode mode : {ReadMode::PerChannel, ReadMode::EachWord, ReadMode::Blocks}) {
            const QLabel *hint = dialog.readModeHint(mode);
            const QRect place(hint->mapTo(&dialog, QPoint(0, 0)), hint->size());
            QVERIFY(place.left() >= 160 + 290);
            QVERIFY(dialog.rect().contains(place));
            QVERIFY(hint->heightForWidth(hint->width()) <= hint->height());
            QVERIFY(place.top() >= dialog.readModeButton(mode)->mapTo(&dialog, QPoint(0, 17)).y());
        }
        QVERIFY(dialog.readModeHint(ReadMode::PerChannel)->mapTo(&dialog, QPoint(0, 40)).y() <=
                dialog.readModeButton(ReadMode::EachWord)->mapTo(&dialog, QPoint(0, 0)).y());
        QVERIFY(dialog.readModeHint(ReadMode::Blocks)->text().contains(QStringLiteral("Off by default")));
        dialog.readModeButton(ReadMode::Blocks)->setChecked(true);
        dialog.accept();
    }
    QCOMPARE(QSettings(configFile, QSettings::IniFormat).value(readplan::kReadModeValue).toString(),
             QStringLiteral("block"));
    QCOMPARE(readplan::storedReadMode(), ReadMode::Blocks);
    {
        PortSettingsDialog dialog(program.ws);
        QVERIFY(dialog.readModeButton(ReadMode::Blocks)->isChecked());
        dialog.readModeButton(ReadMode::PerChannel)->setChecked(true);
        dialog.close();
    }
    QCOMPARE(readplan::storedReadMode(), ReadMode::PerChannel);
    // An unknown stored text reads as the default.
    QSettings(configFile, QSettings::IniFormat).setValue(readplan::kReadModeValue, QStringLiteral("blocks"));
    QCOMPARE(readplan::storedReadMode(), ReadMode::EachWord);
    QSettings(configFile, QSettings::IniFormat).remove(readplan::kReadModeValue);
}

void TestPortSettingsDialog::startUpWithoutAWindowEnds()
{
    ScriptedDialogs dialogs;
    QCOMPARE(startUpOrFail(dialogs, [] { throw std::runtime_error("out of memory"); }), kStartUpFailedExitCode);
    QCOMPARE(dialogs.messages, QStringList{kStartUpFailed.arg(QStringLiteral("out of memory"))});

    dialogs.messages.clear();
    QCOMPARE(startUpOrFail(dialogs, [] {}), kStartUpFailedExitCode);
    QCOMPARE(dialogs.messages, QStringList{kStartUpFailed.arg(kNoWindowShown)});

    dialogs.messages.clear();
    Program program(dialogs);
    QCOMPARE(startUpOrFail(dialogs, [&program] { program.start(); }), 0);
    QVERIFY(program.mainWindow && program.mainWindow->isVisible());
    QCOMPARE(dialogs.messages, QStringList{});
}

// Any path can be typed for the checked COM name, a pseudo-terminal the list does not show among
// them, and the next open talks to it; a device that is not there is marked as such.
void TestPortSettingsDialog::typedPathAndDeviceProblems()
{
    ControllerSimulator sim;
    QVERIFY(sim.start());
    sim.setLiveDemo(false);
    sim.writeWord(kWord, 0x3333);
    QTemporaryDir machine;
    const SerialDeviceRoots roots{machine.filePath(QStringLiteral("dev/serial/by-id")),
                                  machine.filePath(QStringLiteral("dev")), machine.filePath(QStringLiteral("sys"))};
    QDir().mkpath(roots.dev);
    setChosenPortName(QStringLiteral("COM4"));
    mapPortToDevice(QStringLiteral("COM4"), machine.filePath(QStringLiteral("gone/ttyUSB7")));

    ScriptedDialogs dialogs;
    Program program(dialogs);
    {
        PortSettingsDialog dialog(program.ws, nullptr, roots);
        dialog.show();
        QVERIFY2(dialog.portDevice()->toolTip().endsWith(QStringLiteral(" (missing)")),
                 qPrintable(dialog.portDevice()->toolTip()));
        // Written beside the device too, not only told by its colour, and within the label.
        const QLabel *shown = dialog.portDevice();
        QVERIFY2(shown->text().endsWith(QStringLiteral(" (missing)")), qPrintable(shown->text()));
        for (const QString &line : shown->text().split(u'\n'))
            QVERIFY2(shown->fontMetrics().horizontalAdvance(line) <= shown->width(), qPrintable(line));
        QCOMPARE(dialog.deviceList()->count(), 0); // a pseudo-terminal is not listed
        dialog.devicePathField()->setText(sim.devicePath());
        QTest::keyClick(dialog.devicePathField(), Qt::Key_Return);
        QCOMPARE(dialog.portDevice()->toolTip(), QStringLiteral("COM4 = ") + sim.devicePath());
        QVERIFY(dialog.isVisible()); // Enter stores the path, it does not close the dialog
        dialog.close();
    }
    QCOMPARE(devicePathForPort(QStringLiteral("COM4")), sim.devicePath());
    Link link;
    QCOMPARE(link.open(PortUser::Tool), 0);
    QCOMPARE(link.readValue('R', 2, kWord), 0x3333);
    link.close();
    QCOMPARE(deviceProblem(sim.devicePath()), QString());
    QCOMPARE(deviceProblem(machine.filePath(QStringLiteral("none"))), QStringLiteral("missing"));
}

QTEST_MAIN(TestPortSettingsDialog)
#include "test_port_settings_dialog.moc"
