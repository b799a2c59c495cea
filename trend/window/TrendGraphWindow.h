#pragma once
// The Trend Graph window: the channel table, the graph with its cursors and menu, the read-out band
// and the buttons that run, redraw, open, save and print. It builds these parts and wires them
// together: RUN/STOP (RunControl) starts a run (TrendRun), which reads and stores the passes, the
// graph view draws them, the band shows the figures; Open, Save and Print are TrendFileActions'.

#include "program/Workspace.h"
#include "link/ExchangeStats.h"
#include "trend/graph/PictureWidget.h"
#include "trend/window/TrendGraphControls.h"
#include "trend/model/TrendData.h"
#include "trend/model/Trigger.h"

#include <QWidget>
#include <memory>
#include <optional>

class ChannelTable;
class GraphExport;
class QLabel;
class QMenu;
class QPushButton;
class ReadoutBand;
class ReadoutWindow;
class RecordToFileControl;
class RunControl;
class TrendFileActions;
class UnitsTable;
class TrendGraphView;
class TrendRun;
class TriggerControl;
class TriggerDialog;
class GraphLayers;
class LoseWorkGuard;
class MathChannelsControl;
class TrendGraphKeys;


class TrendGraphWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 816;
    static constexpr int kHeight = 533;

    TrendGraphWindow(Workspace &ws, TrendData &data, QWidget *parent = nullptr);
    ~TrendGraphWindow() override;

    // Handlers of the buttons and the graph.
    void toggleRun();
    void redraw();
    void stepCursorLeft();
    void stepCursorRight();
    void toggleNumberBase();
    void openTrendFile();
    void saveTrendFile();
    void printWindow();
    // A press on the graph at x moves the read-out cursor there.
    void graphClicked(int x);
    // A Shift+press puts the second cursor there.
    void setSecondCursor(int x);
    void clearSecondCursor();
    // "Read-out...": opens the Read-out window beside this one, or brings it forward.
    void openReadoutWindow();
    // "Trigger...": opens the trigger set-up beside this window, or brings it forward.
    void openTriggerDialog();
    // "Math channels...": the dialog over the channels the table selects.
    void openMathChannels();

    // The question before the window closes with the program (during a run, or over rows kept
    // nowhere else), asked before any window closes: true when it may close. The close that
    // follows does not ask again; forgetCloseAnswer() takes the answer back when another window's
    // Cancel keeps the program open.
    bool askBeforeClosing();
    void forgetCloseAnswer() { closeAnswered_ = false; }

    // State.
    bool runActive() const;
    bool runStarting() const;
    bool pollArmed() const;
    quint64 passesStored() const;
    bool hexShown() const;
    std::optional<int> secondCursorX() const;
    bool recording() const;
    const ExchangeStats &runStats() const;
    bool triggerArmed() const;
    const std::optional<trigger::TriggerSetup> &triggerSetup() const;
    // Nothing until "Trigger..." was first chosen.
    TriggerDialog *triggerDialog() const;
    quint64 runPasses() const;

    // Parts and controls, by role.
    ChannelTable &table() const { return *table_; }
    TrendGraphView &view() const { return *view_; }
    GraphExport &graphExport() const { return *export_; }
    RecordToFileControl &recordToFileControl() const { return *recorder_; }
    ReadoutBand &band() const { return *band_; }
    // Nothing until the Read-out window was first opened.
    ReadoutWindow *readoutWindow() const { return readoutWindow_; }
    TrendRun &run() const { return *run_; }
    MathChannelsControl &mathChannels() const { return *math_; }
    GraphLayers &layers();
    TrendData &data() { return data_; }
    PictureWidget *graphPicture() const;
    QMenu *graphMenu() const;
    QLabel *runStatus() const { return controls_.runStatus; }
    QPushButton *runButton() const { return controls_.run; }
    QPushButton *redrawButton() const { return controls_.redraw; }
    QPushButton *stepLeftButton() const { return controls_.stepLeft; }
    QPushButton *stepRightButton() const { return controls_.stepRight; }
    QPushButton *numberBaseButton() const { return controls_.numberBase; }
    QPushButton *openButton() const { return controls_.open; }
    QPushButton *saveButton() const { return controls_.save; }
    QPushButton *printButton() const { return controls_.print; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectParts();
    void setCursorButtonsEnabled(bool enabled);
    void showCursorValues(bool highLow = false);
    void showBand();
    void showSaved(const QString &text);
    void showReadoutWindow();
    // The scales of the Read-out's "Engineering values", null while it shows raw values (or was
    // never opened).
    const UnitsTable *engineeringUnits() const;
    // The run's end once the trigger's capture is complete: as STOP and REDRAW, with its mark.
    void endTriggeredRun(int triggerRowOfRun);
    // The steps of closing, once, however the window goes.
    void endWindow();

    Workspace &ws_;
    TrendData &data_;
    TrendGraphView *view_ = nullptr;
    GraphExport *export_ = nullptr;
    RecordToFileControl *recorder_ = nullptr;
    ChannelTable *table_ = nullptr;
    ReadoutBand *band_ = nullptr;
    ReadoutWindow *readoutWindow_ = nullptr;
    TrendRun *run_ = nullptr;
    RunControl *runControl_ = nullptr;
    TrendFileActions *fileActions_ = nullptr;

    TrendGraphControls controls_;

    TriggerControl *trigger_ = nullptr;
    MathChannelsControl *math_ = nullptr;
    std::unique_ptr<LoseWorkGuard> guard_;
    TrendGraphKeys *keys_ = nullptr;

    bool closed_ = false;
    bool closeAnswered_ = false;
};
