// The widget-backed dialogs seam: a message with its detailed text (a port that would not open),
// file dialog filters named once, and the default extension of the Open dialogs.

#include "link/Link.h"
#include "monitor/MonitorTexts.h"
#include "shell/WidgetDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "trend/TrendFile.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {

// Runs `inspect` on the modal window the next call opens, once it is shown.
template <typename Fn> void WhenModalShown(Fn inspect)
{
    QTimer::singleShot(0, qApp, [inspect] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        inspect(modal);
    });
}

} // namespace

class TestWidgetDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testenv::Prepare(); }

    void messageCarriesDetail()
    {
        WidgetDialogs dialogs;
        Dialogs &seam = dialogs;
        const QString detail = QStringLiteral("/dev/ttyUSB0: permission denied. Join the dialout group "
                                              "(sudo usermod -a -G dialout $USER) and log in again.");
        QString text, detailed;
        WhenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            text = box->text();
            detailed = box->informativeText();
            QVERIFY(box->detailedText().isEmpty()); // nothing hidden behind "Show Details..."
            if (qEnvironmentVariableIsSet("QMX_SHOT_DIR")) // a picture to look at, when asked for
                box->grab().save(qEnvironmentVariable("QMX_SHOT_DIR") + QStringLiteral("/message-detail.png"));
            box->accept();
        });
        seam.ShowMessage(kCreateFileError, detail);
        QCOMPARE(text, kCreateFileError);
        QCOMPARE(detailed, detail);

        // Without detail the box is the plain one.
        WhenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            detailed = box->informativeText();
            box->accept();
        });
        seam.ShowMessage(kCreateFileError);
        QVERIFY(detailed.isEmpty());
    }

    void filtersNameTheirPatternsOnce()
    {
        QCOMPARE(WidgetDialogs::QtFilter(trendfile::kFilter), QStringLiteral("TRendDataFile(*.trd)"));
        QCOMPARE(WidgetDialogs::QtFilter(monitor::kMonitorFileFilter), QStringLiteral("Moniter Data(*.mon)"));
        QCOMPARE(WidgetDialogs::QtFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
        QCOMPARE(WidgetDialogs::FirstExtension(trendfile::kFilter), QStringLiteral("trd"));
    }

    void openDialogUsesDefaultExtension()
    {
        QFile file(QDir::current().filePath(QStringLiteral("run1.trd")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        WidgetDialogs dialogs;
        QStringList filters;
        WhenModalShown([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            dialog->setDirectory(QDir::current());
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QStringLiteral("run1")); // typed without its extension
            QMetaObject::invokeMethod(dialog, &QDialog::accept); // as the Open button does
        });
        const QString chosen = dialogs.AskOpenFile(trendfile::kFilter);
        QCOMPARE(filters, QStringList{QStringLiteral("TRendDataFile(*.trd)")});
        QCOMPARE(QFileInfo(chosen).fileName(), QStringLiteral("run1.trd"));
    }
};

QTEST_MAIN(TestWidgetDialogs)
#include "test_widget_dialogs.moc"
