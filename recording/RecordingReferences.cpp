#include "recording/RecordingReferences.h"

#include "base/Dialogs.h"
#include "recording/RecordingLoader.h"
#include "recording/RecordingTexts.h"

#include <QDoubleSpinBox>
#include <cmath>

namespace recording {

RecordingReferences::RecordingReferences(Dialogs &dialogs, QDoubleSpinBox *offset, QObject *parent)
    : QObject(parent), dialogs_(dialogs), offset_(offset)
{
    connect(offset_, &QDoubleSpinBox::valueChanged, this, &RecordingReferences::typeOffset);
    loader_ = new RecordingLoader(this);
    connect(loader_, &RecordingLoader::loaded, this, &RecordingReferences::take);
    connect(loader_, &RecordingLoader::failed, this,
            [this](const QString &message) { dialogs_.showMessage(kReferenceNotReadText, message); });
}

RecordingReferences::~RecordingReferences() = default;

bool RecordingReferences::full() const { return references_.size() >= static_cast<std::size_t>(kMaxReferences); }

void RecordingReferences::ask()
{
    if (full()) {
        dialogs_.showMessage(kTooManyReferencesText);
        return;
    }
    const QString path = dialogs_.askOpenFile(kRecordingFileFilter);
    if (!path.isEmpty())
        addFile(path);
}

void RecordingReferences::addFile(const QString &path)
{
    if (full()) {
        dialogs_.showMessage(kTooManyReferencesText);
        return;
    }
    loader_->start(path);
}

void RecordingReferences::take(std::shared_ptr<const LoadedRecording> reference)
{
    if (!recording_ || full())
        return;
    references_.push_back(makeReference(recording_->data, std::move(reference)));
    showChanged();
}

void RecordingReferences::step(int samples)
{
    if (references_.empty())
        return;
    Reference &latest = references_.back();
    latest.offsetMs += samples * sampleStepMs(latest.recording->data);
    showChanged();
}

void RecordingReferences::typeOffset(double seconds)
{
    if (references_.empty())
        return;
    const auto offsetMs = static_cast<std::int64_t>(std::llround(seconds * 1000.0));
    if (offsetMs == references_.back().offsetMs)
        return;
    references_.back().offsetMs = offsetMs;
    showChanged();
}

void RecordingReferences::showChanged()
{
    {
        // The box follows the latest reference without taking its own change as one typed.
        const QSignalBlocker blocker(offset_);
        offset_->setEnabled(!references_.empty());
        if (!references_.empty())
            offset_->setValue(references_.back().offsetMs / 1000.0);
    }
    emit changed();
}

} // namespace recording
