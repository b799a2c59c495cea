#pragma once
// The fixed controls along the top of the Monitor window: its title, the run status, the buttons
// and the name of the file on show, placed where the window has always had them. The window
// connects the buttons.

class QLabel;
class QPushButton;
class QWidget;

struct MonitorControls {
    QLabel *runStatus = nullptr;
    QPushButton *release = nullptr;
    QPushButton *numberBase = nullptr;
    QPushButton *open = nullptr;
    QPushButton *save = nullptr;
    QPushButton *print = nullptr;
    QLabel *fileName = nullptr;

    // Creates the title, the controls and the file name's caption on `window`, in this order.
    static MonitorControls build(QWidget *window);

    // "Pause" with "Running" in green while released; "Release" with "Stop" in grey otherwise.
    void showReleased(bool released) const;
    void enableFileButtons(bool enabled) const;
};
