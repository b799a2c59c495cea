#include "recording/RecordingCsvReader.h"

#include "recording/RecordingCsvFields.h"
#include "recording/DecimalColumn.h"

#include "base/NumberText.h"
#include "base/TextFile.h"
#include "engineering/ColumnHeading.h"

#include <QFile>
#include <charconv>
#include <limits>

namespace recording {

namespace {

constexpr qint64 kProgressEveryRows = 65536;
std::optional<std::int32_t> parseValue(QByteArrayView text)
{
    std::int32_t value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || ptr != end || (text[0] == '-' && text.size() == 1))
        return std::nullopt;
    return value;
}

// Whether a whole number is written as QByteArray::number writes it: no leading zero, no "-0".
bool isUsualWholeNumber(QByteArrayView text)
{
    const qsizetype digits = text[0] == '-' ? 1 : 0;
    return text[digits] != '0' || (digits == 0 && text.size() == 1);
}

// Whether seconds are written as the recorder writes them: three decimals, no leading zero.
bool isUsualSeconds(QByteArrayView text)
{
    return text.size() >= 5 && text[text.size() - 4] == '.' && (text[0] != '0' || text[1] == '.');
}

QString shown(QByteArrayView text)
{
    constexpr qsizetype kShownBytes = 40;
    const QString whole = QString::fromUtf8(text.first(std::min(text.size(), kShownBytes)));
    return u'"' + whole + (text.size() > kShownBytes ? QStringLiteral("...\"") : QStringLiteral("\""));
}

class CsvRecordingParser {
public:
    CsvRecordingParser(QByteArrayView bytes, const ReadProgress &progress) : bytes_(bytes), progress_(progress) {}

    ReadResult parse()
    {
        ReadResult result;
        QByteArrayView line;
        if (!nextLine(line) || !takeHeader(line))
            return fail(result);
        const qint64 expectedRows = line.size() > 0 ? bytes_.size() / (line.size() + 8) : 0;
        data_.timesMs.reserve(static_cast<std::size_t>(expectedRows));
        for (RecordingChannel &channel : data_.channels)
            channel.values.reserve(static_cast<std::size_t>(expectedRows));
        while (nextLine(line)) {
            if (!takeRow(line))
                return fail(result);
            if (data_.timesMs.size() % kProgressEveryRows == 0 && progress_ && !progress_(offset_, bytes_.size())) {
                result.cancelled = true;
                return result;
            }
        }
        if (!error_.isEmpty())
            return fail(result);
        data_.text.firstSecondsMs = firstSecondsMs_;
        data_.gapRows = findGapRows(data_);
        result.data = std::move(data_);
        return result;
    }

private:
    ReadResult &fail(ReadResult &result)
    {
        result.error = error_;
        return result;
    }

    // The next whole line without its line end. A last line without one is being written: passed
    // over with a note. A file that does not end with a header is told as an error.
    bool nextLine(QByteArrayView &line)
    {
        if (offset_ >= bytes_.size()) {
            if (lineNumber_ == 0)
                error_ = QStringLiteral("line 1: expected the header time,t_s,<channel>,..., found an empty file");
            return false;
        }
        ++lineNumber_;
        const qsizetype end = bytes_.indexOf('\n', offset_);
        if (end < 0) {
            if (lineNumber_ == 1)
                error_ = QStringLiteral("line 1: expected the header with its line end, found %1")
                             .arg(shown(bytes_.sliced(offset_)));
            else
                data_.notes << QStringLiteral("line %1: a half-written last line, skipped").arg(lineNumber_);
            offset_ = bytes_.size();
            return false;
        }
        line = bytes_.sliced(offset_, end - offset_);
        lineEnd_ = line.endsWith('\r') ? QByteArrayView("\r\n") : QByteArrayView("\n");
        if (line.endsWith('\r'))
            line.chop(1);
        offset_ = end + 1;
        return true;
    }

    bool takeHeader(QByteArrayView line)
    {
        const std::optional<QStringList> fields = splitHeader(line);
        if (!fields || fields->size() < 3 || fields->at(0) != u"time" || fields->at(1) != u"t_s") {
            error_ = QStringLiteral("line 1: expected the header time,t_s,<channel>,..., found %1").arg(shown(line));
            return false;
        }
        columns_ = *fields;
        data_.text.header = line.toByteArray() + lineEnd_.toByteArray();
        data_.text.lineEnd = lineEnd_.toByteArray();
        hasEvent_ = columns_.size() > 3 && columns_.back() == u"event";
        data_.hasEventColumn = hasEvent_;
        const qsizetype channelEnd = columns_.size() - (hasEvent_ ? 1 : 0);
        int words = 0, bits = 0;
        for (qsizetype c = 2; c < channelEnd; ++c) {
            RecordingChannel channel;
            // "NAME [unit]" or "NAME []": a scaled column; "NAME (raw inputs)", "NAME (scaled
            // inputs)": a math channel. Their values are engineering values.
            const columnheading::Heading heading = columnheading::parseHeading(columns_[c]);
            channel.name = heading.name;
            if (heading.unitBracket && columnheading::isLogicColumn(heading.name))
                channel.name += QStringLiteral(" [") + heading.unit + u']';
            else if (heading.unitBracket) {
                channel.unit = heading.unit;
                channel.unitBracket = true;
                channel.engineering = true;
            }
            if (!heading.inputs.isEmpty()) {
                channel.mathInputs = heading.inputs;
                channel.engineering = true;
            }
            channel.logic = heading.inputs.isEmpty() && columnheading::isLogicColumn(channel.name);
            channel.colourIndex = channel.logic ? bits++ % 7 : words++ % 7;
            data_.channels.push_back(std::move(channel));
        }
        decimalColumns_.resize(data_.channels.size());
        cellForms_.resize(data_.channels.size(), CellForm::Either);
        return true;
    }

    bool expected(qsizetype column, const QString &what, QByteArrayView found)
    {
        error_ = QStringLiteral("line %1, column %2 (%3): expected %4, found %5")
                     .arg(lineNumber_).arg(column + 1).arg(columns_[column], what, shown(found));
        return false;
    }

    bool takeRow(QByteArrayView line)
    {
        fields_.clear();
        qsizetype from = 0;
        for (;;) {
            const qsizetype comma = line.indexOf(',', from);
            fields_.push_back(line.sliced(from, (comma < 0 ? line.size() : comma) - from));
            if (comma < 0)
                break;
            from = comma + 1;
        }
        if (fields_.size() != static_cast<std::size_t>(columns_.size())) {
            error_ = QStringLiteral("line %1: expected %2 columns as in the header, found %3")
                         .arg(lineNumber_).arg(columns_.size()).arg(fields_.size());
            return false;
        }
        asWritten_ = lineEnd_ == QByteArrayView(data_.text.lineEnd);
        if (!takeTime() || !takeValues())
            return false;
        // A line that the usual form would not give back is kept as it was read.
        if (!asWritten_) {
            RecordingText &text = data_.text;
            text.keptBytes.append(line).append(lineEnd_);
            text.keptLines.push_back({data_.timesMs.size() - 1, text.keptBytes.size()});
        }
        return true;
    }

    bool takeTime()
    {
        std::optional<std::int64_t> clock;
        if (!fields_[0].isEmpty() && !(clock = parseLocalTime(fields_[0])))
            return expected(0, QStringLiteral("a local date and time yyyy-MM-ddTHH:mm:ss.zzz or nothing"), fields_[0]);
        std::optional<std::int64_t> seconds;
        if (!fields_[1].isEmpty() && !(seconds = parseSeconds(fields_[1])))
            return expected(1, QStringLiteral("seconds with up to three decimals or nothing"), fields_[1]);
        const std::size_t row = data_.timesMs.size();
        if (row == 0 && clock) {
            data_.hasClockTime = true;
            data_.clockStartMs = *clock;
        }
        if (row == 0) {
            firstSecondsMs_ = seconds.value_or(0);
            // Rows without times from the first on (the export of a .trd): a row apart is no second.
            data_.hasTimes = clock || seconds;
        }
        std::int64_t timeMs = static_cast<std::int64_t>(row) * 1000;
        if (seconds)
            timeMs = *seconds - firstSecondsMs_;
        else if (clock && data_.hasClockTime)
            timeMs = *clock - data_.clockStartMs;
        if (row > 0 && timeMs < data_.timesMs.back())
            return expected(seconds ? 1 : 0, QStringLiteral("a time not before the row above"), fields_[seconds ? 1 : 0]);
        data_.timesMs.push_back(timeMs);
        const bool usualTime = data_.hasTimes
                                   ? seconds && isUsualSeconds(fields_[1]) && clock.has_value() == data_.hasClockTime
                                   : !clock && !seconds;
        asWritten_ = asWritten_ && usualTime;
        if (data_.hasClockTime) {
            const std::int64_t offset = clock ? *clock - data_.clockStartMs - timeMs : 0;
            const bool fits = offset >= std::numeric_limits<std::int32_t>::min() && offset <= std::numeric_limits<std::int32_t>::max();
            asWritten_ = asWritten_ && fits;
            data_.text.clockOffsetsMs.push_back(fits ? static_cast<std::int32_t>(offset) : 0);
        }
        return true;
    }

    // A cell of a column that holds decimals or has met one.
    bool takeDecimal(std::size_t c, QByteArrayView cell)
    {
        std::optional<DecimalColumn> &column = decimalColumns_[c];
        RecordingChannel &channel = data_.channels[c];
        if (cell.isEmpty()) {
            column->appendFailed();
            return true;
        }
        const std::optional<DecimalCell> number = parseDecimalCell(cell);
        if (!number)
            return expected(static_cast<qsizetype>(c + 2), QStringLiteral("a number or an empty cell"), cell);
        column->append(*number);
        channel.engineering = true;
        // A zero is stored without its sign: "-0" is not given back by the usual form.
        asWritten_ = asWritten_ && isColumnForm(c, cell, number->value == 0.0 ? 0.0 : number->value);
        return true;
    }

    // Whether a decimal cell is in its column's form: the shortest form that reads back the same
    // (qmx-record's: "1e+05", "1e-04") or 10 significant digits (the Trend Graph's export:
    // "100000", "0.0001"). The first cell where the two differ settles the column's form.
    bool isColumnForm(std::size_t c, QByteArrayView cell, double value)
    {
        CellForm &form = cellForms_[c];
        const auto isShortest = [&] { return numbertext::shortestBytes(value) == cell; };
        if (form == CellForm::Shortest)
            return isShortest();
        const bool tenDigits = cell == QByteArrayView(numbertext::engineeringBytes(value));
        if (form == CellForm::TenDigits)
            return tenDigits;
        const bool shortest = isShortest();
        if (tenDigits != shortest) {
            form = tenDigits ? CellForm::TenDigits : CellForm::Shortest;
            data_.channels[c].shortestCells = shortest;
        }
        return tenDigits || shortest;
    }

    bool takeValues()
    {
        const std::size_t row = data_.timesMs.size() - 1;
        for (std::size_t c = 0; c < data_.channels.size(); ++c) {
            const QByteArrayView cell = fields_[c + 2];
            if (decimalColumns_[c]) {
                if (!takeDecimal(c, cell))
                    return false;
                continue;
            }
            if (cell.isEmpty()) {
                data_.channels[c].append(0, false);
                continue;
            }
            const std::optional<std::int32_t> value = parseValue(cell);
            if (!value) {
                // A whole-number column so far; from its first decimal on it is read as decimals.
                if (!data_.channels[c].logic && parseDecimalCell(cell)) {
                    decimalColumns_[c].emplace(data_.channels[c]);
                    if (!takeDecimal(c, cell))
                        return false;
                    continue;
                }
                return expected(static_cast<qsizetype>(c + 2),
                                data_.channels[c].engineering ? QStringLiteral("a number or an empty cell")
                                                              : QStringLiteral("a whole number or an empty cell"),
                                cell);
            }
            data_.channels[c].append(*value, true);
            asWritten_ = asWritten_ && isUsualWholeNumber(cell);
        }
        if (hasEvent_) {
            // 1 the trigger row, 2 a window's first row after rows left out, 3 both.
            const QByteArrayView cell = fields_.back();
            const int mark = cell.size() == 1 && cell[0] >= '1' && cell[0] <= '3' ? cell[0] - '0' : 0;
            if (mark == 0 && !cell.isEmpty())
                return expected(columns_.size() - 1, QStringLiteral("1, 2, 3 or an empty cell"), cell);
            if (mark & 1)
                data_.eventRows.push_back(row);
            if (mark & 2)
                data_.windowStartRows.push_back(row);
        }
        return true;
    }

    QByteArrayView bytes_;
    const ReadProgress &progress_;
    QByteArrayView lineEnd_;
    bool asWritten_ = true; // the line at hand is what its row written the usual way gives
    qsizetype offset_ = 0;
    int lineNumber_ = 0;
    QStringList columns_;
    bool hasEvent_ = false;
    std::int64_t firstSecondsMs_ = 0;
    std::vector<QByteArrayView> fields_;
    RecordingData data_;
    std::vector<std::optional<DecimalColumn>> decimalColumns_; // per channel, once it met a decimal
    enum class CellForm : std::uint8_t { Either, TenDigits, Shortest };
    std::vector<CellForm> cellForms_; // per channel: the form its decimals are written in, once told
    QString error_;
};

} // namespace

ReadResult readCsvBytes(QByteArrayView bytes, const ReadProgress &progress)
{
    return CsvRecordingParser(bytes, progress).parse();
}

ReadResult readCsvFile(const QString &path, const ReadProgress &progress)
{
    ReadResult result;
    const QString notRegular = textfile::notRegularFileReason(path);
    QFile file(path);
    if (!notRegular.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: %2").arg(path, notRegular.isEmpty() ? file.errorString() : notRegular);
        return result;
    }
    const qint64 size = file.size();
    const uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    QByteArray copy;
    if (!mapped && size > 0)
        copy = file.readAll();
    const QByteArrayView bytes = mapped ? QByteArrayView(mapped, size) : QByteArrayView(copy);
    result = readCsvBytes(bytes, progress);
    if (result.data)
        result.data->path = path;
    return result;
}

} // namespace recording
