#pragma once
// Open, Save and Print of the Trend Graph window. Open puts the rows of a .trd on show in place of
// the last run's (the channel table, the traces, the cursor, the band naming the file); Save writes
// the last run's rows and the band says where; Print prints the window. The .trd files themselves
// are TrendFileStore's; the window enables the cursors and shows the band afterwards.

#include "trend/window/TrendFileStore.h"

#include <QObject>

class ChannelTable;
class LoseWorkGuard;
class ReadoutBand;
class TrendGraphView;
class QWidget;
struct TrendData;
struct Workspace;

class TrendFileActions : public QObject {
    Q_OBJECT
public:
    // The parts a file shown or saved touches; they outlive this part. Prints `window`.
    struct Parts {
        Workspace &ws;
        TrendData &data;
        TrendGraphView &view;
        ChannelTable &table;
        ReadoutBand &band;
        LoseWorkGuard &guard;
    };

    TrendFileActions(const Parts &parts, QWidget *window);

    // Asks for a .trd and shows its rows; false when a file was refused (the window stays as it
    // was), true when one was opened or the user cancelled.
    bool open();
    // Saves the last run's rows to a .trd; false when nothing was saved.
    bool save();
    void print();

signals:
    // The band's saved text is new.
    void saved(const QString &text);

private:
    Parts parts_;
    QWidget *window_;
    TrendFileStore files_;
};
