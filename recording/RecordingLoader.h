#pragma once
// Reads a recording off the window's thread: the file (CSV, or .trd by its extension) and then the
// pyramids, telling its progress as it goes; a cancel stops it at the next step. The results come
// to the loader's own thread as signals.

#include "recording/LoadedRecording.h"
#include "recording/RecordingCsvReader.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>

namespace recording {

// Reads `path` as a .trd file when it ends in ".trd" (any case), else as CSV.
ReadResult readRecordingFile(const QString &path, const ReadProgress &progress = {});

class RecordingLoader : public QObject {
    Q_OBJECT
public:
    explicit RecordingLoader(QObject *parent = nullptr);
    // Stops a reading under way and waits for it.
    ~RecordingLoader() override;

    void start(const QString &path);
    void cancel();
    bool isLoading() const { return worker_.joinable() && !finished_; }

signals:
    void progressed(int percent);
    void loaded(std::shared_ptr<const LoadedRecording> recording);
    void failed(const QString &message);
    void cancelled();

private:
    void load(const QString &path, int generation);
    void stopWorker();

    std::thread worker_;
    std::atomic<bool> cancelWanted_{false};
    bool finished_ = true;
    // Counts the readings started; what an earlier one hands over after a new start is dropped.
    int generation_ = 0;
};

} // namespace recording
