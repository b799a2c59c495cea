// QMX Series Trend Monitor: service tool for the QMX Series drive controllers.

#include "shell/Program.h"
#include "shell/Trendmain.h"
#include "shell/WidgetDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kApplicationTitle);
    // For start-up measurements: leave as soon as the start-up windows are shown.
    const bool exitAfterStart = QCoreApplication::arguments().contains(QStringLiteral("--exit-after-start"));

    WidgetDialogs dialogs;
    Program program(dialogs);
    try {
        program.Start();
    } catch (const std::exception &e) {
        QMessageBox::critical(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
    }
    if (exitAfterStart)
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
