// The error trace of a Trend Graph run that cannot be written where the run began it (a folder in
// the place of ErrTrace.txt fails for root as well): every entry goes on in the user's data folder,
// and the band says so once, without a message box. Entries used to be dropped without a word.

#include "base/ProgramFolder.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/model/Presets.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint32_t kAnTermIn = 0x600E00;
const QString kTrace = QStringLiteral("ErrTrace.txt");

} // namespace

class TestTrendErrorTrace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void traceGoesOnInTheDataFolder()
    {
        SimulatedPort port;
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.setAddressFault(kAnTermIn, SimFault{SimFault::Kind::Nak, 'D'});
        QVERIFY(QDir().mkdir(kTrace));
        const QString fallback = programfolder::userDataPath() + kTrace;
        QFile::remove(fallback);

        TrendWindowProgram p;
        p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("20")));
        auto *form = new TrendGraphWindow(p.ws, p.data);
        form->show();
        for (int c = 0; c < kChannels; ++c)
            form->table().row(c).selected->setChecked(c == 0);
        form->table().setAddressKind(0, AddressKind::Name);
        form->table().row(0).name->setText(QStringLiteral("AnTermIn"));
        form->table().row(0).scale->setText(QStringLiteral("1000"));
        form->toggleRun();
        QTRY_VERIFY_WITH_TIMEOUT(p.data.ringWritePos >= 5, 8000);
        form->toggleRun();
        QTRY_VERIFY(!p.ws.linkThread.portOpen());

        // Every refused read is an entry, in the data folder; nothing beside the run's own.
        const QByteArray trace = testenv::readAll(fallback);
        QVERIFY2(trace.count(" Code=-3 ") >= p.data.ringWritePos, trace.constData());
        QCOMPARE(trace.count(" Code="), trace.count(" Code=-3 "));
        QCOMPARE(QDir(kTrace).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
        // The band says why and where, a long folder giving way in its middle.
        const QString band = form->band().line(3)->text();
        const QString why = QStringLiteral("error trace (%1: %2) now in ").arg(kTrace, QString::fromLocal8Bit(std::strerror(EISDIR)));
        QVERIFY2(band.startsWith(why + fallback.left(4)) && band.contains(QStringLiteral("CON/") + kTrace), qPrintable(band));
        QCOMPARE(band.count(QStringLiteral("error trace")), 1);
        QCOMPARE(p.dialogs.messages, QStringList{});

        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(QDir().rmdir(kTrace));
        QFile::remove(fallback);
        sim.stop();
    }
};

QTEST_MAIN(TestTrendErrorTrace)
#include "test_trend_error_trace.moc"
