#include "record/CsvRecording.h"

#include "record/TriggerCapture.h"

#include "trend/Trigger.h"
#include "trend/TrendCsv.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace record {

namespace {

// What gathers between two flushes before it is written all the same: a second of passes at the
// wire's pace fits many times over.
constexpr qsizetype kWriteAheadBytes = 1 << 16;

// What became of the file when it could not take every row. %1: the system's reason.
const QString kFileCutBack = QStringLiteral("%1; the file ends with its last whole row");
const QString kFileNotCutBack = QStringLiteral("%1; cutting the file back to its last whole row failed too: %2");

QString systemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

CsvRecording::CsvRecording(const TrendData &channels, int fd) : channels_(channels), fd_(fd) {}

CsvRecording::~CsvRecording()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int CsvRecording::openFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 && error)
        *error = QStringLiteral("%1: %2").arg(path, systemErrorText(errno));
    return fd;
}

bool CsvRecording::begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart)
{
    steadyStart_ = steadyStart;
    wallStart_ = wallStart;
    QStringList columns;
    for (int c : channels_.selectedChannels)
        columns.append(trendcsv::columnName(channels_.channels[c], c));
    std::lock_guard lock(mutex_);
    addLine(capture_ ? eventHeaderLine(columns) : trendcsv::headerLine(columns), false);
    return !figures_.writeFailed;
}

void CsvRecording::append(const sampling::TrendPass &pass)
{
    if (pass.readout.abandoned) {
        std::lock_guard lock(mutex_);
        takePlanChange(pass);
        return;
    }
    trendcsv::Row row;
    const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(pass.ended - steadyStart_);
    row.time = wallStart_.addMSecs(sinceStart.count());
    row.seconds = std::chrono::duration<double>(pass.ended - steadyStart_).count();
    row.values.reserve(channels_.selectedChannels.size());
    for (int c : channels_.selectedChannels) {
        if (pass.readout.failedChannels & (1u << c)) {
            row.values.emplace_back();
            continue;
        }
        const std::int32_t v = pass.readout.latestValue[c];
        row.values.emplace_back(c < kAnalogChannels ? v : ((v & channels_.channelScale[c]) != 0 ? 1 : 0));
    }
    QByteArrayList lines;
    if (capture_) {
        for (const TriggerCapture::Line &kept :
             capture_->takeRow(row, trigger::storedValues(channels_, pass.readout), pass.readout.failedChannels, sinceStart))
            lines.append(eventRowLine(kept));
    } else {
        lines.append(trendcsv::rowLine(row));
    }

    std::lock_guard lock(mutex_);
    for (const QByteArray &line : std::as_const(lines))
        addLine(line, true);
    ++figures_.passes;
    figures_.stats.merge(pass.stats);
    if (!figures_.firstEnded)
        figures_.firstEnded = pass.ended;
    figures_.lastEnded = pass.ended;
    if (pass.lineEvent != sampling::LineEvent::None) {
        figures_.lastLineEvent = pass.lineEvent;
        figures_.lastLineEventAt = *row.time;
    }
    takePlanChange(pass);
    if (waiting_.size() >= kWriteAheadBytes)
        writeWaiting();
}

void CsvRecording::addLine(const QByteArray &line, bool row)
{
    // A file that failed takes no more: it ends with its last whole row.
    if (figures_.writeFailed)
        return;
    waiting_ += line;
    waitingLines_.push_back({waiting_.size(), row});
    figures_.rows += row ? 1 : 0;
    figures_.bytes += static_cast<std::uint64_t>(line.size());
}

bool CsvRecording::writeWaiting()
{
    qsizetype written = 0;
    while (written < waiting_.size() && !figures_.writeFailed) {
        const ssize_t n = ::write(fd_, waiting_.constData() + written, static_cast<std::size_t>(waiting_.size() - written));
        if (n > 0)
            written += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            cutBackToWholeRows(written, n < 0 ? errno : ENOSPC);
    }
    if (!figures_.writeFailed) {
        for (const WaitingLine &line : waitingLines_)
            fileRows_ += line.row ? 1 : 0;
        fileBytes_ += static_cast<std::uint64_t>(waiting_.size());
    }
    waiting_.clear();
    waitingLines_.clear();
    return !figures_.writeFailed;
}

void CsvRecording::cutBackToWholeRows(qsizetype written, int writeErrno)
{
    figures_.writeFailed = true;
    // The lines that went out whole stay; the part of a line after them goes.
    qsizetype wholeBytes = 0;
    for (const WaitingLine &line : waitingLines_) {
        if (line.end > written)
            break;
        wholeBytes = line.end;
        fileRows_ += line.row ? 1 : 0;
    }
    fileBytes_ += static_cast<std::uint64_t>(wholeBytes);
    figures_.rows = fileRows_;
    figures_.bytes = fileBytes_;
    const QString reason = systemErrorText(writeErrno);
    if (::ftruncate(fd_, static_cast<off_t>(fileBytes_)) == 0)
        figures_.writeError = kFileCutBack.arg(reason);
    else
        figures_.writeError = kFileNotCutBack.arg(reason, systemErrorText(errno));
}

void CsvRecording::setPlan(const readplan::ReadPlan &plan)
{
    std::lock_guard lock(mutex_);
    figures_.planText = readplan::planText(plan);
}

void CsvRecording::takePlanChange(const sampling::TrendPass &pass)
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
    return writeWaiting();
}

CsvRecording::Figures CsvRecording::figures() const
{
    std::lock_guard lock(mutex_);
    return figures_;
}

} // namespace record
