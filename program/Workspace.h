#pragma once
// What the windows of the program share: the link, the dialogs seam, the catalogue, the run
// state and the typed links between windows. Owned by the program object and handed
// to every window by reference; a test builds a fresh one in one line.

#include "base/Dialogs.h"
#include "catalogue/CatalogueData.h"
#include "program/WindowLinks.h"
#include "link/Link.h"
#include "link/LinkThread.h"
#include "program/Session.h"

#include <QRect>
#include <QString>
#include <optional>

struct Workspace {
    Workspace(Link &l, Dialogs &d) : link(l), dialogs(d), linkThread(l) {}

    // The port and its buffers. Only the link thread works on it while the program runs; the
    // windows reach it through linkThread.
    Link &link;
    Dialogs &dialogs;
    LinkThread linkThread;
    CatalogueData catalogue;
    // Which windows are open, who holds the line, whether a catalogue is decoded.
    Session session;
    WindowLinks links;

    // Where the Trend Graph's Read-out window stood when last seen, for as long as the program runs.
    std::optional<QRect> readoutWindowPlace;
};
