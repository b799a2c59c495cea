#pragma once
// The Trend Graph's keys: F5 or Ctrl+R RUN/STOP, Ctrl+O Open, Ctrl+S Save, Ctrl+E "Export CSV..."
// (shown beside it in the graph menu), Left and Right step cursor A (Shift+Left and Shift+Right
// the second cursor B), and the Menu key or Shift+F10 open the graph menu at cursor A without
// moving either cursor. Each key does what its button or menu item does, and only while that is
// enabled. The buttons' tooltips name their keys.

#include "trend/model/TrendData.h"
#include "trend/window/TrendGraphControls.h"

#include <QObject>
#include <functional>

class QAction;
class QKeyEvent;
class QWidget;
class TrendGraphView;

class TrendGraphKeys : public QObject {
    Q_OBJECT
public:
    // What the keys reach: the window that holds them (their parent), its buttons, the graph, the
    // run's rows, and what its buttons do.
    struct Parts {
        QWidget &window;
        TrendGraphControls controls;
        TrendGraphView &view;
        // "Export CSV..." of the graph menu, which Ctrl+E chooses.
        QAction &exportCsv;
        const TrendData &data;
        std::function<void()> toggleRun;
        std::function<void()> openFile;
        std::function<void()> saveFile;
        std::function<void()> stepCursorLeft;
        std::function<void()> stepCursorRight;
    };

    explicit TrendGraphKeys(Parts parts);

    // A key that reached the window (no control took it): true when it was one of the cursor keys.
    bool takeKey(const QKeyEvent &event);
    // The graph menu, opened where cursor A stands.
    void openMenuAtCursor();

private:
    void stepSecondCursor(bool right);

    Parts parts_;
};
