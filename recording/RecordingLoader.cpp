#include "recording/RecordingLoader.h"

#include "recording/TrendFileRecording.h"

#include <QMetaObject>

namespace recording {

namespace {

// Reading the file is most of the work; the pyramids the rest.
constexpr int kReadPercent = 90;

} // namespace

ReadResult readRecordingFile(const QString &path, const ReadProgress &progress)
{
    if (path.endsWith(QStringLiteral(".trd"), Qt::CaseInsensitive))
        return readTrendFile(path);
    return readCsvFile(path, progress);
}

RecordingLoader::RecordingLoader(QObject *parent) : QObject(parent) {}

RecordingLoader::~RecordingLoader() { stopWorker(); }

void RecordingLoader::stopWorker()
{
    cancelWanted_ = true;
    if (worker_.joinable())
        worker_.join();
}

void RecordingLoader::cancel() { cancelWanted_ = true; }

void RecordingLoader::start(const QString &path)
{
    stopWorker();
    cancelWanted_ = false;
    finished_ = false;
    worker_ = std::thread([this, path, generation = ++generation_] { load(path, generation); });
}

void RecordingLoader::load(const QString &path, int generation)
{
    // Runs on the worker; every result is handed to the loader's thread.
    auto post = [this, generation](auto &&deliver) {
        QMetaObject::invokeMethod(this, [this, deliver, generation] {
            if (generation != generation_)
                return;
            finished_ = true;
            deliver();
        }, Qt::QueuedConnection);
    };
    int lastPercent = -1;
    ReadResult result = readRecordingFile(path, [&](qint64 done, qint64 total) {
        const int percent = total > 0 ? static_cast<int>(done * kReadPercent / total) : 0;
        if (percent != lastPercent) {
            lastPercent = percent;
            QMetaObject::invokeMethod(this, [this, percent, generation] {
                if (generation == generation_)
                    emit progressed(percent);
            }, Qt::QueuedConnection);
        }
        return !cancelWanted_;
    });
    if (result.cancelled || cancelWanted_) {
        post([this] { emit cancelled(); });
        return;
    }
    if (!result.data) {
        post([this, message = result.error] { emit failed(message); });
        return;
    }
    auto recording = std::make_shared<const LoadedRecording>(std::move(*result.data));
    if (cancelWanted_) {
        post([this] { emit cancelled(); });
        return;
    }
    post([this, recording] {
        emit progressed(100);
        emit loaded(recording);
    });
}

} // namespace recording
