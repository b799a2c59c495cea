#pragma once
// The references laid over the Recording window's recording: up to four other recordings, each read
// off the window's thread and aligned on the recording as it arrives, the latest one's offset moved
// a sample at a time or typed in seconds in the offset box the window lays out. The window tells it
// the recording once read and hears when a reference was laid over or moved.

#include "recording/LoadedRecording.h"
#include "recording/ReferenceAlignment.h"

#include <QObject>
#include <memory>
#include <vector>

class Dialogs;
class QDoubleSpinBox;

namespace recording {

class RecordingLoader;

class RecordingReferences : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxReferences = 4;

    // `offset` shows the latest reference's offset and takes one typed; it is enabled once there is
    // a reference. The files are asked for, and their failures told, through `dialogs`.
    RecordingReferences(Dialogs &dialogs, QDoubleSpinBox *offset, QObject *parent);
    ~RecordingReferences() override;

    // The recording they are laid over; a reference read before it is dropped.
    void setRecording(std::shared_ptr<const LoadedRecording> recording) { recording_ = std::move(recording); }
    const std::vector<Reference> &references() const { return references_; }
    // "Add reference...": asks for the file to lay over.
    void ask();
    // Reads `path` as a reference (off the window's thread); changed() once laid over.
    void addFile(const QString &path);
    // Moves the latest reference by `samples` of its own rows.
    void step(int samples);

signals:
    // A reference was laid over, or the latest one's offset moved.
    void changed();

private:
    bool full() const;
    void take(std::shared_ptr<const LoadedRecording> reference);
    void typeOffset(double seconds);
    void showChanged();

    Dialogs &dialogs_;
    QDoubleSpinBox *offset_;
    RecordingLoader *loader_ = nullptr;
    std::shared_ptr<const LoadedRecording> recording_;
    std::vector<Reference> references_;
};

} // namespace recording
