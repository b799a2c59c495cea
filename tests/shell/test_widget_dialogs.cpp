// The widget-backed dialogs seam: a message with its detailed text (a port that would not open),
// file dialog filters named once, the default extension of the Open dialogs, and a question
// that the program's end cancels.

#include "link/Link.h"
#include "monitor/MonitorTexts.h"
#include "shell/WidgetDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Runs `inspect` on the modal window the next call opens, once it is shown.
template <typename Fn> void whenModalShown(Fn inspect)
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
    void initTestCase() { testenv::prepare(); }

    void messageCarriesDetail()
    {
        WidgetDialogs dialogs;
        Dialogs &seam = dialogs;
        const QString detail = QStringLiteral("/dev/ttyUSB0: permission denied. Join the dialout group "
                                              "(sudo usermod -a -G dialout $USER) and log in again.");
        QString text, detailed;
        whenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            text = box->text();
            detailed = box->informativeText();
            QVERIFY(box->detailedText().isEmpty()); // nothing hidden behind "Show Details..."
            if (qEnvironmentVariableIsSet("QMX_SHOT_DIR")) // a picture to look at, when asked for
                box->grab().save(qEnvironmentVariable("QMX_SHOT_DIR") + QStringLiteral("/message-detail.png"));
            box->accept();
        });
        seam.showMessage(kCreateFileError, detail);
        QCOMPARE(text, kCreateFileError);
        QCOMPARE(detailed, detail);

        // Without detail the box is the plain one.
        whenModalShown([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            detailed = box->informativeText();
            box->accept();
        });
        seam.showMessage(kCreateFileError);
        QVERIFY(detailed.isEmpty());
    }

    // A Save / Discard / Cancel question answered by the user, and one open when the program is
    // told to end: nobody is there to answer it, so it answers Discard, as every later one does.
    void questionOpenAtTheEndAnswersDiscard()
    {
        WidgetDialogs dialogs;
        whenModalShown([](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            box->button(QMessageBox::Cancel)->click();
        });
        QCOMPARE(dialogs.askBeforeLosingWork(kCloseUnsavedRunQuestion), Dialogs::LoseWorkAnswer::Cancel);

        whenModalShown([&dialogs](QWidget *modal) {
            QVERIFY(qobject_cast<QMessageBox *>(modal));
            dialogs.endAll();
        });
        QCOMPARE(dialogs.askBeforeLosingWork(kCloseUnsavedRunQuestion), Dialogs::LoseWorkAnswer::Discard);
        QCOMPARE(dialogs.askBeforeLosingWork(kCloseUnsavedRunQuestion), Dialogs::LoseWorkAnswer::Discard);
    }

    void filtersNameTheirPatternsOnce()
    {
        QCOMPARE(WidgetDialogs::qtFilter(kTrendFileFilter), QStringLiteral("TRendDataFile(*.trd)"));
        QCOMPARE(WidgetDialogs::qtFilter(monitor::kMonitorFileFilter), QStringLiteral("Moniter Data(*.mon)"));
        QCOMPARE(WidgetDialogs::qtFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
        QCOMPARE(WidgetDialogs::firstExtension(kTrendFileFilter), QStringLiteral("trd"));
    }

    void openDialogUsesDefaultExtension()
    {
        QFile file(QDir::current().filePath(QStringLiteral("run1.trd")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        WidgetDialogs dialogs;
        QStringList filters;
        whenModalShown([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            dialog->setDirectory(QDir::current());
            dialog->selectFile(QStringLiteral("run1")); // typed without its extension
            QMetaObject::invokeMethod(dialog, &QDialog::accept); // as the Open button does
        });
        const QString chosen = dialogs.askOpenFile(kTrendFileFilter);
        QCOMPARE(filters, QStringList{QStringLiteral("TRendDataFile(*.trd)")});
        QCOMPARE(QFileInfo(chosen).fileName(), QStringLiteral("run1.trd"));
    }

    // Save offers the suggested name in the folder last used for that kind of file, and replaces
    // a file that exists only when the user says yes.
    void saveConfirmsReplacingAndRemembersTheFolder()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile existing(folder.filePath(QStringLiteral("keep.csv")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        WidgetDialogs::rememberFolder(QStringLiteral("csv"), folder.filePath(QStringLiteral("any.csv")));

        WidgetDialogs dialogs;
        const auto saveOver = [&](QMessageBox::StandardButton answer, QString *suggested, QString *startFolder) {
            whenModalShown([=](QWidget *modal) {
                auto *dialog = qobject_cast<QFileDialog *>(modal);
                QVERIFY(dialog);
                *suggested = dialog->selectedFiles().value(0);
                *startFolder = dialog->directory().absolutePath();
                dialog->selectFile(QStringLiteral("keep.csv"));
                // The question comes while the dialog takes the name.
                QTimer::singleShot(0, qApp, [=] {
                    auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                    QVERIFY(question);
                    question->button(answer)->click();
                    if (answer == QMessageBox::No)
                        QTimer::singleShot(0, dialog, &QDialog::reject);
                });
                QMetaObject::invokeMethod(dialog, &QDialog::accept);
            });
        };
        QString suggested, startFolder;
        saveOver(QMessageBox::No, &suggested, &startFolder);
        QCOMPARE(dialogs.askSaveFile(QStringLiteral("CSV file(*.csv)|*.csv"), QStringLiteral("csv"),
                                     QStringLiteral("trend-20261207-101500.csv")),
                 QString());
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("trend-20261207-101500.csv"));
        QCOMPARE(startFolder, QDir(folder.path()).absolutePath());

        saveOver(QMessageBox::Yes, &suggested, &startFolder);
        QCOMPARE(dialogs.askSaveFile(QStringLiteral("CSV file(*.csv)|*.csv"), QStringLiteral("csv")),
                 QDir(folder.path()).absoluteFilePath(QStringLiteral("keep.csv")));
        QCOMPARE(WidgetDialogs::folderFor(QStringLiteral("csv")), QDir(folder.path()).absolutePath());
    }
};

QTEST_MAIN(TestWidgetDialogs)
#include "test_widget_dialogs.moc"
