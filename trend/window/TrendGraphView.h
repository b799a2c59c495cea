#pragma once
// The graph of the Trend Graph window: its layers and picture, the read-out cursor and the second
// cursor, the colour key, a reference laid behind the traces, and the graph menu, into which the
// window's parts put their own items (GraphExport the export at its head, RecordToFileControl
// "Record to file..." after the view's items). The window tells it when the cursors may be used
// and what the run does.

#include "program/Workspace.h"
#include "trend/graph/GraphLayers.h"
#include "trend/model/TrendData.h"

#include <QObject>
#include <functional>
#include <optional>

class PictureWidget;
class QAction;
class QMenu;

class TrendGraphView : public QObject {
    Q_OBJECT
public:
    static constexpr QPoint kPlace{50, 40};

    TrendGraphView(Workspace &ws, TrendData &data, QWidget *window);

    GraphLayers &layers() { return layers_; }
    const GraphLayers &layers() const { return layers_; }
    PictureWidget *picture() const { return picture_; }
    // The colour key is shown by the channel table; the view draws it.
    void setKeyPicture(PictureWidget *key) { keyPicture_ = key; }

    // The cursors may be read and moved: rows are shown and no run draws into the graph.
    void setCursorsEnabled(bool enabled) { cursorsEnabled_ = enabled; }
    bool cursorsEnabled() const { return cursorsEnabled_; }
    // A run is starting or active: nothing can be exported meanwhile.
    void setRunState(bool starting, bool active);
    bool runActive() const { return runActive_; }
    // There are rows to export: those the cursors read, or, after STOP and before REDRAW, the run's.
    bool rowsShown() const;

    // Drawing.
    // The layers as a window opens: grid, no traces, the cursor at its resting place.
    void initLayers();
    void redrawRecordedTraces();
    void drawCursorLayer();
    void compose(bool withCursor);
    void repaintChangedColumns();
    void drawColourKey(bool selectedOnly);
    // The window's background (button-shadow) colour, also the colour key's background.
    QRgb background() const;

    // Values read at the cursor are shown through this.
    void setValueFields(std::function<void(int channel, const QString &text)> show) { showValue_ = std::move(show); }
    // Dec or Hex, for the values at the cursor and the band.
    void setHex(bool hex) { hex_ = hex; }
    bool hex() const { return hex_; }
    // The values of the selected channels at the cursor; "<<" reads logic values as high or low.
    void showCursorValues(bool highLow = false);

    // Cursors. The first cursor (A) stands at cursorX(). A press moves it (while the cursors may be
    // used), "<<" and ">>" step it; a Shift+press sets the second.
    void clickAt(int x);
    void stepCursorLeft();
    void stepCursorRight();
    void moveCursor(int x);
    int cursorX() const { return cursor_.x; }
    // Puts cursor A at x (REDRAW and Open: on the last row) without drawing it.
    void placeCursor(int x) { cursor_.x = x; }
    void setSecondCursor(int x);
    void clearSecondCursor();
    std::optional<int> secondCursorX() const { return secondCursorX_; }
    // REDRAW keeps the second cursor on the rows it shows, or drops it when there are none.
    void keepSecondCursorOnRows();
    void forgetSecondCursor() { secondCursorX_.reset(); }

    // Graph menu.
    QMenu *menu() const { return menu_; }
    QAction *clearSecondCursorAction() const { return clearSecondCursorAction_; }
    QAction *readoutAction() const { return readoutAction_; }
    QAction *triggerAction() const { return triggerAction_; }
    QAction *referenceAction() const { return referenceAction_; }
    QAction *clearReferenceAction() const { return clearReferenceAction_; }
    // A .trd asked for and drawn dimmed behind the traces on a layer of its own; the traces' own
    // pixels stay as they are. It stays through runs, Open and REDRAW until cleared.
    void openReference();
    void clearReference();
    // The row where the trigger fired, marked on the cursor layer; nothing: no mark.
    void setTriggerMark(std::optional<int> x) { triggerMarkX_ = x; }
    // Where the trigger row of the rows shown is marked, while they are a triggered run's.
    std::optional<int> triggerMarkX() const { return triggerMarkX_; }
    // The view's own items follow the state; menuUpdated() asks the other parts for theirs.
    void updateMenu();

signals:
    // The cursors moved: the band has something new to show.
    void readoutChanged();
    // A reference was laid behind the traces or taken away: what the band says of it.
    void referenceChanged(const QString &text);
    // The menu is about to be shown or the window's state changed: the parts that put items into
    // the graph menu bring them up to date.
    void menuUpdated();
    // "Read-out..." in the graph menu: the window with every channel's figures is wanted.
    void readoutWindowAsked();
    // "Trigger..." in the graph menu: the trigger set-up is wanted.
    void triggerDialogAsked();

private:
    Workspace &ws_;
    TrendData &data_;
    QWidget *window_;
    GraphLayers layers_;
    PictureWidget *picture_ = nullptr;
    PictureWidget *keyPicture_ = nullptr;
    bool cursorsEnabled_ = false;
    bool hex_ = false;
    std::function<void(int, const QString &)> showValue_;
    bool runStarting_ = false;
    bool runActive_ = false;
    cursor::Position cursor_;
    std::optional<int> secondCursorX_;

    QMenu *menu_ = nullptr;
    QAction *clearSecondCursorAction_ = nullptr;
    QAction *readoutAction_ = nullptr;
    QAction *triggerAction_ = nullptr;
    QAction *referenceAction_ = nullptr;
    QAction *clearReferenceAction_ = nullptr;
    std::optional<int> triggerMarkX_;
};
