// The units file: lines taken and lines named and ignored, which entry a channel takes when its name
// and its address both have one, and the file as the units dialog writes it.

#include "engineering/UnitsTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestUnitsTable : public QObject {
    Q_OBJECT

private slots:
    void linesTakenAndIgnored()
    {
        const QStringList lines{
            QStringLiteral("# speed loop"),
            QStringLiteral("SpdFbk\t0.5\t-10\trpm"),
            QString(),
            QStringLiteral("   \t  "),
            QStringLiteral("600E62\t2\t0\tA   # motor current"),
            QStringLiteral("Torque\t1e-3\t0"),                 // no unit
            QStringLiteral("Ratio\t0.25\t1\t%\textra"),         // five fields
            QStringLiteral("Volts\tx2\t0\tV"),                  // gain no number
            QStringLiteral("Temp\t1\tnan\tdegC"),               // offset no finite number
            QStringLiteral("Flux\t0\t0\tWb"),                   // gain 0
            QStringLiteral("Speed 2\t1\t0\trpm"),               // blank inside the key
            QStringLiteral("\t1\t0\trpm"),                      // no key
            QStringLiteral("OnlyTwo\t1"),                       // too few fields
            QStringLiteral("SpdFbk\t3\t0\trpm"),                // given again
            QStringLiteral("Pos\t inf\t0\tdeg"),                // gain infinite
            QStringLiteral("  Bus \t 1.5 \t 0.25 \t V \r"),     // blanks about the fields
        };
        std::vector<UnitsProblem> problems;
        const UnitsTable table = UnitsTable::parse(lines, QStringLiteral("/home/eng/Units.txt"), &problems);

        QCOMPARE(table.entries().size(), std::size_t(4));
        QCOMPARE(table.entries()[0].key, QStringLiteral("SpdFbk"));
        QCOMPARE(table.entries()[0].scale, (UnitScale{0.5, -10, QStringLiteral("rpm")}));
        QCOMPARE(table.entries()[0].line, 2);
        QCOMPARE(table.entries()[1].scale, (UnitScale{2, 0, QStringLiteral("A")}));
        QCOMPARE(table.entries()[2].scale, (UnitScale{0.001, 0, QString()}));
        QCOMPARE(table.entries()[3].key, QStringLiteral("Bus"));
        QCOMPARE(table.entries()[3].scale, (UnitScale{1.5, 0.25, QStringLiteral("V")}));

        QStringList named;
        for (const UnitsProblem &problem : problems)
            named << problem.text();
        const QStringList expected{
            QStringLiteral("Units.txt:7: more than 4 tab-separated fields"),
            QStringLiteral("Units.txt:8: gain \"x2\" is not a finite number"),
            QStringLiteral("Units.txt:9: offset \"nan\" is not a finite number"),
            QStringLiteral("Units.txt:10: gain is 0"),
            QStringLiteral("Units.txt:11: \"Speed 2\" is no variable name or address (blanks inside)"),
            QStringLiteral("Units.txt:12: no variable name or address"),
            QStringLiteral("Units.txt:13: expected NAME_OR_ADDRESS<TAB>gain<TAB>offset<TAB>unit, found 2 field(s)"),
            QStringLiteral("Units.txt:14: \"SpdFbk\" is already given on line 2"),
            QStringLiteral("Units.txt:15: gain \"inf\" is not a finite number"),
        };
        QCOMPARE(named, expected);
        // The first line given for a key counts.
        QCOMPARE(table.findName(QStringLiteral("SpdFbk"))->gain, 0.5);
    }

    // A line that names a bad field shows it whole, a NUL byte or another control character as
    // \xHH (a message printed as C text would end at a NUL); a unit holding a bracket is refused, for
    // a header "NAME [unit]" would be read with another name and unit ("SpdFbk [A] [B]").
    void fieldsShownWholeAndUnitsWithoutBrackets()
    {
        const QStringList lines{
            QStringLiteral("Spd") + QChar(0) + QStringLiteral("Fbk\t1\t0\trpm"),
            QStringLiteral("Trq\tx") + QChar(0) + QStringLiteral("y\t0\tNm"),
            QStringLiteral("Cur\t1\t0\tA] [B"),
            QStringLiteral("Volt\t1\t0\t[V"),
            QStringLiteral("Temp\t1\t0\tdeg") + QChar(0x1b),
            QStringLiteral("Bus\t2\t0\tV"),
        };
        std::vector<UnitsProblem> problems;
        const UnitsTable table = UnitsTable::parse(lines, QStringLiteral("Units.txt"), &problems);
        QCOMPARE(table.entries().size(), std::size_t(1));
        QStringList named;
        for (const UnitsProblem &problem : problems)
            named << problem.text();
        QCOMPARE(named, (QStringList{
                            QStringLiteral("Units.txt:1: \"Spd\\x00Fbk\" holds a control character"),
                            QStringLiteral("Units.txt:2: gain \"x\\x00y\" is not a finite number"),
                            QStringLiteral("Units.txt:3: unit \"A] [B\" holds [ or ], which a column's header "
                                           "NAME [unit] cannot carry"),
                            QStringLiteral("Units.txt:4: unit \"[V\" holds [ or ], which a column's header "
                                           "NAME [unit] cannot carry"),
                            QStringLiteral("Units.txt:5: unit \"deg\\x1b\" holds a control character"),
                        }));
        UnitsTable edited;
        QVERIFY(!edited.set(QStringLiteral("Cur"), UnitScale{1, 0, QStringLiteral("A] [B")}));
        QVERIFY(!edited.set(QStringLiteral("Spd") + QChar(0), UnitScale{}));
    }

    void nameWinsOverAddress()
    {
        const UnitsTable table = UnitsTable::parse(
            {QStringLiteral("00600E60\t10\t0\tmV"), QStringLiteral("SpdFbk\t0.5\t0\trpm"),
             QStringLiteral("abc\t3\t0\tbar"), QStringLiteral("InvFlag\t7\t0\tx")},
            QStringLiteral("Units.txt"));
        // SpdFbk lies at 600E60: its name's entry counts, whatever the address has.
        QCOMPARE(table.find(QStringLiteral("SpdFbk"), 0x600E60u)->unit, QStringLiteral("rpm"));
        // Another variable at that address, without an entry of its own, takes the address's.
        QCOMPARE(table.find(QStringLiteral("SpdRef"), 0x600E60u)->unit, QStringLiteral("mV"));
        QCOMPARE(table.find(QString(), 0x600E60u)->gain, 10.0);
        // Addresses compare as numbers: case and leading zeros do not matter; names as they stand.
        QCOMPARE(table.findAddress(0xABC)->unit, QStringLiteral("bar"));
        QVERIFY(!table.findName(QStringLiteral("ABC")));
        QVERIFY(!table.findName(QStringLiteral("spdfbk")));
        QVERIFY(!table.find(QStringLiteral("SpdRef"), 0x600E62u));
        QVERIFY(!table.find(QStringLiteral("SpdRef"), std::nullopt));
        // A key of letters that are no hex digits is a name only.
        QVERIFY(!UnitsTable::keyAddress(QStringLiteral("InvFlag")));
        QVERIFY(!UnitsTable::keyAddress(QStringLiteral("0x600E60")));
        QVERIFY(!UnitsTable::keyAddress(QStringLiteral("123456789")));
        QCOMPARE(UnitsTable::keyAddress(QStringLiteral("600e60")), std::optional<std::uint32_t>(0x600E60));
        QCOMPARE(table.find(QStringLiteral("SpdFbk"), 0x600E60u)->apply(-2000), -1000.0);
    }

    // A units file of plant size loads before the port opens: its time grows with its lines, not
    // with their square. Eight times the lines may take at most three times eight the time (a
    // quadratic load takes sixty-four times); the shorter load is timed at its best of three.
    void loadTimeGrowsWithTheLines()
    {
        const auto lines = [](int count) {
            QStringList text;
            for (int n = 0; n < count; ++n)
                text << (n % 2 ? QStringLiteral("Var%1\t0.5\t1\trpm").arg(n)
                               : QStringLiteral("%1\t2\t0\tA").arg(0x600000 + n, 0, 16));
            return text;
        };
        const auto loadAndLookUp = [](const QStringList &text) {
            QElapsedTimer timer;
            timer.start();
            const UnitsTable table = UnitsTable::parse(text, QStringLiteral("Units.txt"));
            std::size_t found = 0;
            for (const UnitsEntry &entry : table.entries())
                found += table.find(entry.key, UnitsTable::keyAddress(entry.key)) == &entry.scale;
            if (found != static_cast<std::size_t>(text.size()))
                return qint64(-1);
            return std::max<qint64>(timer.nsecsElapsed(), 1);
        };
        const QStringList small = lines(5000);
        const QStringList large = lines(40000);
        qint64 smallTime = std::numeric_limits<qint64>::max();
        for (int turn = 0; turn < 3; ++turn)
            smallTime = std::min(smallTime, loadAndLookUp(small));
        const qint64 largeTime = loadAndLookUp(large);
        QVERIFY(smallTime > 0 && largeTime > 0);
        QVERIFY2(largeTime < 24 * smallTime,
                 qPrintable(QStringLiteral("5,000 lines %1 ms, 40,000 lines %2 ms")
                                .arg(smallTime / 1e6)
                                .arg(largeTime / 1e6)));
        // The first entry of an address still counts, however it is spelt.
        const UnitsTable table = UnitsTable::parse(
            {QStringLiteral("600e60\t3\t0\tV"), QStringLiteral("00600E60\t4\t0\tV")}, QStringLiteral("Units.txt"));
        QCOMPARE(table.findAddress(0x600E60)->gain, 3.0);
    }

    void writtenFileReadsBackTheSame()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(UnitsTable::fileName());
        // No file yet: no units and no error.
        QString error = QStringLiteral("untouched");
        std::vector<UnitsProblem> problems;
        QVERIFY(UnitsTable::read(path, &problems, &error).isEmpty());
        QCOMPARE(error, QStringLiteral("untouched"));

        UnitsTable table;
        QVERIFY(table.set(QStringLiteral("SpdFbk"), UnitScale{0.1, -273.15, QStringLiteral("degC")}));
        QVERIFY(table.set(QStringLiteral("600E62"), UnitScale{1.0 / 3.0, 0, QStringLiteral("A")}));
        QVERIFY(table.set(QStringLiteral("SpdFbk"), UnitScale{0.2, 1e-9, QStringLiteral("rpm")})); // replaced in place
        QVERIFY(!table.set(QStringLiteral("Two words"), UnitScale{}));
        QVERIFY(!table.set(QStringLiteral("Unit"), UnitScale{1, 0, QStringLiteral("A\tB")}));
        QVERIFY(!table.set(QStringLiteral("Unit"), UnitScale{1, 0, QStringLiteral("#")}));
        QVERIFY(!table.set(QStringLiteral("Unit"), UnitScale{std::nan(""), 0, QString()}));
        QVERIFY(!table.set(QStringLiteral("Unit"), UnitScale{1, 0, QStringLiteral("\u03a9")})); // not Latin-1
        QVERIFY(table.set(QStringLiteral("Temp"), UnitScale{1, 0, QStringLiteral("\u00b0C")}));   // Latin-1
        QVERIFY(table.remove(QStringLiteral("Temp")));
        QVERIFY(!table.remove(QStringLiteral("Temp")));
        QVERIFY(table.set(QStringLiteral("Temp"), UnitScale{1, 0, QStringLiteral("\u00b0C")}));
        QVERIFY2(table.write(path, &error), qPrintable(error));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, QByteArray("# NAME_OR_ADDRESS<TAB>gain<TAB>offset<TAB>unit: engineering value = raw x gain + offset\r\n"
                                   "SpdFbk\t0.2\t1e-09\trpm\r\n"
                                   "600E62\t0.3333333333333333\t0\tA\r\n"
                                   "Temp\t1\t0\t\xb0" "C\r\n"));
        const UnitsTable back = UnitsTable::read(path, &problems, &error);
        QVERIFY(problems.empty());
        QCOMPARE(back.entries().size(), table.entries().size());
        for (std::size_t i = 0; i < back.entries().size(); ++i) {
            QCOMPARE(back.entries()[i].key, table.entries()[i].key);
            QCOMPARE(back.entries()[i].scale, table.entries()[i].scale); // exactly: shortest form reads back
        }

        // A write that fails leaves the file that was there.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        UnitsTable other;
        other.set(QStringLiteral("X"), UnitScale{});
        const bool written = other.write(path, &error);
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (::geteuid() != 0) {
            QVERIFY(!written);
            QVERIFY(!error.isEmpty());
            QCOMPARE(UnitsTable::read(path).entries().size(), std::size_t(3));
        }

        // Something that is no file: an empty table and the reason.
        error.clear();
        QVERIFY(UnitsTable::read(dir.path(), &problems, &error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("folder")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestUnitsTable)
#include "test_units_table.moc"
