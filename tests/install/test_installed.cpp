// The program as a normal user runs it from an installed, read-only prefix (see run_installed.sh,
// which places this program beside the installed one): its program folder is the prefix's
// share/qmx-trend, found from the executable's own folder as the installed program finds it, and
// the real windows offscreen against the simulator keep their files in the user's data folder.

#include "base/ProgramFolder.h"
#include "catalogue/VariablesListWindow.h"
#include "shell/PortSettingsDialog.h"
#include "shell/PortSettingsTexts.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/TrendGraphWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "trend/model/Presets.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>
#include <memory>
#include <unistd.h>

namespace {

const QString kErrorTrace = QStringLiteral("ErrTrace.txt");
constexpr int kLongestOpenMs = 10000; // the pause after opening the port is 1 to 2 s

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The open Trend Graph; the tests below fail on a null one as on a missing control.
TrendGraphWindow *trendGraph(const Program &p) { return p.mainWindow->trendGraphWindow(); }

template <typename T> T *control(QWidget *window, const char *name)
{
    return window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
}

} // namespace

class TestInstalled : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { port_.simulator().stop(); }

    void dataReadAndRunWriteInTheUserDataFolder();
    void nextStartReadsThePresets();

private:
    // RUN, until the sampling has written a line to the error trace at `trace`, then STOP.
    void runUntilTraced(Program &p, const QString &trace);

    SimulatedPort port_;
    QString programFolder_;
    QString dataFolder_;
    QString workFolder_;
};

void TestInstalled::initTestCase()
{
    QVERIFY2(::geteuid() != 0, "run by run_installed.sh as a user who is not root");
    programFolder_ = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/qmx-trend")) +
                     QLatin1Char('/');
    dataFolder_ = QDir::homePath() + QStringLiteral("/.local/share/Quillster/CON/");
    workFolder_ = QDir::currentPath();
    QCOMPARE(programfolder::path(), programFolder_);
    QVERIFY(QFileInfo::exists(programFolder_ + QStringLiteral("Varlist.txt")));
    QVERIFY(!QFileInfo(programFolder_).isWritable());
    QCOMPARE(programfolder::userDataPath(), dataFolder_);
    QCOMPARE(programfolder::filesPath(), dataFolder_);

    QVERIFY2(port_.start(QStringLiteral("COM1")), qPrintable(port_.error()));
}

void TestInstalled::runUntilTraced(Program &p, const QString &trace)
{
    auto *run = trendGraph(p)->runButton();
    QVERIFY(run && run->isEnabled());
    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(readAll(trace).contains(" Code=-3 Data="), kLongestOpenMs);
    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!p.link.isOpen(), kLongestOpenMs);
}

void TestInstalled::dataReadAndRunWriteInTheUserDataFolder()
{
    ScriptedDialogs dialogs;
    auto p = std::make_unique<Program>(dialogs);
    p->start();
    QVERIFY(p->mainWindow->trendGraphWindow() && p->mainWindow->variablesListWindow());

    // Data Read: the super-block data file goes to the user's data folder; the variable files
    // come from the shipped copies, now the user's own.
    auto *variablesList = p->mainWindow->variablesListWindow();
    QPushButton *dataRead = variablesList ? variablesList->dataReadButton() : nullptr;
    auto *run = trendGraph(*p)->runButton();
    QVERIFY(dataRead && run);
    QVERIFY(!QFileInfo::exists(dataFolder_ + QStringLiteral("sbdata.qmx")));
    QTest::mouseClick(dataRead, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dataFolder_ + QStringLiteral("sbdata.qmx")), kLongestOpenMs);
    QTRY_VERIFY_WITH_TIMEOUT(!p->link.isOpen() && run->isEnabled(), kLongestOpenMs);
    QCOMPARE(dialogs.messages, QStringList{});
    QVERIFY(readAll(dataFolder_ + QStringLiteral("sbdata.qmx")).startsWith("@"));
    QVERIFY(!QFileInfo::exists(programFolder_ + QStringLiteral("sbdata.qmx")));
    for (const char *name : {"Varlist.txt", "Varlist2.txt"}) {
        QCOMPARE(readAll(dataFolder_ + QLatin1String(name)), readAll(programFolder_ + QLatin1String(name)));
        QVERIFY(QFileInfo(dataFolder_ + QLatin1String(name)).isWritable());
    }

    // RUN with channel 1 only, full scale 12345, against a controller refusing every read: the
    // presets are saved in the data folder, the failed reads traced in the current folder.
    trendGraph(*p)->table().row(0).selected->setChecked(true);
    trendGraph(*p)->table().row(1).selected->setChecked(false);
    trendGraph(*p)->table().row(0).scale->setText(QStringLiteral("12345"));
    p->ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("20")));
    port_.simulator().setFaultForAllRequests({SimFault::Kind::Nak, 'D'});
    const QString traceHere = workFolder_ + QLatin1Char('/') + kErrorTrace;
    runUntilTraced(*p, traceHere);
    const QByteArray presets = readAll(dataFolder_ + QStringLiteral("UserPre.qmt"));
    QVERIFY2(presets.startsWith("Dec,,,,\r\nON,L,AnTermIn,12345\r\nOF,L,SpdFbk,20000\r\n"), presets.constData());
    QCOMPARE(readAll(dataFolder_ + QStringLiteral("UserPre2.qmt")), presets);
    QVERIFY(!QFileInfo::exists(programFolder_ + QStringLiteral("UserPre2.qmt")));
    QVERIFY(!QFileInfo::exists(dataFolder_ + kErrorTrace));
    QCOMPARE(dialogs.messages, QStringList{});

    // A current folder that cannot be written (as "/" for a program started from a launcher):
    // the trace goes to the data folder.
    const QString readOnlyFolder = workFolder_ + QStringLiteral("/read-only");
    QVERIFY(QDir().mkpath(readOnlyFolder));
    QVERIFY(QFile::setPermissions(readOnlyFolder, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(!QFileInfo(readOnlyFolder).isWritable());
    const QByteArray traceHereBefore = readAll(traceHere);
    QVERIFY(QDir::setCurrent(readOnlyFolder));
    runUntilTraced(*p, dataFolder_ + kErrorTrace);
    QVERIFY(QDir::setCurrent(workFolder_));
    QVERIFY(!QFileInfo::exists(readOnlyFolder + QLatin1Char('/') + kErrorTrace));
    QCOMPARE(readAll(traceHere), traceHereBefore);
    port_.simulator().clearFaults();

    // The port settings dialog tells the user where the files are.
    PortSettingsDialog dialog(p->ws);
    QCOMPARE(dialog.filesFolder()->toolTip(), kFilesCaption.arg(dataFolder_));
    dialog.accept();
    p.reset();
}

void TestInstalled::nextStartReadsThePresets()
{
    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    QVERIFY(p.mainWindow->trendGraphWindow());
    QVERIFY(trendGraph(p)->table().row(0).selected->isChecked());
    QVERIFY(!trendGraph(p)->table().row(1).selected->isChecked());
    QCOMPARE(trendGraph(p)->table().row(0).scale->text(), QStringLiteral("12345"));
    QCOMPARE(dialogs.messages, QStringList{});
}

QTEST_MAIN(TestInstalled)
#include "test_installed.moc"
