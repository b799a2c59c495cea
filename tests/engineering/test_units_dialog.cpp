// The units dialog, the one writer of the units file, with real files: a variable's line replaced
// where it stands, a new one added at the end, the other lines (comments, lines the reader ignores,
// another variable's) kept byte for byte, "No scale" taking only that line out, a refused field
// writing nothing, and a file that cannot be written told and left as it was. Then the dialog as the
// channel table's and the Variables List's context menus open it.

#include "base/TextFile.h"
#include "catalogue/VariablesListWindow.h"
#include "engineering/UnitsDialog.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "trend/window/ChannelTable.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestUnitsDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void editsOnlyTheVariablesLine();
    void refusalsWriteNothing();
    void fieldsShowNumbersAsWritten();
    void openedFromTheWindows();
};

void TestUnitsDialog::editsOnlyTheVariablesLine()
{
    const QStringList lines = {"# my drive", "SpdFbk\t0.5\t0\trpm", "bad line", "600E60\t2\t1\tV  # by address"};
    // SpdFbk replaced in place; a new variable at the end; the address entry found however written.
    QCOMPARE(unitsfile::withEntry(lines, "SpdFbk", UnitScale{0.25, -3, "rpm"}),
             QStringList({"# my drive", "SpdFbk\t0.25\t-3\trpm", "bad line", "600E60\t2\t1\tV  # by address"}));
    QCOMPARE(unitsfile::withEntry(lines, "TrqFbk", UnitScale{0.1, 0, "%"}).constLast(), QString("TrqFbk\t0.1\t0\t%"));
    QCOMPARE(unitsfile::withEntry(lines, "00600e60", std::nullopt),
             QStringList({"# my drive", "SpdFbk\t0.5\t0\trpm", "bad line"}));
    // A new file begins with the heading that says what the columns are.
    const QStringList fresh = unitsfile::withEntry({}, "SpdFbk", UnitScale{2, 0, ""});
    QCOMPARE(fresh.size(), 2);
    QVERIFY(fresh.first().startsWith('#'));
    QCOMPARE(UnitsTable::parse(fresh, "Units.txt").findName("SpdFbk")->gain, 2.0);

    // Through the dialog on a real file: the fields show the scale there; Save writes it whole.
    QTemporaryDir dir;
    const QString path = dir.filePath("Units.txt");
    QVERIFY(textfile::writeAtomically(path, textfile::joinLinesCrLf(lines)));
    ScriptedDialogs dialogs;
    UnitsDialog dialog(dialogs, "SpdFbk", path, nullptr);
    QCOMPARE(dialog.gain()->text(), QString("0.5"));
    QCOMPARE(dialog.unit()->text(), QString("rpm"));
    QVERIFY(dialog.removeButton()->isEnabled());
    QSignalSpy changed(&dialog, &UnitsDialog::unitsChanged);
    dialog.gain()->setText("0.125");
    dialog.offset()->setText("10");
    dialog.saveButton()->click();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(contents(path), QByteArray("# my drive\r\nSpdFbk\t0.125\t10\trpm\r\nbad line\r\n600E60\t2\t1\tV  # by address\r\n"));
    UnitsDialog again(dialogs, "SpdFbk", path, nullptr);
    again.removeButton()->click();
    QCOMPARE(contents(path), QByteArray("# my drive\r\nbad line\r\n600E60\t2\t1\tV  # by address\r\n"));
    QVERIFY(dialogs.messages.isEmpty());
}

// A gain written as 0.1 shows as 0.1, not as the seventeen digits of the nearest double: the
// fields show each number in its shortest form that reads back the same, as the file holds it.
void TestUnitsDialog::fieldsShowNumbersAsWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Units.txt");
    QVERIFY(textfile::writeAtomically(path, "SpdFbk\t0.1\t-273.15\trpm\r\nTrq\t0.3333333333333333\t1e-9\tNm\r\n"));
    ScriptedDialogs dialogs;
    UnitsDialog speed(dialogs, "SpdFbk", path, nullptr);
    QCOMPARE(speed.gain()->text(), QString("0.1"));
    QCOMPARE(speed.offset()->text(), QString("-273.15"));
    UnitsDialog torque(dialogs, "Trq", path, nullptr);
    QCOMPARE(torque.gain()->text(), QString("0.3333333333333333"));
    QCOMPARE(torque.offset()->text(), QString("1e-09"));
    QCOMPARE(torque.gain()->text().toDouble(), 1.0 / 3.0);
    // Saved untouched, the file keeps its numbers.
    torque.saveButton()->click();
    QVERIFY(contents(path).contains("Trq\t0.3333333333333333\t1e-09\tNm\r\n"));
}

void TestUnitsDialog::refusalsWriteNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Units.txt");
    QVERIFY(textfile::writeAtomically(path, "SpdFbk\t0.5\t0\trpm\r\n"));
    ScriptedDialogs dialogs;
    UnitsDialog dialog(dialogs, "SpdFbk", path, nullptr);
    for (const auto &[gain, offset, unit] : {std::tuple{"0", "0", "rpm"}, std::tuple{"x", "0", "rpm"},
                                             std::tuple{"1", "nan", "rpm"}, std::tuple{"1", "0", "r#m"}}) {
        dialog.gain()->setText(gain);
        dialog.offset()->setText(offset);
        dialog.unit()->setText(unit);
        dialog.saveScale();
        QVERIFY(!dialog.problem()->text().isEmpty());
        QCOMPARE(contents(path), QByteArray("SpdFbk\t0.5\t0\trpm\r\n"));
    }
    // A file where there is a folder: told with the path and the reason, nothing else changed.
    const QString folder = dir.filePath("Units-folder");
    QVERIFY(QDir().mkdir(folder));
    UnitsDialog blocked(dialogs, "SpdFbk", folder, nullptr);
    blocked.gain()->setText("2");
    blocked.saveScale();
    QCOMPARE(dialogs.messages, QStringList{"The units could not be saved."});
    QVERIFY(dialogs.details.constLast().contains(folder));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(blocked.result(), int(QDialog::Rejected));
}

void TestUnitsDialog::openedFromTheWindows()
{
    Link link;
    ScriptedDialogs dialogs;
    Workspace ws(link, dialogs);
    QWidget window;
    ChannelTable table(ws, QImage(20, 320, QImage::Format_RGB32), &window);
    QVERIFY(!table.openUnitsDialog(0)); // an empty name field
    table.row(0).name->setText("SpdFbk");
    UnitsDialog *fromTable = table.openUnitsDialog(0);
    QVERIFY(fromTable);
    QCOMPARE(fromTable->windowTitle(), QString("Units of SpdFbk"));
    QVERIFY(!table.openUnitsDialog(8)); // a logic channel takes no scale
    fromTable->close();

    VariablesListWindow list(ws);
    list.nameList()->setCurrentRow(-1);
    QVERIFY(!list.openUnitsDialog()); // no variable chosen
    list.nameList()->item(0)->setText("PI3A11");
    list.nameList()->setCurrentRow(0);
    UnitsDialog *fromList = list.openUnitsDialog();
    QVERIFY(fromList);
    QCOMPARE(fromList->windowTitle(), QString("Units of PI3A11"));
    fromList->close();
}

QTEST_MAIN(TestUnitsDialog)
#include "test_units_dialog.moc"
