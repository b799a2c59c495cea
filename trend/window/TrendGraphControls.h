#pragma once
// The fixed parts of the Trend Graph window: its heading, the axis captions, the run status and
// the buttons, placed where the window has always had them. The window connects the buttons.

#include <QColor>

class QLabel;
class QPushButton;
class QWidget;

struct TrendGraphControls {
    QLabel *runStatus = nullptr;
    QPushButton *open = nullptr;
    QPushButton *save = nullptr;
    QPushButton *print = nullptr;
    QPushButton *numberBase = nullptr;
    QPushButton *run = nullptr;
    QPushButton *stepLeft = nullptr;
    QPushButton *stepRight = nullptr;
    QPushButton *redraw = nullptr;

    // Creates the captions and buttons on `window`, in this stacking order.
    static TrendGraphControls build(QWidget *window);

    // A run is on: "RUNNING" on green; Open, Save, Print, REDRAW and the cursor buttons greyed.
    void showRunning();
    // No run: "STOP" on grey; Open, Save, Print and REDRAW live again.
    void showStopped();
    // Open, Save, Print and REDRAW, and the cursor buttons, greyed while a run starts or goes on.
    void disableRecordingButtons();
    // The cursor steps and the number base.
    void setCursorButtonsEnabled(bool enabled);
};

// Fills `widget` with `background` and writes its text in `text`.
void setWidgetColours(QWidget *widget, const QColor &background, const QColor &text);
