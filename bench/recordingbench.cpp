// A day of qmx-record in the Recording window's drawing: writes 24 hours of 14 channels (7 words,
// 7 bits) at the block-read rate of 10.6 passes a second, about 916,000 rows, in qmx-record's
// format with a failed read now and then and one single-sample spike, into a temporary folder.
// Then measures the time from the start of reading to the first complete picture of the whole
// file, the longest redraw while zooming from the whole file down to 100 rows and panning across,
// and the resident memory after the load; pandas.read_csv on the same file when pandas is there.
// With "scaled", a column of engineering values is added as qmx-record --scaled writes it (the
// shortest form that reads back the same: 1e+05, 3e+06, 1e-04), the case that once cost a kept
// line of every row.
//
//   recordingbench [rows] [scaled]

#include "base/NumberText.h"
#include "recording/CivilDate.h"
#include "recording/LoadedRecording.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingPicture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace recording;

namespace {

constexpr int kWords = 7;
constexpr int kBits = 7;
constexpr double kPassesPerSecond = 10.6;
constexpr QSize kPictureSize(1600, 700);

// "yyyy-MM-ddTHH:mm:ss.zzz" of local milliseconds since 1970 (taken as UTC), without QDateTime's
// cost per row.
QByteArray timeText(std::int64_t ms)
{
    const std::int64_t inDay = ms % 86400000;
    const civildate::Date date = civildate::civilFromDays(ms / 86400000);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", date.year, date.month, date.day,
                  static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
    return QByteArray(text);
}

bool writeRecording(const QString &path, int rows, int spikeRow, bool scaled)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray header = "time,t_s";
    for (int c = 0; c < kWords; ++c)
        header += ",Word" + QByteArray::number(c);
    for (int c = 0; c < kBits; ++c)
        header += ",InvFlag." + QByteArray::number(c).rightJustified(2, '0');
    if (scaled)
        header += ",Torque [Nm]";
    file.write(header + "\r\n");
    const std::int64_t startMs = std::int64_t{20567} * 86400000 + 8 * 3600000; // 2026-04-23 08:00
    QByteArray chunk;
    for (int row = 0; row < rows; ++row) {
        const auto sinceStart = static_cast<std::int64_t>(row * 1000.0 / kPassesPerSecond);
        chunk += timeText(startMs + sinceStart) + ',' + QByteArray::number(sinceStart / 1000.0, 'f', 3);
        const bool failed = row % 4999 == 17;
        for (int c = 0; c < kWords; ++c) {
            chunk += ',';
            if (!failed)
                chunk += QByteArray::number(row == spikeRow && c == 0 ? 32000 : (row * (c + 3) + c * 977) % 2001 - 1000);
        }
        for (int c = 0; c < kBits; ++c)
            chunk += failed ? "," : ((row >> (c + 4)) & 1 ? ",1" : ",0");
        if (scaled) {
            constexpr double kScaledValues[] = {100000, 3000000, 0.0001, 2.5, -250000, 12.75};
            chunk += ',' + numbertext::shortestBytes(kScaledValues[row % 6]); // as qmx-record writes it
        }
        chunk += "\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.error() == QFile::NoError;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The time a redraw takes, and in `processorMs` the processor time it used: on a shared machine the
// longest redraws are those another process interrupted, and the processor time tells them apart.
double drawMs(const RecordingPicture &picture, std::int64_t start, std::int64_t end, const std::vector<bool> &shown,
              double *processorMs = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    const std::clock_t processorStart = std::clock();
    const QImage image = picture.draw(kPictureSize, start, end, shown);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (processorMs)
        *processorMs = 1000.0 * double(std::clock() - processorStart) / CLOCKS_PER_SEC;
    return image.isNull() ? -1.0 : ms;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : static_cast<int>(24 * 3600 * kPassesPerSecond);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("day.csv"));
    QElapsedTimer timer;
    timer.start();
    const bool scaled = argc > 2 && QByteArrayView(argv[2]) == "scaled";
    if (!writeRecording(path, rows, rows / 3, scaled)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote %d rows x %d channels, %.1f MB, in %.1f s\n", rows, kWords + kBits + (scaled ? 1 : 0),
                QFile(path).size() / 1e6, timer.elapsed() / 1000.0);
    const long residentBefore = residentKilobytes();

    timer.restart();
    ReadResult result = readCsvFile(path);
    if (!result.data) {
        std::fprintf(stderr, "not read: %s\n", qPrintable(result.error));
        return 1;
    }
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    const LoadedRecording recording(std::move(*result.data));
    const double pyramidSeconds = timer.nsecsElapsed() / 1e9 - readSeconds;
    const RecordingPicture picture(recording.data, recording.pyramids);
    const std::vector<bool> shown(recording.data.channels.size(), true);
    const std::int64_t wholeEnd = recording.data.timesMs.back() + 1;
    drawMs(picture, 0, wholeEnd, shown);
    const double firstPictureSeconds = timer.nsecsElapsed() / 1e9;
    const long residentAfter = residentKilobytes();
    std::printf("first whole-file picture %dx%d: %.2f s (read %.2f s, pyramids %.2f s, picture %.2f s)\n",
                kPictureSize.width(), kPictureSize.height(), firstPictureSeconds, readSeconds, pyramidSeconds,
                firstPictureSeconds - readSeconds - pyramidSeconds);
    std::printf("resident memory after load: %.1f MB (%.1f MB before reading)\n", residentAfter / 1024.0,
                residentBefore / 1024.0);

    // Zoom from the whole file to 100 rows about the spike, a fifth shorter each step, then pan
    // across the whole file at a span of 100 rows, of a thousandth and of a tenth of the file.
    const std::int64_t spikeMs = recording.data.timesMs[static_cast<std::size_t>(rows / 3)];
    const std::int64_t hundredRows = static_cast<std::int64_t>(100 * 1000 / kPassesPerSecond);
    std::vector<double> times;
    double processorMs = 0.0, longestProcessorMs = 0.0;
    for (double span = double(wholeEnd); span >= hundredRows; span *= 0.8) {
        const auto start = std::clamp<std::int64_t>(spikeMs - std::int64_t(span / 2), 0, wholeEnd - std::int64_t(span));
        times.push_back(drawMs(picture, start, start + std::int64_t(span), shown, &processorMs));
        longestProcessorMs = std::max(longestProcessorMs, processorMs);
    }
    std::vector<double> zoom = times;
    std::sort(zoom.begin(), zoom.end());
    std::printf("zoom from the whole file to 100 rows, %zu redraws: longest %.2f ms, median %.2f ms; processor time "
                "longest %.2f ms\n",
                zoom.size(), zoom.back(), zoom[zoom.size() / 2], longestProcessorMs);
    for (const std::int64_t span : {wholeEnd, wholeEnd / 10, wholeEnd / 1000, hundredRows}) {
        std::vector<double> pan;
        longestProcessorMs = 0.0;
        for (int step = 0; step <= 200; ++step) {
            const std::int64_t start = (wholeEnd - span) * step / 200;
            pan.push_back(drawMs(picture, start, start + span, shown, &processorMs));
            longestProcessorMs = std::max(longestProcessorMs, processorMs);
        }
        times.insert(times.end(), pan.begin(), pan.end());
        std::sort(pan.begin(), pan.end());
        std::printf("pan across at a span of %lld rows, 201 redraws: longest %.2f ms, median %.2f ms; processor time "
                    "longest %.2f ms\n",
                    static_cast<long long>(span * kPassesPerSecond / 1000), pan.back(), pan[pan.size() / 2],
                    longestProcessorMs);
    }
    std::sort(times.begin(), times.end());
    std::printf("all %zu redraws: median %.2f ms, 99th percentile %.2f ms, longest %.2f ms\n", times.size(),
                times[times.size() / 2], times[times.size() * 99 / 100], times.back());

    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QStringLiteral("import time, pandas; t = time.perf_counter(); "
                                                       "pandas.read_csv('%1'); print(time.perf_counter() - t)")
                                            .arg(path)});
    if (python.waitForFinished(600000) && python.exitCode() == 0)
        std::printf("pandas.read_csv of the same file: %.2f s\n", python.readAllStandardOutput().trimmed().toDouble());
    else
        std::printf("pandas.read_csv: not measured (python3 with pandas is not installed here)\n");
    return 0;
}
