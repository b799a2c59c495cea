#pragma once
// What the windows of the program share: the link, the dialogs seam, the catalogue, the
// program-wide flags and the ways one window reaches another. Owned by the program object and
// handed to every window by reference; a test builds a fresh one in one line.

#include "base/Dialogs.h"
#include "catalogue/CatalogueData.h"
#include "link/Link.h"
#include "link/LinkThread.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

struct Workspace {
    Workspace(Link &l, Dialogs &d) : link(l), dialogs(d), linkThread(l) {}

    // The port and its buffers. Only the link thread works on it while the program runs; the
    // windows reach it through linkThread.
    Link &link;
    Dialogs &dialogs;
    LinkThread linkThread;
    CatalogueData catalogue;

    // Milliseconds slept before each trend sampling pass, as typed in the port dialog.
    QString WaitTime = QStringLiteral("0");

    bool TrendWindowOpen = false;
    // A trend run is active (from the end of its start pause until it ends).
    bool TrendRunning = false;
    bool VarListOpen = false;

    // The open windows, for the few places where one window touches another's controls by name
    // (the Trend Graph's "Button2", the Variables List's "Button1", "ListBox1", "ListBox2").
    QPointer<QWidget> trendWindow;
    QPointer<QWidget> varListWindow;
    QPointer<QWidget> monitorWindow;

    // The main window's VarList1Click: opens the Variables List.
    std::function<void()> openVarList;
    // Called by the Trend Graph and Monitor windows when they close: the main window enables
    // "Trend(&T)" and "Moniter" again.
    std::function<void()> displayWindowClosed;
};
