#include "shell/Program.h"

#include "shell/Trendmain.h"

#include <QCoreApplication>

Program::Program(Dialogs &dialogs) : ws(link, dialogs)
{
    link.setMessageFunction(
        [&dialogs](const QString &text, const QString &detail) { dialogs.ShowMessage(text, detail); });
}

Program::~Program()
{
    for (QWidget *window : {ws.trendWindow.data(), ws.monitorWindow.data(), ws.varListWindow.data()}) {
        if (window) {
            window->close();
            delete window;
        }
    }
    delete mainWindow.data();
    // The link thread gives the port back when the workspace goes.
}

void Program::Start()
{
    QCoreApplication::setApplicationName(kApplicationTitle);
    mainWindow = new TTrendForm(ws, trend);
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    mainWindow->show();
    mainWindow->OpenTrendWindow();
}
