#include "sim/ValueSchedule.h"

#include <algorithm>
#include <cmath>
#include <numbers>
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

// "5s", "500ms" (a time after the start) or "20" (the n-th read): the form after "@".
struct When {
    std::optional<std::chrono::milliseconds> fromTime;
    std::optional<std::uint64_t> fromRead;
};

std::optional<When> parseWhen(QString when)
{
    When parsed;
    bool ok = false;
    if (when.endsWith(QLatin1String("ms")) || when.endsWith(u's')) {
        const bool milliseconds = when.endsWith(QLatin1String("ms"));
        when.chop(milliseconds ? 2 : 1);
        const double amount = when.toDouble(&ok);
        if (!ok || !(amount >= 0) || amount > 1e9)
            return std::nullopt;
        parsed.fromTime = std::chrono::milliseconds(static_cast<qint64>(amount * (milliseconds ? 1.0 : 1000.0)));
    } else {
        parsed.fromRead = parseCount(when);
        if (!parsed.fromRead)
            return std::nullopt;
    }
    return parsed;
}

// A word's value as a signed number: -32768..32767 in decimal, or 0x0000..0xFFFF.
std::optional<double> parseWordValue(const QString &text)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const uint value = text.mid(2).toUInt(&ok, 16);
        if (!ok || value > 0xFFFF)
            return std::nullopt;
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    }
    const int value = text.toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return value;
}

// "0.5s", "200ms", "2" (seconds): above 0 and finite.
std::optional<double> parseSeconds(QString text)
{
    double factor = 1.0;
    if (text.endsWith(QLatin1String("ms"))) {
        factor = 0.001;
        text.chop(2);
    } else if (text.endsWith(u's')) {
        text.chop(1);
    }
    bool ok = false;
    const double amount = text.toDouble(&ok) * factor;
    if (!ok || !std::isfinite(amount) || amount <= 0 || amount > 1e6)
        return std::nullopt;
    return amount;
}

std::uint16_t responseWord(double value)
{
    const double rounded = std::clamp(std::round(value), -32768.0, 32767.0);
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(rounded));
}

} // namespace

double ScheduledResponse::dampingRatio() const
{
    const double logOvershoot = std::log(overshootPercent.value_or(0) / 100.0);
    return -logOvershoot / std::sqrt(std::numbers::pi * std::numbers::pi + logOvershoot * logOvershoot);
}

double ScheduledResponse::valueAt(double seconds) const
{
    if (!(seconds > 0))
        return from;
    const double t = seconds / timeConstant; // in units of the time constant (1 / natural frequency)
    double along = 0;                        // 0 at `from`, 1 at `to`
    if (!overshootPercent) {
        along = 1.0 - std::exp(-t);
    } else {
        const double zeta = dampingRatio();
        const double root = std::sqrt(1.0 - zeta * zeta);
        along = 1.0 - std::exp(-zeta * t) * (std::cos(root * t) + zeta / root * std::sin(root * t));
    }
    return from + (to - from) * along;
}

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
    for (Playing &playing : responses_) {
        const ScheduledResponse &response = playing.response;
        if (response.address != address)
            continue;
        if (response.fromRead && !playing.startedAt && read >= *response.fromRead)
            playing.startedAt = sinceStart;
        std::optional<std::chrono::steady_clock::duration> start = playing.startedAt;
        if (response.fromTime)
            start = *response.fromTime;
        const double seconds =
            start ? std::chrono::duration<double>(sinceStart - *start).count() : -1.0;
        memory.setWord(address, responseWord(response.valueAt(seconds)));
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
    for (const Playing &playing : responses_)
        take(playing.response.address);
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
    const std::optional<When> when = parseWhen(form->rest);
    if (!when)
        return std::nullopt;
    step.fromTime = when->fromTime;
    step.fromRead = when->fromRead;
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

std::optional<ScheduledResponse> ValueSchedule::parseResponse(const QString &text)
{
    const std::optional<AddressForm> form = splitAddressForm(text, u'@');
    if (!form)
        return std::nullopt;
    const QStringList fields = form->middle.split(u':');
    if (fields.size() != 3 && fields.size() != 4)
        return std::nullopt;
    ScheduledResponse response;
    response.address = form->address;
    const std::optional<double> from = parseWordValue(fields.at(0));
    const std::optional<double> to = parseWordValue(fields.at(1));
    const std::optional<double> timeConstant = parseSeconds(fields.at(2));
    if (!from || !to || !timeConstant)
        return std::nullopt;
    response.from = *from;
    response.to = *to;
    response.timeConstant = *timeConstant;
    if (fields.size() == 4) {
        QString overshoot = fields.at(3);
        if (!overshoot.endsWith(u'%'))
            return std::nullopt;
        overshoot.chop(1);
        bool ok = false;
        const double percent = overshoot.toDouble(&ok);
        if (!ok || !(percent > 0) || !(percent < 100))
            return std::nullopt;
        response.overshootPercent = percent;
    }
    const std::optional<When> when = parseWhen(form->rest);
    if (!when)
        return std::nullopt;
    response.fromTime = when->fromTime;
    response.fromRead = when->fromRead;
    return response;
}
