#include "shell/Program.h"

#include "shell/MainWindow.h"
#include "shell/MainWindowTexts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <exception>

Program::Program(Dialogs &dialogs) : ws(link, dialogs), dialogs_(dialogs)
{
    link.setMessageFunction(
        [&dialogs](const QString &text, const QString &detail) { dialogs.showMessage(text, detail); });
}

Program::~Program()
{
    // The main window closes and deletes the windows it opened.
    delete mainWindow.data();
    // The link thread gives the port back when the workspace goes.
}

void Program::start()
{
    QCoreApplication::setApplicationName(kApplicationTitle);
    mainWindow = new MainWindow(ws, trend);
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    mainWindow->show();
    mainWindow->showTrendGraph();
}

void Program::end()
{
    dialogs_.endAll();
    if (endTimer_)
        return; // ending already
    endClock_.start();
    // Not at once, so that the waits of the dialogs just cancelled return first and the handlers
    // that opened them finish before their windows close.
    endTimer_ = std::make_unique<QTimer>();
    endTimer_->setInterval(kEndRetryInterval);
    QObject::connect(endTimer_.get(), &QTimer::timeout, [this] { tryToEnd(); });
    endTimer_->start();
}

void Program::tryToEnd()
{
    const bool closed = !mainWindow || mainWindow->close();
    if (closed || endClock_.elapsed() >= kLongestEnd.count()) {
        endTimer_->stop();
        // Not quit(): it asks every window again, and one that cannot close yet would keep the
        // program running.
        QCoreApplication::exit(0);
    }
}

int startUpOrFail(Dialogs &dialogs, const std::function<void()> &start)
{
    QString reason;
    try {
        start();
    } catch (const std::exception &e) {
        reason = QString::fromLocal8Bit(e.what());
    }
    if (reason.isEmpty()) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::any_of(windows.begin(), windows.end(), [](const QWidget *w) { return w->isVisible(); }))
            return 0;
        reason = kNoWindowShown;
    }
    const QString text = kStartUpFailed.arg(reason);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    dialogs.showMessage(text);
    return kStartUpFailedExitCode;
}

QStringList recordingArguments(const QStringList &arguments)
{
    QStringList files;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QStringLiteral("--")))
            files << arguments[i];
    }
    return files;
}
