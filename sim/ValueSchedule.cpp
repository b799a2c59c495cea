#include "sim/ValueSchedule.h"

#include <algorithm>
#include <vector>

namespace {

std::optional<std::uint32_t> parseAddress(const QString &text)
{
    return ControllerMemory::parseHex(text.toLatin1(), 8);
}

std::optional<std::uint64_t> parseCount(const QString &text)
{
    bool ok = false;
    const qulonglong n = text.toULongLong(&ok);
    if (!ok || n == 0)
        return std::nullopt;
    return n;
}

// "ADDR:MIDDLE<separator>REST", the form of both --step (ADDR:VALUE@WHEN) and --toggle
// (ADDR:BIT/N): the address and the two texts after it, or nothing when the form does not hold.
struct AddressForm {
    std::uint32_t address = 0;
    QString middle;
    QString rest;
};

std::optional<AddressForm> splitAddressForm(const QString &text, QChar separator)
{
    const qsizetype colon = text.indexOf(u':');
    const qsizetype at = text.indexOf(separator);
    if (colon < 0 || at < colon)
        return std::nullopt;
    const std::optional<std::uint32_t> address = parseAddress(text.left(colon));
    if (!address)
        return std::nullopt;
    return AddressForm{*address, text.mid(colon + 1, at - colon - 1), text.mid(at + 1)};
}

} // namespace

void ValueSchedule::beforeRead(std::uint32_t address, std::chrono::steady_clock::duration sinceStart,
                               ControllerMemory &memory)
{
    const std::uint64_t read = ++reads_[address];
    // Later steps of the list win over earlier ones that are also due.
    for (const ScheduledStep &step : steps_) {
        if (step.address != address)
            continue;
        const bool due = (step.fromTime && sinceStart >= *step.fromTime) || (step.fromRead && read >= *step.fromRead);
        if (due)
            memory.setWord(address, step.value);
    }
    for (const ScheduledToggle &toggle : toggles_) {
        if (toggle.address != address)
            continue;
        const bool high = ((read - 1) / toggle.everyReads) % 2 == 1;
        const std::uint16_t mask = static_cast<std::uint16_t>(1u << toggle.bit);
        const std::uint16_t word = memory.word(address);
        memory.setWord(address, high ? (word | mask) : (word & ~mask));
    }
}

void ValueSchedule::beforeBlockRead(std::uint32_t address, int bytes, std::chrono::steady_clock::duration sinceStart,
                                    ControllerMemory &memory)
{
    if (bytes < 2)
        return;
    const std::uint64_t first = address;
    const std::uint64_t end = first + static_cast<std::uint64_t>(bytes); // past the last byte
    // Each scheduled word once, however many steps or toggles it has.
    std::vector<std::uint32_t> held;
    const auto take = [&](std::uint32_t scheduled) {
        const bool inside = scheduled >= first && scheduled + std::uint64_t{2} <= end && (scheduled - first) % 2 == 0;
        if (inside && std::find(held.begin(), held.end(), scheduled) == held.end())
            held.push_back(scheduled);
    };
    for (const ScheduledStep &step : steps_)
        take(step.address);
    for (const ScheduledToggle &toggle : toggles_)
        take(toggle.address);
    for (std::uint32_t scheduled : held)
        beforeRead(scheduled, sinceStart, memory);
}

std::uint64_t ValueSchedule::readsOf(std::uint32_t address) const
{
    const auto it = reads_.find(address);
    return it == reads_.end() ? 0 : it->second;
}

std::optional<ScheduledStep> ValueSchedule::parseStep(const QString &text)
{
    const std::optional<AddressForm> form = splitAddressForm(text, u'@');
    if (!form)
        return std::nullopt;
    bool ok = false;
    const uint value = form->middle.toUInt(&ok, 0);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    ScheduledStep step;
    step.address = form->address;
    step.value = static_cast<std::uint16_t>(value);
    QString when = form->rest;
    if (when.endsWith(QLatin1String("ms")) || when.endsWith(u's')) {
        const bool milliseconds = when.endsWith(QLatin1String("ms"));
        when.chop(milliseconds ? 2 : 1);
        const double amount = when.toDouble(&ok);
        if (!ok || amount < 0)
            return std::nullopt;
        step.fromTime = std::chrono::milliseconds(static_cast<qint64>(amount * (milliseconds ? 1.0 : 1000.0)));
    } else {
        step.fromRead = parseCount(when);
        if (!step.fromRead)
            return std::nullopt;
    }
    return step;
}

std::optional<ScheduledToggle> ValueSchedule::parseToggle(const QString &text)
{
    const std::optional<AddressForm> form = splitAddressForm(text, u'/');
    if (!form)
        return std::nullopt;
    ScheduledToggle toggle;
    bool ok = false;
    toggle.bit = form->middle.toInt(&ok);
    const std::optional<std::uint64_t> every = parseCount(form->rest);
    if (!ok || toggle.bit < 0 || toggle.bit > 15 || !every)
        return std::nullopt;
    toggle.address = form->address;
    toggle.everyReads = *every;
    return toggle;
}
