#include "engineering/UnitsTable.h"

#include "base/NumberText.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "engineering/EngineeringTexts.h"

#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr int kMaxAddressDigits = 8;

std::optional<double> finiteNumber(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

bool holdsControl(const QString &text) { return std::any_of(text.begin(), text.end(), isControl); }

// A unit in brackets heads a scaled column ("SpdFbk [rpm]"): a bracket of its own would make the
// header read as another name and unit.
bool holdsBracket(const QString &text) { return text.contains(u'[') || text.contains(u']'); }

// A field as a message quotes it: a control character (a NUL byte above all, which would end the
// message wherever it is printed as C text) as \xHH.
QString shownField(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        if (isControl(c))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

bool holdsFileSyntax(const QString &text)
{
    for (QChar c : text) {
        // The file is Latin-1: a character beyond it would not read back.
        if (c == u'\t' || c == u'#' || isControl(c) || c.unicode() > 0xFF)
            return true;
    }
    return holdsBracket(text);
}

} // namespace

QString UnitsProblem::text() const
{
    return engineeringtexts::kUnitsLineProblem.arg(file).arg(line).arg(reason);
}

QString UnitsTable::numberText(double value) { return numbertext::shortestText(value); }

QString UnitsTable::fileName() { return QStringLiteral("Units.txt"); }

QString UnitsTable::defaultPath() { return programfolder::filesPath() + fileName(); }

std::optional<std::uint32_t> UnitsTable::keyAddress(const QString &key)
{
    if (key.isEmpty() || key.size() > kMaxAddressDigits)
        return std::nullopt;
    bool ok = false;
    const uint value = key.toUInt(&ok, 16);
    // toUInt takes a "0x" prefix and blanks, which are no address digits here.
    for (QChar c : key) {
        if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7F)
            return std::nullopt;
    }
    if (!ok)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool UnitsTable::isUsableKey(const QString &key)
{
    if (key.isEmpty())
        return false;
    for (QChar c : key) {
        if (c.isSpace() || c == u'#' || isControl(c) || c.unicode() > 0xFF)
            return false;
    }
    return true;
}

UnitsTable UnitsTable::parse(const QStringList &lines, const QString &fileName, std::vector<UnitsProblem> *problems)
{
    UnitsTable table;
    const QString bareName = textfile::bareFileName(fileName);
    const auto ignore = [&](int line, const QString &reason) {
        if (problems)
            problems->push_back(UnitsProblem{bareName, line, reason});
    };
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = static_cast<int>(index) + 1;
        QString line = lines.at(index);
        const qsizetype comment = line.indexOf(u'#');
        if (comment >= 0)
            line.truncate(comment);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 3) {
            ignore(lineNumber, engineeringtexts::kUnitsTooFewFields.arg(fields.size()));
            continue;
        }
        if (fields.size() > 4) {
            ignore(lineNumber, engineeringtexts::kUnitsTooManyFields);
            continue;
        }
        const QString key = fields.at(0).trimmed();
        if (key.isEmpty()) {
            ignore(lineNumber, engineeringtexts::kUnitsNoKey);
            continue;
        }
        if (holdsControl(key)) {
            ignore(lineNumber, engineeringtexts::kUnitsControlCharacter.arg(shownField(key)));
            continue;
        }
        if (!isUsableKey(key)) {
            ignore(lineNumber, engineeringtexts::kUnitsBadKey.arg(key));
            continue;
        }
        const std::optional<double> gain = finiteNumber(fields.at(1).trimmed());
        if (!gain) {
            ignore(lineNumber, engineeringtexts::kUnitsBadGain.arg(shownField(fields.at(1).trimmed())));
            continue;
        }
        if (*gain == 0.0) {
            ignore(lineNumber, engineeringtexts::kUnitsZeroGain);
            continue;
        }
        const std::optional<double> offset = finiteNumber(fields.at(2).trimmed());
        if (!offset) {
            ignore(lineNumber, engineeringtexts::kUnitsBadOffset.arg(shownField(fields.at(2).trimmed())));
            continue;
        }
        if (const auto earlier = table.keyIndex_.constFind(key); earlier != table.keyIndex_.cend()) {
            ignore(lineNumber, engineeringtexts::kUnitsDuplicate.arg(key).arg(table.entries_[*earlier].line));
            continue;
        }
        const QString unit = fields.size() == 4 ? fields.at(3).trimmed() : QString();
        if (holdsControl(unit)) {
            ignore(lineNumber, engineeringtexts::kUnitsUnitControlCharacter.arg(shownField(unit)));
            continue;
        }
        if (holdsBracket(unit)) {
            ignore(lineNumber, engineeringtexts::kUnitsUnitBracket.arg(unit));
            continue;
        }
        table.append(UnitsEntry{key, UnitScale{*gain, *offset, unit}, lineNumber});
    }
    return table;
}

UnitsTable UnitsTable::read(const QString &path, std::vector<UnitsProblem> *problems, QString *error)
{
    if (!QFileInfo::exists(path) && textfile::notRegularFileReason(path).isEmpty())
        return {};
    const std::optional<QStringList> lines = textfile::readLines(path, error);
    if (!lines)
        return {};
    return parse(*lines, path, problems);
}

void UnitsTable::append(UnitsEntry entry)
{
    const std::size_t index = entries_.size();
    keyIndex_.insert(entry.key, index);
    if (const std::optional<std::uint32_t> address = keyAddress(entry.key); address && !addressIndex_.contains(*address))
        addressIndex_.insert(*address, index);
    entries_.push_back(std::move(entry));
}

void UnitsTable::reindex()
{
    std::vector<UnitsEntry> entries;
    entries.swap(entries_);
    keyIndex_.clear();
    addressIndex_.clear();
    for (UnitsEntry &entry : entries)
        append(std::move(entry));
}

const UnitScale *UnitsTable::findName(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    const auto found = keyIndex_.constFind(name);
    return found == keyIndex_.cend() ? nullptr : &entries_[*found].scale;
}

const UnitScale *UnitsTable::findAddress(std::uint32_t address) const
{
    const auto found = addressIndex_.constFind(address);
    return found == addressIndex_.cend() ? nullptr : &entries_[*found].scale;
}

const UnitScale *UnitsTable::find(const QString &name, std::optional<std::uint32_t> address) const
{
    if (const UnitScale *byName = findName(name))
        return byName;
    return address ? findAddress(*address) : nullptr;
}

bool UnitsTable::set(const QString &key, const UnitScale &scale)
{
    if (!isUsableKey(key) || !std::isfinite(scale.gain) || scale.gain == 0.0 || !std::isfinite(scale.offset)
        || holdsFileSyntax(scale.unit) || scale.unit.trimmed() != scale.unit)
        return false;
    if (const auto found = keyIndex_.constFind(key); found != keyIndex_.cend()) {
        entries_[*found].scale = scale;
        return true;
    }
    append(UnitsEntry{key, scale, 0});
    return true;
}

bool UnitsTable::remove(const QString &key)
{
    const auto found = keyIndex_.constFind(key);
    if (found == keyIndex_.cend())
        return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*found));
    // The entries after it moved up by one, and an address it held may fall to a later key.
    reindex();
    return true;
}

QStringList UnitsTable::toLines() const
{
    QStringList lines{engineeringtexts::kUnitsFileHeader};
    for (const UnitsEntry &entry : entries_) {
        lines << entry.key + u'\t' + numberText(entry.scale.gain) + u'\t' + numberText(entry.scale.offset) + u'\t'
                     + entry.scale.unit;
    }
    return lines;
}

bool UnitsTable::write(const QString &path, QString *error) const
{
    return textfile::writeAtomically(path, textfile::joinLinesCrLf(toLines()), error);
}
