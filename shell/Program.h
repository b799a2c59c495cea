#pragma once
// The program object: owns the link, the program-wide data and the main window. A test builds a
// fresh program in one line with its own dialogs.

#include "base/Dialogs.h"
#include "catalogue/Workspace.h"
#include "link/Link.h"
#include "trend/TrendData.h"

#include <QPointer>

class TTrendForm;

class Program {
public:
    explicit Program(Dialogs &dialogs);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Start-up: the main window, then the Trend Graph (which opens the Variables List).
    void Start();

    Link link;
    Workspace ws;
    TrendData trend;
    QPointer<TTrendForm> mainWindow;
};
