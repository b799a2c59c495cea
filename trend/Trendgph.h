#pragma once
// The Trend Graph window: the channel table, the graph, run control and live sampling, the cursor
// read-out, the trend data file and printing. One class spread over several files of this folder:
//   Trendgph.cpp           layout, creation and closing, channel table, run start/stop, sampling,
//                          REDRAW, channel visibility, colour key
//   Trendgph_readout.cpp   cursor and value read-out (ShowCursorValues, Image4MouseDown, <<, >>, Dec/Hex)
//   Trendgph_channels.cpp  channel set-up handlers (clicks and double-clicks in the table)
//   Trendgph_files.cpp     Open, Save and Print

#include "catalogue/Workspace.h"
#include "trend/GraphLayers.h"
#include "trend/TrendPoll.h"
#include "trend/TrendData.h"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class PortPause;

// A picture control of the window (Image4, Image6): paints its image at its top left corner and
// reports a mouse press with its x.
class TrendImage : public QWidget {
    Q_OBJECT
public:
    TrendImage(const QImage *image, QWidget *parent);
    std::function<void(int x)> onMouseDown;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

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
    // Caption "A" or "L" of BitBtn n (1..14) with its font colour: "L" teal, anything else maroon.
    void SetAddressLabelCaption(int n, const QString &caption);
    // The "A"/"L" choice of channel row n (1..14), whatever its button's caption shows.
    const QString &addressLabel(int n) const { return addressLabel_[static_cast<std::size_t>(n)]; }

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
    // WaitTime as milliseconds; text that is not a whole number of 0 or more counts as 0.
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
    std::array<QString, 15> addressLabel_{}; // [1..14]: "A" or "L" as BitBtn n shows it
    bool hexShown_ = false;
    bool running_ = false;
    bool starting_ = false; // from the port open to the end of the pause: a second RUN press is refused
    bool closed_ = false;   // FormClose has run
    quint64 passesStored_ = 0;
    quint64 startCount_ = 0; // tells a port open of an earlier start from the current one
};
