#pragma once
// The Recording window: a whole recording (a qmx-record or exported CSV file, or a .trd) on one
// time axis, its channels listed beside the traces to show or hide them, the whole recording in a
// strip below with the visible span marked, and the read-out at cursors A and B under it, copyable
// as tab-separated text. "Add reference..." lays up to four other recordings over it, dimmed,
// aligned on their first events (else on their starts); the latest one's offset is moved a sample
// at a time with Ctrl+Left/Right or typed in seconds (the references are a part of their own,
// RecordingReferences, that the window wires). The visible span is exported as CSV (its
// rows, the recording's columns) or as a PNG of the traces; the window is printed as the others are. The file is read off the window's thread while a
// progress bar and Cancel show; a file that cannot be read is told with the reader's message.
// Resizable and maximisable, unlike the program's fixed windows.

#include "recording/LoadedRecording.h"
#include "recording/RecordingReferences.h"
#include "recording/ReferenceAlignment.h"

#include <QWidget>
#include <memory>

class Dialogs;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QListWidgetItem;
class EngineeringControls;
class QDoubleSpinBox;
class QProgressBar;
class QPushButton;

namespace recording {

class OverviewStrip;
class RecordingLoader;
class RecordingPlot;

class RecordingWindow : public QWidget {
    Q_OBJECT
public:
    // Starts reading `path` at once.
    RecordingWindow(Dialogs &dialogs, const QString &path, QWidget *parent = nullptr);
    ~RecordingWindow() override;

    RecordingPlot *plot() const { return plot_; }
    OverviewStrip *overview() const { return overview_; }
    QListWidget *channelList() const { return channelList_; }
    QPushButton *cancelButton() const { return cancelButton_; }
    QPushButton *copyButton() const { return copyButton_; }
    QPushButton *addReferenceButton() const { return addReferenceButton_; }
    QPushButton *exportSpanButton() const { return exportSpanButton_; }
    QPushButton *savePictureButton() const { return savePictureButton_; }
    QPushButton *printButton() const { return printButton_; }
    QDoubleSpinBox *referenceOffset() const { return referenceOffset_; }
    // Engineering values and the step figures of the read-out.
    EngineeringControls *engineering() const { return engineering_; }
    // The read-out as shown and copied.
    QString readoutText() const;

    static constexpr int kMaxReferences = RecordingReferences::kMaxReferences;
    const std::vector<Reference> &references() const;
    // Reads `path` as a reference (off the window's thread); referencesChanged() when laid over.
    void addReferenceFile(const QString &path);
    // Moves the latest reference by `samples` of its own rows.
    void stepReference(int samples);
    QString statusText() const;
    bool isLoading() const;
    // Null until the file has been read.
    const LoadedRecording *recording() const { return recording_.get(); }

signals:
    // The file has been read and is shown, or reading it failed or was cancelled.
    void loadEnded();
    void referencesChanged();

private:
    void showLoaded(std::shared_ptr<const LoadedRecording> recording);
    void showFailure(const QString &message);
    void showCancelled();
    void fillChannelList();
    void channelToggled(QListWidgetItem *item);
    void followSpan();
    void showHoverTime(std::int64_t timeMs);
    void showReadout();
    void copyReadout();
    // The references as they now lie: on the traces and in the read-out.
    void showReferences();
    void exportSpan();
    void savePicture();
    void endLoading();

    Dialogs &dialogs_;
    QString path_;
    std::shared_ptr<const LoadedRecording> recording_;
    RecordingLoader *loader_ = nullptr;
    RecordingPlot *plot_ = nullptr;
    OverviewStrip *overview_ = nullptr;
    QListWidget *channelList_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QPushButton *cancelButton_ = nullptr;
    QWidget *loadingBar_ = nullptr;
    QLabel *summary_ = nullptr;
    QLabel *hoverTime_ = nullptr;
    QPlainTextEdit *readout_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *addReferenceButton_ = nullptr;
    QPushButton *exportSpanButton_ = nullptr;
    QPushButton *savePictureButton_ = nullptr;
    QPushButton *printButton_ = nullptr;
    QDoubleSpinBox *referenceOffset_ = nullptr;
    EngineeringControls *engineering_ = nullptr;
    RecordingReferences *references_ = nullptr;
};

} // namespace recording
