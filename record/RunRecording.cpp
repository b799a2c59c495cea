#include "record/RunRecording.h"

#include "record/CsvFormat.h"
#include "record/EngineeringColumns.h"
#include "record/MqttPublisher.h"
#include "record/PartialOutput.h"
#include "record/TriggerCapture.h"

#include "base/SaveFailure.h"
#include "trend/model/Trigger.h"
#include "trend/model/TrendCsv.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace record {

namespace {

QString systemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

RunRecording::RunRecording(const TrendData &channels, int fd) : channels_(channels), hasFile_(fd != kNoFile)
{
    if (hasFile_)
        file_.openDescriptor(fd);
}

void RunRecording::setRotation(const QString &out, const Rotation &rotation)
{
    hasFile_ = true;
    seriesOut_ = out;
    rotation_ = rotation;
}

int RunRecording::openFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 && error)
        *error = savefailure::pathAndReason(path, systemErrorText(errno));
    return fd;
}

void RunRecording::setInfluxTags(const QString &device, const InfluxTags &tags)
{
    device_ = device;
    tags_ = tags;
}

bool RunRecording::begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart)
{
    steadyStart_ = steadyStart;
    wallStart_ = wallStart;
    // The CSV header names a scaled column with its unit; fields and keys name the value alone.
    const QStringList columns = engineering_ ? engineering_->columns() : trendcsv::selectedColumns(channels_);
    const QStringList valueNames = engineering_ ? engineering_->valueNames() : columns;
    series_ = influxSeries(device_, tags_, valueNames);
    for (MqttPublisher *publisher : publishers_)
        publisher->setLayout(series_, valueNames);
    std::lock_guard lock(mutex_);
    figures_.poll.begin(steadyStart);
    // Line protocol has no header: every line names its own fields.
    if (format_ == OutputFormat::Csv && hasFile_)
        file_.setHeader(csvHeader(columns, capture_ != nullptr));
    if (!seriesOut_.isEmpty() && !file_.openSeries(seriesOut_, rotation_, wallStart))
        return false;
    return !hasFile_ || !file_.failed();
}

RecordRow RunRecording::recordRow(const trendpoll::TrendPass &pass, const SampleRow &values,
                                  std::uint64_t passNumber) const
{
    RecordRow row;
    row.values.reserve(channels_.selectedChannels.size());
    for (int c : channels_.selectedChannels) {
        if (pass.readout.failedChannels & (1u << c))
            row.values.emplace_back(std::nullopt);
        else
            row.values.emplace_back(ChannelValue(std::int64_t{values[static_cast<std::size_t>(c)]}));
    }
    const auto sinceStart = pass.ended - steadyStart_;
    row.time = wallStart_.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
    row.seconds = std::chrono::duration<double>(sinceStart).count();
    row.epochNanoseconds = wallStart_.toMSecsSinceEpoch() * 1000000 +
                           std::chrono::duration_cast<std::chrono::nanoseconds>(sinceStart).count();
    row.pass = passNumber;
    row.run = wallStart_.toMSecsSinceEpoch();
    return row;
}

QByteArray RunRecording::fileLine(const RecordRow &row, bool event) const
{
    if (format_ == OutputFormat::Influx)
        return influxLine(series_, row, event) + '\n';
    return csvLine(row, capture_ ? std::optional<bool>(event) : std::nullopt);
}

void RunRecording::append(const trendpoll::TrendPass &pass)
{
    if (pass.readout.abandoned) {
        std::lock_guard lock(mutex_);
        takePlanChange(pass);
        return;
    }
    const SampleRow values = trigger::storedValues(channels_, pass.readout);
    // Only the thread that appends counts passes.
    RecordRow row = recordRow(pass, values, ++passes_);
    // Before the trigger sees the row: it may watch a math channel.
    if (engineering_)
        engineering_->fillRow(row);
    const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(pass.ended - steadyStart_);
    std::vector<TriggerCapture::Line> kept;
    if (capture_)
        kept = capture_->takeRow(row, values, pass.readout.failedChannels, sinceStart);
    else
        kept.push_back({row, false});
    std::vector<std::pair<QByteArray, QDateTime>> lines;
    for (const TriggerCapture::Line &line : kept) {
        if (hasFile_)
            lines.emplace_back(fileLine(line.row, line.event), line.row.time.value_or(QDateTime()));
        // The spool takes the row on this thread; the broker is another thread's business.
        for (MqttPublisher *publisher : publishers_)
            publisher->take(line.row, line.event);
    }

    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    for (const auto &[line, time] : lines)
        file_.addRow(line, time, now);
    rowsTaken_ += kept.size();
    figures_.poll.take(pass.stats, pass.ended, true);
    figures_.reply = pass.reply;
    if (static_cast<std::size_t>(pass.readout.errorCount) < channels_.selectedChannels.size())
        ++figures_.passesWithGoodRead;
    for (int c = 0; c < kChannels; ++c) {
        if (pass.readout.failedChannels & (1u << c))
            ++figures_.failedReadsByChannel[static_cast<std::size_t>(c)];
    }
    if (pass.lineEvent != trendpoll::LineEvent::None) {
        figures_.lastLineEvent = pass.lineEvent;
        figures_.lastLineEventAt = *row.time;
    }
    takePlanChange(pass);
}

void RunRecording::setPlan(const readplan::ReadPlan &plan)
{
    std::lock_guard lock(mutex_);
    figures_.planText = readplan::planText(plan);
}

void RunRecording::takePlanChange(const trendpoll::TrendPass &pass)
{
    for (const readplan::BlockReadGivenUp &givenUp : pass.blockReadsGivenUp) {
        if (!figures_.givenUpText.isEmpty())
            figures_.givenUpText += QStringLiteral("; ");
        figures_.givenUpText += readplan::givenUpText(givenUp);
        figures_.givenUp << readplan::givenUpText(givenUp);
    }
    if (pass.planNow)
        figures_.planText = readplan::planText(*pass.planNow);
}

bool RunRecording::flush()
{
    std::lock_guard lock(mutex_);
    // A series names its own files.
    if (output_ && seriesOut_.isEmpty())
        file_.setName(output_->currentName());
    return !hasFile_ || file_.flush(std::chrono::steady_clock::now());
}

RunRecording::Figures RunRecording::figures() const
{
    std::lock_guard lock(mutex_);
    Figures figures = figures_;
    figures.rows = hasFile_ ? file_.rows() : rowsTaken_;
    figures.bytes = file_.bytes();
    figures.writeFailed = file_.failed();
    figures.writeError = file_.error();
    figures.filePath = file_.currentPath();
    return figures;
}

} // namespace record
