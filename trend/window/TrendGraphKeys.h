#pragma once
// The Trend Graph's keys: F5 or Ctrl+R RUN/STOP, Ctrl+O Open, Ctrl+S Save, Ctrl+E "Export CSV..."
// (shown beside it in the graph menu), Left and Right step cursor A (Shift+Left and Shift+Right
// the second cursor B), and the Menu key or Shift+F10 open the graph menu at cursor A without
// moving either cursor. Each key does what its button or menu item does, and only while that is
// enabled. The buttons' tooltips name their keys.

#include <QObject>

class QKeyEvent;
class TrendGraphWindow;

class TrendGraphKeys : public QObject {
    Q_OBJECT
public:
    explicit TrendGraphKeys(TrendGraphWindow &window);

    // A key that reached the window (no control took it): true when it was one of the cursor keys.
    bool takeKey(const QKeyEvent &event);
    // The graph menu, opened where cursor A stands.
    void openMenuAtCursor();

private:
    void stepSecondCursor(bool right);

    TrendGraphWindow &window_;
};
