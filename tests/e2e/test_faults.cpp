// A controller that misbehaves during a trend run (line noise, refusals of every letter, lower-case
// and wrong checksums, replies in pieces, stale bytes) and files that cannot be written (presets,
// "sbdata.qmx", .trd, .mon, "ErrTrace.txt"), through the real program's windows and port.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/SuperBlockFile.h"
#include "link/Frame.h"
#include "monitor/MonitorTexts.h"
#include "sim/ControllerSimulator.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/model/Presets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace e2e;

namespace {

constexpr quint32 kAnTermIn = 0x600F92;
constexpr quint32 kInvFlag = 0x600F00;

QByteArray refusal(char letter) { return QByteArray("\x15" "0") + letter + "\r\n"; }

// Files written while it lives may grow to `bytes` only; a longer write fails (EFBIG) instead of
// ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// A directory where a file of that name belongs: no write to the name can succeed, root or not.
bool putDirectoryInPlace(const QString &path)
{
    QFile::remove(path);
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

void takeDirectoryAway(const QString &path) { QDir(path).removeRecursively(); }

QStringList folderListing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void misbehavingControllerDuringATrendRun();
    void programFolderFilesThatCannotBeWritten();
    void savesThatFailKeepTheOldFile();

private:
    SimulatedPort port_;
    ControllerSimulator &sim_ = port_.simulator();
};

void TestFaults::initTestCase()
{
    testenv::prepare();
    QVERIFY2(port_.start(), qPrintable(port_.error()));
    sim_.setLiveDemo(false);
}

void TestFaults::cleanup()
{
    sim_.clearFaults();
    takeDirectoryAway(programfolder::file(presets::kPresetFile));
    takeDirectoryAway(programfolder::file(kSuperBlockFileName));
    takeDirectoryAway(kErrorTrace);
    testenv::restoreDataFile(presets::kPresetFile);
    testenv::restoreDataFile(presets::kPresetCopyFile);
    QFile::remove(programfolder::file(kSuperBlockFileName));
    QFile::remove(kErrorTrace);
}

void TestFaults::misbehavingControllerDuringATrendRun()
{
    port_.mapTo(QStringLiteral("COM1"));
    sim_.writeWord(kAnTermIn, 20000);
    sim_.writeWord(kInvFlag, 0x0008);
    // Both replies carry a hex letter in their checksum, so lower-case digits cannot match.
    QVERIFY(checksumText("R4E20", 5).contains('D'));
    QVERIFY(checksumText("R0008", 5).contains('A'));
    QFile::remove(kErrorTrace);

    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    TrendGraphWindow *form = trendWindow(p);
    QVERIFY(form);
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("0")));
    setChannels(*form, {{0, "L", "AnTermIn", "20000"}, {7, "L", "InvFlag", "03"}});
    const qint64 startedAt = QDateTime::currentSecsSinceEpoch();

    // Each pass: the faults of its two exchanges (AnTermIn, then InvFlag), the values it must
    // store and the trace lines it must add.
    struct Pass {
        const char *what;
        std::vector<SimFault> faults;
        int analog;
        int logic;
        std::vector<TraceEntry> trace;
    };
    using K = SimFault::Kind;
    const SimFault garbage{K::Garbage};
    const auto nak = [](char letter) { return SimFault{K::Nak, letter}; };
    const SimFault pieces{K::Pieces, 'D', 11, 25}; // one byte at a time
    const std::vector<Pass> passes{
        {"clean", {}, 20000, 1, {}},
        {"noise before any refusal", {garbage}, 0, 1, {{-13, {}}}},
        {"two refusals", {nak('S'), nak('E')}, 0, 0, {{-8, refusal('S')}, {-5, refusal('E')}}},
        {"noise and a bad first byte after a refusal",
         {garbage, SimFault{K::BadFirstByte}},
         0,
         0,
         {{-13, refusal('E')}, {-13, refusal('E')}}},
        {"lower-case checksums",
         {SimFault{K::LowerCaseChecksum}, SimFault{K::LowerCaseChecksum}},
         0,
         0,
         {{-2, refusal('E')}, {-2, refusal('E')}}},
        {"replies in pieces", {pieces, pieces}, 20000, 1, {}},
        {"wrong checksum", {SimFault{K::WrongChecksum}}, 0, 1, {{-2, refusal('E')}}},
        {"refusal storm 1", {nak('D'), nak('d')}, 0, 0, {{-3, refusal('D')}, {-4, refusal('d')}}},
        {"refusal storm 2", {nak('E'), nak('O')}, 0, 0, {{-5, refusal('E')}, {-6, refusal('O')}}},
        {"refusal storm 3", {nak('P'), nak('S')}, 0, 0, {{-7, refusal('P')}, {-8, refusal('S')}}},
        {"refusal storm 4", {nak('s'), nak('X')}, 0, 0, {{-9, refusal('s')}, {-10, refusal('X')}}},
        {"refusal storm 5", {nak('Z'), nak('z')}, 0, 0, {{-11, refusal('Z')}, {-12, refusal('z')}}},
        // A refusal letter outside the table is a failed read of its own code, traced as any
        // other refusal.
        {"unknown refusal letter", {nak('Q')}, 0, 1, {{-14, refusal('Q')}}},
        {"noise after the unknown letter", {SimFault{K::None}, garbage}, 20000, 0, {{-13, refusal('Q')}}},
        {"clean again", {}, 20000, 1, {}},
    };

    // The faults of every pass are queued request by request (two a pass) before the run starts,
    // so each pass meets its own faults however fast the passes follow each other. A reply spoilt
    // on the way may be noise in front of the real one: the next exchange first sends a block read
    // that brings the line back in step, which is answered as it should be.
    const auto spoilt = [](const SimFault &fault) {
        const bool knownLetter = QByteArray("DdEOPSsXZz").contains(fault.letter);
        return fault.kind == K::Garbage || fault.kind == K::BadFirstByte || fault.kind == K::WrongChecksum ||
               fault.kind == K::LowerCaseChecksum || (fault.kind == K::Nak && !knownLetter);
    };
    for (const Pass &pass : passes) {
        for (std::size_t k = 0; k < 2; ++k) {
            const SimFault fault = k < pass.faults.size() ? pass.faults[k] : SimFault{};
            sim_.queueFault(fault);
            if (spoilt(fault))
                sim_.queueFault(SimFault{});
        }
    }
    // Bytes left on the line from an earlier reply are purged before each request is sent.
    sim_.sendStaleBytes(QByteArray("\x02" "0R7FFF") + checksumText("R7FFF", 5) + "\r\n");
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("100"))); // time enough to stop right after the last pass
    form->toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form->runActive(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= static_cast<int>(passes.size()), 10000);
    form->toggleRun();

    std::vector<TraceEntry> trace;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const Pass &pass = passes[i];
        const SampleRow &row = p.trend.sampleRing[i];
        QVERIFY2(row[0] == pass.analog && row[7] == pass.logic,
                 qPrintable(QStringLiteral("%1: %2 %3").arg(pass.what).arg(row[0]).arg(row[7])));
        QVERIFY2((pixel(form->layers().trace, 2 * static_cast<int>(i), 300) == kLime) == !pass.trace.empty(), pass.what);
        trace.insert(trace.end(), pass.trace.begin(), pass.trace.end());
    }
    QVERIFY(p.trend.ringWritePos <= static_cast<int>(passes.size()) + 1);
    const QString traceProblem =
        checkErrorTrace(testenv::readAll(kErrorTrace), trace, startedAt, QDateTime::currentSecsSinceEpoch());
    QVERIFY2(traceProblem.isEmpty(), qPrintable(traceProblem));
    QCOMPARE(dialogs.messages, QStringList{});

    // A trace that cannot be written here: the pass is marked and stored as ever, no message box
    // interrupts the run, and the entry goes on in the user's data folder.
    const QString dataFolderTrace = programfolder::userDataPath() + kErrorTrace;
    QFile::remove(dataFolderTrace);
    QVERIFY(putDirectoryInPlace(kErrorTrace));
    sim_.queueFault(nak('X'));
    form->toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= 1, 5000);
    form->toggleRun();
    QCOMPARE(p.trend.sampleRing[0][0], 0);
    QCOMPARE(p.trend.sampleRing[0][7], 1);
    QCOMPARE(pixel(form->layers().trace, 0, 300), kLime);
    QVERIFY(QFileInfo(kErrorTrace).isDir());
    QCOMPARE(folderListing(kErrorTrace), QStringList{});
    QCOMPARE(dialogs.messages, QStringList{});
    QVERIFY(testenv::readAll(dataFolderTrace).contains(" Code="));
    QFile::remove(dataFolderTrace);

    // A whole stretch of refusals keeps the run alive; STOP ends it as usual.
    sim_.setFaultForAllRequests(nak('O'));
    form->toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= 3, 5000);
    sim_.clearFaults();
    const auto lastRow = [&] { return p.trend.sampleRing[(p.trend.ringWritePos + kRingRows - 1) % kRingRows]; };
    QTRY_VERIFY_WITH_TIMEOUT(lastRow()[0] == 20000, 5000);
    QCOMPARE(p.trend.sampleRing[0][0], 0);
    QVERIFY(form->runActive());
    form->toggleRun();
    QVERIFY(!form->runActive());
    p.ws.linkThread.drain();
    QCOMPARE(p.link.lastErrorReply(), refusal('O'));
    QVERIFY(!p.link.isOpen());
    QCOMPARE(dialogs.messages, QStringList{});
}

void TestFaults::programFolderFilesThatCannotBeWritten()
{
    const QString presetFile = programfolder::file(presets::kPresetFile);
    const QString presetCopy = programfolder::file(presets::kPresetCopyFile);
    const QString dataFile = programfolder::file(kSuperBlockFileName);

    // No preset file to read (a folder of its name): the Trend Graph comes up with every
    // channel at its defaults, unticked, and says nothing.
    QVERIFY(putDirectoryInPlace(presetFile));
    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    TrendGraphWindow *form = trendWindow(p);
    QVERIFY(form);
    for (int n = 1; n <= kChannels; ++n)
        QVERIFY(!form->table().row(n - 1).selected->isChecked());
    QCOMPARE(dialogs.messages, QStringList{});

    // A run start cannot save the presets: it says which file and goes on (here to a port that
    // does not open); the copy is still written.
    testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/nonexistent/qmx-tty"));
    setChannels(*form, {{0, "L", "AnTermIn", "20000"}});
    QFile::remove(presetCopy);
    form->toggleRun();
    QTRY_COMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[0], kPresetsNotSaved);
    QVERIFY2(dialogs.details[0].startsWith(presetFile + QStringLiteral(": ")) &&
                 dialogs.details[0].size() > presetFile.size() + 2,
             qPrintable(dialogs.details[0]));
    QVERIFY(!dialogs.details[0].contains(presetCopy));
    // The port that would not open is one box that ends in the run's own message.
    QCOMPARE(dialogs.messages.mid(1), (QStringList{kCreateFileError}));
    QVERIFY(dialogs.details[1].endsWith(u'\n' + kCommunicationError));
    QVERIFY(QFileInfo(presetFile).isDir());
    QVERIFY(testenv::readAll(presetCopy).startsWith("Dec,,,,\r\nON,L,AnTermIn,20000\r\n"));

    // A run start whose preset writes fail part-way leaves both files as they were, byte for byte.
    takeDirectoryAway(presetFile);
    testenv::restoreDataFile(presets::kPresetFile);
    testenv::restoreDataFile(presets::kPresetCopyFile);
    const QByteArray presetsBefore = testenv::readAll(presetFile);
    const QByteArray copyBefore = testenv::readAll(presetCopy);
    const QStringList folderBefore = folderListing(testenv::programDir());
    dialogs.messages.clear();
    dialogs.details.clear();
    {
        const FileSizeLimit limit(64);
        form->toggleRun();
    }
    QTRY_COMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[0], kPresetsNotSaved);
    const QStringList failedPresets = dialogs.details[0].split(u'\n');
    QCOMPARE(failedPresets.size(), 2);
    QVERIFY2(failedPresets[0].startsWith(presetFile + QStringLiteral(": ")) &&
                 failedPresets[1].startsWith(presetCopy + QStringLiteral(": ")),
             qPrintable(dialogs.details[0]));
    // The port that would not open is one box that ends in the run's own message.
    QCOMPARE(dialogs.messages.mid(1), (QStringList{kCreateFileError}));
    QVERIFY(dialogs.details[1].endsWith(u'\n' + kCommunicationError));
    QCOMPARE(testenv::readAll(presetFile), presetsBefore);
    QCOMPARE(testenv::readAll(presetCopy), copyBefore);
    QCOMPARE(folderListing(testenv::programDir()), folderBefore); // no temporary file left behind

    // A Data Read that cannot write "sbdata.qmx" builds the list from what it read.
    port_.mapTo(QStringLiteral("COM1"));
    VariablesListWindow *varList = variablesListOf(p);
    QVERIFY(putDirectoryInPlace(dataFile));
    dialogs.messages.clear();
    varList->readDataFromController();
    QTRY_VERIFY_WITH_TIMEOUT(!varList->dataReadRunning(), 15000);
    QCOMPARE(dialogs.messages, QStringList{});
    QVERIFY(p.ws.catalogue.variableList.contains(QStringLiteral("00600EC0,PI3A11")));
    QCOMPARE(p.ws.catalogue.pointerAddresses[2], QStringLiteral("00600FA8"));
    QVERIFY(QFileInfo(dataFile).isDir());
    QCOMPARE(folderListing(dataFile), QStringList{});

    // One whose write fails part-way keeps the old file byte for byte and builds the list.
    takeDirectoryAway(dataFile);
    const QByteArray oldDataFile = "@600608,1,0000,\r\n";
    QVERIFY(textfile::writeAtomically(dataFile, oldDataFile));
    p.ws.catalogue.pointerAddresses = {};
    {
        const FileSizeLimit limit(256);
        varList->readDataFromController();
        QTRY_VERIFY_WITH_TIMEOUT(!varList->dataReadRunning(), 15000);
    }
    QCOMPARE(dialogs.messages, QStringList{});
    QCOMPARE(testenv::readAll(dataFile), oldDataFile);
    QCOMPARE(p.ws.catalogue.pointerAddresses[2], QStringLiteral("00600FA8"));
    QCOMPARE(folderListing(testenv::programDir()), folderBefore + QStringList{kSuperBlockFileName});
    p.ws.linkThread.drain();
    QVERIFY(!p.link.isOpen());
}

void TestFaults::savesThatFailKeepTheOldFile()
{
    QTemporaryDir folder;
    const QString regularFile = folder.filePath(QStringLiteral("plain"));
    QVERIFY(textfile::writeAtomically(regularFile, "x"));
    const QString underAFile = regularFile + QStringLiteral("/run.trd");
    const QString directoryTrd = folder.filePath(QStringLiteral("run.trd"));
    QVERIFY(QDir().mkpath(directoryTrd));

    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    TrendGraphWindow *form = trendWindow(p);
    p.trend.sampleRing[0] = {1234};
    p.trend.ringWritePos = 1;

    // .trd: a path under a regular file, a folder in the way, and a write that fails part-way.
    const QString keptTrd = folder.filePath(QStringLiteral("kept.trd"));
    const QByteArray oldTrd = "the user's old recording\r\n";
    QVERIFY(textfile::writeAtomically(keptTrd, oldTrd));
    dialogs.saveAnswers = {underAFile, directoryTrd};
    form->saveTrendFile();
    form->saveTrendFile();
    QCOMPARE(dialogs.messages, QStringList(2, kTrendFileWriteError));
    QVERIFY2(dialogs.details[0].startsWith(underAFile + QStringLiteral(": ")) &&
                 dialogs.details[1].startsWith(directoryTrd + QStringLiteral(": ")),
             qPrintable(dialogs.details.join(u'|')));
    QVERIFY(QFileInfo(directoryTrd).isDir());
    const QStringList listing = folderListing(folder.path());
    dialogs.messages.clear();
    dialogs.saveAnswers = {keptTrd};
    {
        const FileSizeLimit limit(64);
        form->saveTrendFile();
    }
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(testenv::readAll(keptTrd), oldTrd);
    QCOMPARE(folderListing(folder.path()), listing);
    dialogs.saveAnswers = {keptTrd};
    form->saveTrendFile(); // the same save with room to write replaces the file whole
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(testenv::readAll(keptTrd).contains("  1234,"));

    // .mon: the same three.
    form->close();
    settle();
    p.mainWindow->openMonitor();
    settle();
    MonitorWindow *moni = monitorOf(p);
    QVERIFY(moni);
    const QString directoryMon = folder.filePath(QStringLiteral("snap.mon"));
    QVERIFY(QDir().mkpath(directoryMon));
    const QString keptMon = folder.filePath(QStringLiteral("kept.mon"));
    const QByteArray oldMon = "the user's old snapshot\r\n";
    QVERIFY(textfile::writeAtomically(keptMon, oldMon));
    dialogs.messages.clear();
    dialogs.details.clear();
    dialogs.saveAnswers = {regularFile + QStringLiteral("/snap.mon"), directoryMon};
    moni->saveMonitorFile();
    moni->saveMonitorFile();
    QCOMPARE(dialogs.messages, QStringList(2, monitor::kCannotWriteFile));
    QVERIFY2(dialogs.details[0].startsWith(regularFile + QStringLiteral("/snap.mon: ")) &&
                 dialogs.details[1].startsWith(directoryMon + QStringLiteral(": ")),
             qPrintable(dialogs.details.join(u'|')));
    const QStringList monListing = folderListing(folder.path());
    dialogs.saveAnswers = {keptMon};
    {
        const FileSizeLimit limit(64);
        moni->saveMonitorFile();
    }
    QCOMPARE(dialogs.messages.size(), 3);
    QCOMPARE(dialogs.messages[2], monitor::kCannotWriteFile);
    QVERIFY2(dialogs.details.constLast().startsWith(keptMon + QStringLiteral(": ")) && dialogs.details.constLast().size() > keptMon.size() + 2,
             qPrintable(dialogs.details.constLast()));
    QCOMPARE(testenv::readAll(keptMon), oldMon);
    QCOMPARE(folderListing(folder.path()), monListing);
    dialogs.saveAnswers = {keptMon};
    moni->saveMonitorFile();
    QCOMPARE(dialogs.messages.size(), 3);
    QVERIFY(testenv::readAll(keptMon).startsWith("----- Qmx Moniter List --- File Name:kept.mon ----\r\n"));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
