// QMX Series Trend Monitor: service tool for the QMX Series drive controllers.

#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "shell/StopSignals.h"
#include "shell/MainWindowTexts.h"
#include "shell/WidgetDialogs.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kApplicationTitle);
    // Every window of the program is one application to the desktop: its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("qmx-trend"));
    // For start-up measurements: leave as soon as the start-up windows are shown.
    const bool exitAfterStart = QCoreApplication::arguments().contains(QStringLiteral("--exit-after-start"));

    WidgetDialogs dialogs;
    Program program(dialogs);
    if (const int failed = startUpOrFail(dialogs, [&program] { program.start(); }))
        return failed;
    // SIGTERM and SIGHUP end the program as closing its main window does, whatever is open.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &app, [&program] { program.end(); });
    // `qmx-trend FILE...`: a Recording window for each file named.
    for (const QString &path : recordingArguments(QCoreApplication::arguments())) {
        if (program.mainWindow)
            program.mainWindow->showRecording(path);
    }
    if (exitAfterStart)
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
