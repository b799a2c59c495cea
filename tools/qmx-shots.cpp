// Walks the program through its windows against the controller simulator and saves a picture of
// each window at each step, for looking at what a user sees:
//   qmx-shots <output folder> [--baud 9600]
// Runs offscreen unless a display is set. Uses a private configuration and program folder.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/VariablesListWindow.h"
#include "link/Settings.h"
#include "monitor/MonitorWindow.h"
#include "program/LineStateLabel.h"
#include "recording/RecordingWindow.h"
#include "shell/MainWindow.h"
#include "shell/PortSettingsDialog.h"
#include "shell/Program.h"
#include "sim/ControllerSimulator.h"
#include "trend/model/TrendFile.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {

class ShotDialogs : public Dialogs {
public:
    void showMessage(const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    QString askOpenFile(const QString &) override { return openAnswer; }
    QString askSaveFile(const QString &, const QString &, const QString &) override { return saveAnswer; }
    std::unique_ptr<QPrinter> askPrinter() override
    {
        if (pdf.isEmpty())
            return nullptr;
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return printer;
    }
    QString openAnswer, saveAnswer, pdf;
};

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the program run until `done` (at most `ms`).
void waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        waitMs(5);
}

// A qmx-record file of fixed values (the same pixels every time): time, t_s, two words and a bit.
void writeFixedRecording(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QDateTime start(QDate(2026, 12, 8), QTime(14, 0));
    QByteArray text = "time,t_s,SpdFbk,TrqFbk,InvFlag.07\r\n";
    for (int row = 0; row < 36000; ++row) {
        const qint64 ms = row < 20000 ? row * 100LL : row * 100LL + 600000; // ten minutes between windows
        const int speed = static_cast<int>(1500 + 1200 * std::sin(row / 900.0));
        const int torque = row == 12345 ? 32000 : static_cast<int>(400 * std::cos(row / 97.0));
        const bool failed = row >= 27000 && row < 27300;
        text += start.addMSecs(ms).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ',' +
                QByteArray::number(ms / 1000.0, 'f', 3) + ',' + (failed ? QByteArray() : QByteArray::number(speed)) +
                ',' + (failed ? QByteArray() : QByteArray::number(torque)) + ',' +
                QByteArray::number((row / 450) % 2) + "\r\n";
    }
    file.write(text);
}

void save(QWidget *w, const QString &folder, const QString &name)
{
    if (!w)
        return;
    const QString path = folder + QLatin1Char('/') + name;
    w->grab().save(path);
    std::printf("saved %s\n", qPrintable(path));
}

// The start-up windows as they stand on a 1280 x 800 screen.
void saveScreen(const QList<QWidget *> &windows, const QString &path)
{
    QImage screen(1280, 800, QImage::Format_RGB32);
    screen.fill(QColor(0, 96, 128));
    QPainter painter(&screen);
    for (QWidget *w : windows) {
        if (!w)
            continue;
        const QPixmap picture = w->grab();
        const QRect frame(w->pos() - QPoint(1, 22), picture.size() + QSize(2, 23));
        painter.fillRect(frame, QColor(200, 200, 200));
        painter.setPen(Qt::black);
        painter.drawText(frame.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, w->windowTitle());
        painter.drawPixmap(w->pos(), picture);
    }
    painter.end();
    screen.save(path);
    std::printf("saved %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir world;
    qputenv("XDG_CONFIG_HOME", world.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString out = args.size() > 1 ? QDir(args[1]).absolutePath() : QDir::currentPath();
    QDir().mkpath(out);
    const int baud = args.contains(QStringLiteral("--baud")) ? 9600 : 0;

    // Program folder with the shipped files beside a copy of this tool.
    const QString programDir = world.filePath(QStringLiteral("program"));
    QDir().mkpath(programDir);
    for (const QString &name : {QStringLiteral("Varlist.txt"), QStringLiteral("Varlist2.txt"),
                                QStringLiteral("UserPre.qmt")})
        QFile::copy(QStringLiteral(QMX_SOURCE_DIR "/data/") + name, programDir + QLatin1Char('/') + name);
    programfolder::setOverride(programDir);
    QDir::setCurrent(programDir);

    ControllerSimulator sim;
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    sim.setBaud(baud);
    mapPortToDevice(QStringLiteral("COM1"), sim.devicePath());
    setChosenPortName(QStringLiteral("COM1"));

    ShotDialogs dialogs;
    Program program(dialogs);
    program.start();
    waitMs(200);
    Workspace &ws = program.ws;
    saveScreen({program.mainWindow.data(), program.mainWindow->variablesListWindow(), program.mainWindow->trendGraphWindow()},
               out + QStringLiteral("/01-startup.png"));

    // Data Read, then the bit names of CmdFlag.
    // The Variables List during the read shows how far it has come.
    auto *varList = program.mainWindow->variablesListWindow();
    varList->readDataFromController();
    const std::uint64_t servedBefore = sim.requestsServed();
    waitFor([&] { return sim.requestsServed() >= servedBefore + (baud ? 12 : 1); }, 6000);
    save(varList, out, QStringLiteral("02a-varlist-during-data-read.png"));
    waitFor([varList] { return !varList->dataReadRunning(); }, 30000);
    QListWidget *names = varList->nameList();
    for (int i = 0; i < names->count(); ++i) {
        if (names->item(i)->text() == QLatin1String("CmdFlag")) {
            names->setCurrentRow(i);
            names->scrollToItem(names->item(i));
            varList->showBitNames();
            break;
        }
    }
    save(varList, out, QStringLiteral("02-varlist-after-data-read.png"));

    // A trend run with the shipped presets plus a block output.
    auto *trend = program.mainWindow->trendGraphWindow();
    trend->table().row(2).name->setText(QStringLiteral("PI3A11"));
    trend->table().row(2).selected->setChecked(true);
    trend->toggleRun();
    waitFor([trend] { return trend->runActive(); }, 3000);
    waitMs(4000);
    save(trend, out, QStringLiteral("03-trend-running.png"));
    trend->toggleRun(); // STOP
    trend->redraw(); // REDRAW
    save(trend, out, QStringLiteral("04-trend-redraw.png"));
    // Two cursors: the band's difference line and the Read-out window beside the Trend Graph.
    trend->setSecondCursor(trend->view().cursorX() / 3);
    trend->openReadoutWindow();
    waitMs(50);
    save(trend, out, QStringLiteral("04a-trend-two-cursors.png"));
    save(trend->readoutWindow(), out, QStringLiteral("04b-trend-readout.png"));
    // Engineering values from a units file, and the step figures of the first channel between the cursors.
    textfile::writeAtomically(programDir + QStringLiteral("/Units.txt"),
                              "AnTermIn\t0.001\t0\tV\r\nSpdFbk\t0.1\t0\trpm\r\n");
    trend->readoutWindow()->engineeringValues()->setChecked(true);
    trend->readoutWindow()->stepChannel()->setCurrentIndex(1);
    trend->openReadoutWindow();
    waitMs(50);
    save(trend->readoutWindow(), out, QStringLiteral("04d-trend-readout-engineering.png"));
    // The trigger row's mark as a triggered run leaves it: a "T" line down the graph, cursor A on it.
    const int markX = 2 * (trend->data().rowCount / 2);
    trend->view().setTriggerMark(markX);
    trend->view().moveCursor(markX);
    save(trend, out, QStringLiteral("04c-trend-trigger-mark.png"));
    trend->view().setTriggerMark(std::nullopt);

    // Save, Open (rows of unselected channels hidden), cursor mid-graph, values in hex.
    dialogs.saveAnswer = out + QStringLiteral("/demo.trd");
    trend->saveTrendFile();
    // QMX_SHOTS_TRD names a file to open instead of the one just saved, for pictures that do not
    // depend on how many passes the run took.
    dialogs.openAnswer = qEnvironmentVariableIsSet("QMX_SHOTS_TRD") ? qEnvironmentVariable("QMX_SHOTS_TRD") : dialogs.saveAnswer;
    trend->openTrendFile();
    trend->graphClicked(250);
    trend->toggleNumberBase();
    save(trend, out, QStringLiteral("05-trend-open-cursor-hex.png"));
    // A stored recording laid behind the traces: three slow waves, dimmed.
    {
        std::array<ChannelRecord, kChannels> channels{};
        std::array<SampleRow, kDisplayRowsCapacity> rows{};
        for (int c = 0; c < 3; ++c)
            channels[c] = {true, AddressKind::Address, QStringLiteral("%1").arg(0x100 + c), QStringLiteral("2000")};
        for (int r = 0; r < 240; ++r)
            for (int c = 0; c < 3; ++c)
                rows[r][c] = static_cast<std::int32_t>(1500 * std::sin(r / 20.0 + 2.1 * c));
        const QString referencePath = out + QStringLiteral("/reference.trd");
        textfile::writeAtomically(referencePath,
                                  textfile::joinLinesCrLf(trendfile::formatLines(QStringLiteral("reference.trd"), channels, rows, 240)));
        dialogs.openAnswer = referencePath;
        trend->view().openReference();
        save(trend, out, QStringLiteral("05a-trend-reference.png"));
        trend->view().clearReference();
    }
    dialogs.pdf = out + QStringLiteral("/trend-print.pdf");
    trend->printWindow();

    // The Monitor.
    trend->close();
    waitMs(50);
    program.mainWindow->openMonitor();
    waitMs(50);
    auto *monitor = program.mainWindow->monitorWindow();
    monitor->releaseOrPause();
    waitFor([monitor] { return monitor->passesCompleted() > 0; }, 5000);
    waitMs(baud ? 1000 : 300);
    save(monitor, out, QStringLiteral("06-monitor-running.png"));
    // The line's state for a port whose device has a long name: laid out whole, the device
    // shortened in its middle.
    mapPortToDevice(QStringLiteral("COM9"), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    monitor->lineState()->showNoReply(QStringLiteral("COM9"), QDateTime::currentDateTime());
    save(monitor, out, QStringLiteral("06a-monitor-no-reply-long-device.png"));
    monitor->lineState()->clearState();
    monitor->toggleNumberBase();
    waitMs(baud ? 2000 : 300);
    monitor->releaseOrPause();
    save(monitor, out, QStringLiteral("07-monitor-paused-hex.png"));
    dialogs.pdf = out + QStringLiteral("/monitor-print.pdf");
    monitor->printWindow();

    PortSettingsDialog portSettings(ws, program.mainWindow);
    portSettings.show();
    waitMs(50);
    save(&portSettings, out, QStringLiteral("08-comm-set.png"));
    portSettings.hide();

    // The Recording window over a fixed recording: an hour of two words and a bit at 10 passes a
    // second, with a one-sample spike, a run of failed reads and a pause between two event windows.
    const QString recordingPath = world.filePath(QStringLiteral("shots-recording.csv"));
    writeFixedRecording(recordingPath);
    recording::RecordingWindow recordingWindow(dialogs, recordingPath);
    recordingWindow.resize(1000, 640);
    recordingWindow.show();
    waitFor([&recordingWindow] { return !recordingWindow.isLoading(); }, 10000);
    waitMs(100);
    save(&recordingWindow, out, QStringLiteral("09-recording-window.png"));
    return 0;
}
