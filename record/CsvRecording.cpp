#include "record/CsvRecording.h"

#include "record/EngineeringColumns.h"
#include "record/TriggerCapture.h"

#include "base/SaveFailure.h"
#include "trend/Trigger.h"
#include "trend/TrendCsv.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace record {

namespace {

QString systemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

CsvRecording::CsvRecording(const TrendData &channels, int fd) : channels_(channels)
{
    // The writer closes a file it has taken; one it could not take is closed here.
    if (!file_.openDescriptor(fd, std::chrono::steady_clock::now()) && fd >= 0)
        ::close(fd);
}

int CsvRecording::openFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 && error)
        *error = savefailure::pathAndReason(path, systemErrorText(errno));
    return fd;
}

bool CsvRecording::begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart)
{
    steadyStart_ = steadyStart;
    wallStart_ = wallStart;
    const QStringList columns = engineering_ ? engineering_->columns() : trendcsv::selectedColumns(channels_);
    std::lock_guard lock(mutex_);
    figures_.poll.begin(steadyStart);
    file_.addHeader(capture_ ? eventHeaderLine(columns) : trendcsv::headerLine(columns));
    return !file_.failed();
}

void CsvRecording::append(const trendpoll::TrendPass &pass)
{
    if (pass.readout.abandoned) {
        std::lock_guard lock(mutex_);
        takePlanChange(pass);
        return;
    }
    const SampleRow values = trigger::storedValues(channels_, pass.readout);
    trendcsv::Row row = trendcsv::valuesRow(channels_, values, pass.readout.failedChannels);
    const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(pass.ended - steadyStart_);
    row.time = wallStart_.addMSecs(sinceStart.count());
    row.seconds = std::chrono::duration<double>(pass.ended - steadyStart_).count();
    std::optional<QByteArray> cells;
    if (engineering_)
        cells = engineering_->cells(row);
    QByteArrayList lines;
    if (capture_) {
        for (const TriggerCapture::Line &kept :
             capture_->takeRow(row, values, pass.readout.failedChannels, sinceStart, std::move(cells)))
            lines.append(eventRowLine(kept));
    } else {
        lines.append(cells ? EngineeringColumns::rowLine(row, *cells) : trendcsv::rowLine(row));
    }

    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    for (const QByteArray &line : std::as_const(lines))
        file_.addRow(line, now);
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

void CsvRecording::setPlan(const readplan::ReadPlan &plan)
{
    std::lock_guard lock(mutex_);
    figures_.planText = readplan::planText(plan);
}

void CsvRecording::takePlanChange(const trendpoll::TrendPass &pass)
{
    for (const readplan::BlockReadGivenUp &givenUp : pass.blockReadsGivenUp) {
        if (!figures_.givenUpText.isEmpty())
            figures_.givenUpText += QStringLiteral("; ");
        figures_.givenUpText += readplan::givenUpText(givenUp);
    }
    if (pass.planNow)
        figures_.planText = readplan::planText(*pass.planNow);
}

bool CsvRecording::flush()
{
    std::lock_guard lock(mutex_);
    return file_.flush(std::chrono::steady_clock::now());
}

CsvRecording::Figures CsvRecording::figures() const
{
    std::lock_guard lock(mutex_);
    Figures figures = figures_;
    figures.rows = file_.rows();
    figures.bytes = file_.bytes();
    figures.writeFailed = file_.failed();
    figures.writeError = file_.error();
    return figures;
}

} // namespace record
