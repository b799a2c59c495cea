#pragma once
// The Trend Graph window: the channel table, the graph, run control and live sampling, the cursor
// read-out, the trend data file and printing. One class spread over several files of this folder:
//   Trendgph.cpp           layout, creation and closing, channel table, run start/stop, sampling,
//                          REDRAW, channel visibility, colour key
//   Trendgph_readout.cpp   cursor and value read-out (ShowCursorValues, Image4MouseDown, <<, >>, Dec/Hex)
//   Trendgph_channels.cpp  channel set-up handlers (clicks and double-clicks in the table)
//   Trendgph_files.cpp     Open, Save and Print
//   Trendgph_export.cpp    read-out band, second cursor, graph menu: CSV and picture export,
//                          recording every pass to a file, line statistics

#include "catalogue/Workspace.h"
#include "link/ExchangeStats.h"
#include "trend/GraphLayers.h"
#include "trend/TrendRecording.h"
#include "trend/TrendPoll.h"
#include "trend/TrendData.h"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QMenu;
class QLabel;
class QLineEdit;
class QPushButton;
class PortPause;

// A picture control of the window (Image4, Image6): paints its image at its top left corner and
// reports a mouse press with its x: a Shift press to onSecondCursor when that is set, any other
// (whichever button) to onMouseDown.
class TrendImage : public QWidget {
    Q_OBJECT
public:
    TrendImage(const QImage *image, QWidget *parent);
    std::function<void(int x)> onMouseDown;
    std::function<void(int x)> onSecondCursor;
    std::function<void(const QPoint &globalPos)> onContextMenu;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    const QImage *image_;
};

class TTrendDspForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 816;
    static constexpr int kHeight = 533;

    TTrendDspForm(Workspace &ws, TrendData &data, QWidget *parent = nullptr);
    ~TTrendDspForm() override;

    // ---- Creation, closing and the channel table (Trendgph.cpp) ----
    void FormCreate();
    void FormClose();
    void ShowChannelTable();
    // Caption "A" or "L" of BitBtn n (1..14) with its font colour: "L" teal, "A" maroon.
    void SetAddressLabelCaption(int n, AddressKind kind);
    AddressKind addressLabel(int n) const { return addressLabel_[static_cast<std::size_t>(n)]; }

    // ---- Run control (Trendgph.cpp) ----
    void Button2Click(); // RUN / STOP
    void StopRun();
    void ShowRunningLook();
    void ShowStoppedLook();
    // A run is active from the end of the pause after the port opened until STOP (or a click into
    // the channel table, or closing the window).
    bool runActive() const { return running_; }
    // True from the run start's port open until the pause after it is over.
    bool runStarting() const { return starting_; }

    // ---- Sampling (Trendgph.cpp) ----
    // The link thread reads the passes back to back; the window stores, marks, draws and traces
    // each one it is handed, in order.
    void TakePass(const std::shared_ptr<LinkTask> &task, const sampling::TrendPass &pass);
    // Passes are being read for this window.
    bool pollArmed() const { return task_ != nullptr; }
    // Passes stored since the window was made (for tests and benchmarks).
    quint64 passesStored() const { return passesStored_; }
    // waitTime as milliseconds; text that is not a whole number of 0 or more counts as 0.
    int waitTimeMs() const;
    // Dec or Hex, as the "Dec"/"Hex" button shows it.
    bool hexShown() const { return hexShown_; }

    // ---- Graph (Trendgph.cpp) ----
    void Button1Click(); // REDRAW
    void UnrollSamples();
    void DrawRecordedTraces();
    void DrawCursorLayer();
    void ComposeGraph(bool withCursor); // also repaints Image4
    void ApplyChannelVisibility();
    void DrawColourKey(bool selectedOnly); // also repaints Image6

    // ---- Cursor and value read-out (Trendgph_readout.cpp) ----
    void ShowCursorValues();
    void Image4MouseDown(int x);
    void Button3Click(); // <<
    void Button4Click(); // >>
    void Button5Click(); // Dec / Hex

    // ---- Read-out band, second cursor, graph menu, export, recording (Trendgph_export.cpp) ----
    // Where a Shift+click at `x` puts the second cursor (when the first may move).
    void SetSecondCursor(int x);
    void ClearSecondCursor();
    std::optional<int> secondCursorX() const { return secondCursorX_; }
    // The band's texts from the cursors, the rows' times, the line figures and events.
    void ShowReadoutBand();
    // Which actions of the graph menu are available now.
    void UpdateGraphMenu();
    QMenu *graphMenu() const { return graphMenu_; }
    void ExportCsv();
    void ExportPicture();
    void CopyPicture();
    void RecordToFile();
    // The graph with its captions and colour key, at scale 1 or 2.
    QImage GraphPicture(int scale) const;
    bool recording() const { return recording_.isOpen(); }
    // The exchanges of the current or last run.
    const ExchangeStats &runStats() const { return runStats_; }
    quint64 runPasses() const { return runPasses_; }

    // ---- Channel set-up controls (Trendgph_channels.cpp) ----
    void Edit1Click(QLineEdit *edit);        // any of Edit1..Edit28
    void CheckBox1Click(QCheckBox *checkBox); // any of CheckBox1..CheckBox14
    void BitBtn1Click(QPushButton *bitBtn);   // any of BitBtn1..BitBtn14
    void Edit1DblClick(QLineEdit *edit);      // Edit1..Edit7
    void Edit8DblClick(QLineEdit *edit);      // Edit8..Edit14
    void Edit29DblClick();

    // ---- Trend data file and printing (Trendgph_files.cpp) ----
    void Button6Click(); // Open
    void Button7Click(); // Save
    void Button8Click(); // Print

    // ---- Controls, by the number that ends their names ----
    QLineEdit *edit(int n) const;       // Edit1..Edit42
    QCheckBox *checkBox(int n) const;   // CheckBox1..CheckBox14
    QPushButton *bitBtn(int n) const;   // BitBtn1..BitBtn14
    QPushButton *button(int n) const;   // Button1..Button8
    QLabel *label(int n) const;         // Label1..Label29 (Label25: run status)
    TrendImage *image4() const { return image4_; }
    TrendImage *image6() const { return image6_; }

    GraphLayers &layers() { return layers_; }
    TrendData &data() { return data_; }
    Workspace &workspace() { return ws_; }
    // The window's background (button-shadow) colour, also the colour key's background.
    QRgb backgroundColour() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void BuildControls();
    void BuildChannelRow(int channel);
    void ConnectControls();
    void SetDataReadEnabled(bool enabled);
    void ShowChannelTableForRunning();
    void EndRunByButton();
    void StartRun();
    // Copies the table into the channel records; false (start refused) when nothing is ticked.
    bool TakeChannelTable();
    void OpenPortForRun();
    void PortOpenedForRun(LinkThread::OpenOutcome outcome);
    void BeginSampling();
    void EndSampling();
    void EndFailedStart(const QString &message);
    void AppendErrorTrace(const sampling::ReadFailure &failure);
    void BuildReadoutBand();
    void BeginReadout();
    void TakePassReadout(const sampling::TrendPass &pass);
    void EndRecording();
    void FlushRecording();
    void StopRecordingAfterFailure();
    // REDRAW keeps the second cursor on the rows it shows, or drops it when there are none.
    void KeepSecondCursorOnRows();
    bool rowsShown() const;

    Workspace &ws_;
    TrendData &data_;
    GraphLayers layers_;

    std::array<QLineEdit *, 43> edits_{};       // [1..42]
    std::array<QCheckBox *, 15> checkBoxes_{};  // [1..14]
    std::array<QPushButton *, 15> bitBtns_{};   // [1..14]
    std::array<QPushButton *, 9> buttons_{};    // [1..8]
    std::array<QLabel *, 30> labels_{};         // [1..29]
    TrendImage *image4_ = nullptr;
    TrendImage *image6_ = nullptr;

    PortPause *portPause_ = nullptr;
    std::shared_ptr<LinkTask> task_; // the passes of the active run
    std::array<AddressKind, 15> addressLabel_{}; // [1..14]: "A" or "L" as BitBtn n shows it
    bool hexShown_ = false;
    bool running_ = false;
    bool starting_ = false; // from the port open to the end of the pause: a second RUN press is refused
    bool closed_ = false;   // FormClose has run
    quint64 passesStored_ = 0;
    quint64 startCount_ = 0; // tells a port open of an earlier start from the current one

    // Read-out beyond the screen.
    std::optional<int> secondCursorX_;
    std::array<QLabel *, 4> band_{}; // time, difference, line statistics, line event / recording
    QMenu *graphMenu_ = nullptr;
    QAction *exportCsvAction_ = nullptr;
    QAction *exportPictureAction_ = nullptr;
    QAction *copyPictureAction_ = nullptr;
    QAction *clearSecondAction_ = nullptr;
    QAction *recordAction_ = nullptr;
    CsvRecording recording_;
    QTimer *recordingFlush_ = nullptr;
    QString recordingText_;
    ExchangeStats runStats_;
    quint64 runPasses_ = 0;
    std::chrono::steady_clock::time_point lastPassEnded_{};
    std::chrono::steady_clock::time_point statsShown_{};
    QString lineEventText_;
};
