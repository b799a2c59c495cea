// The cost of math channels per pass: four math channels over fourteen read channels (seven words,
// seven bits), computed one row at a time as a run computes them after each pass. Two figures:
// the math channels alone (MathChannelSet::evaluate), and qmx-record's whole engineering part of a
// row (fourteen values, seven of them scaled, and the four math channels, put into the row every
// output takes them from). Target: at most
// 20 microseconds per pass for the math channels.
//
//   mathbench [passes]     default 1,000,000

#include "engineering/MathChannelSet.h"
#include "record/EngineeringColumns.h"
#include "record/Recording.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const QStringList kWords = {QStringLiteral("600E60"), QStringLiteral("600E62"), QStringLiteral("600E64"),
                            QStringLiteral("600E66"), QStringLiteral("600E68"), QStringLiteral("600E6A"),
                            QStringLiteral("600E6C")};

const QStringList kDefinitions = {
    QStringLiteral("slip = 600E60 - 600E62"),
    QStringLiteral("accel = deriv(mavg(600E62, 10))"),
    QStringLiteral("irms = mrms(600E64, 50)"),
    QStringLiteral("energy = integ(abs(600E66 * 600E62) / 9549 + max(600E68, 600E6A) - min(600E6C, 0))"),
};

// A row of pass `n`: moving words, toggling bits, a failed read now and then.
void fillRow(long n, std::vector<double> &values, bool *failed)
{
    for (std::size_t c = 0; c < values.size(); ++c) {
        values[c] = c < 7 ? std::round(1000 * std::sin(0.001 * n + c)) : double((n >> c) & 1);
        failed[c] = (n + static_cast<long>(c) * 131) % 997 == 0;
    }
}

struct Figures {
    double meanMicroseconds = 0;
    double slowestBatchMicroseconds = 0; // per pass, of the slowest 1000 passes in a row
};

template <typename Pass>
Figures measure(long passes, Pass pass)
{
    constexpr long kBatch = 1000;
    Figures figures;
    const Clock::time_point start = Clock::now();
    for (long done = 0; done < passes; done += kBatch) {
        const Clock::time_point batchStart = Clock::now();
        for (long n = done; n < std::min(passes, done + kBatch); ++n)
            pass(n);
        const double batch = std::chrono::duration<double, std::micro>(Clock::now() - batchStart).count() / kBatch;
        figures.slowestBatchMicroseconds = std::max(figures.slowestBatchMicroseconds, batch);
    }
    figures.meanMicroseconds = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / passes;
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long passes = argc > 1 ? std::max(1000L, std::atol(argv[1])) : 1000000L;

    QStringList texts = kWords;
    for (int bit = 0; bit < 7; ++bit)
        texts << QStringLiteral("600F00:%1").arg(bit, 2, 10, QLatin1Char('0'));
    const record::ChannelSetup setup = record::channelsFromTexts(texts, {});
    if (!setup.error.isEmpty()) {
        std::fprintf(stderr, "mathbench: %s\n", qPrintable(setup.error));
        return 1;
    }

    // The math channels alone.
    std::vector<MathInput> inputs;
    for (int c : setup.data.selectedChannels)
        inputs.push_back({texts.at(static_cast<qsizetype>(inputs.size())), setup.data.channelAddress[static_cast<std::size_t>(c)]});
    MathChannelSet math(inputs);
    for (const QString &definition : kDefinitions) {
        QString error;
        if (!math.add(definition, &error)) {
            std::fprintf(stderr, "mathbench: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::vector<double> values(inputs.size());
    std::unique_ptr<bool[]> failed(new bool[inputs.size()]);
    double sink = 0;
    const Figures alone = measure(passes, [&](long n) {
        fillRow(n, values, failed.get());
        const auto results = math.evaluate(n * 0.094, values, std::span<const bool>(failed.get(), values.size()));
        sink += results[0].value_or(0) + results[3].value_or(0);
    });

    // qmx-record's engineering part of a row: seven words scaled and the math channels.
    QTemporaryDir dir;
    const QString unitsPath = dir.filePath(QStringLiteral("Units.txt"));
    QFile units(unitsPath);
    if (!units.open(QIODevice::WriteOnly))
        return 1;
    for (const QString &word : kWords)
        units.write((word + QStringLiteral("\t0.125\t-3\trpm\n")).toLatin1());
    units.close();
    record::EngineeringOptions options;
    options.unitsFile = unitsPath;
    options.scaled = true;
    options.math = kDefinitions;
    QStringList warnings;
    QString error;
    const std::unique_ptr<record::EngineeringColumns> columns =
        record::EngineeringColumns::make(options, setup.data, &warnings, &error);
    if (!columns) {
        std::fprintf(stderr, "mathbench: %s\n", qPrintable(error));
        return 1;
    }
    record::RecordRow row;
    qsizetype mathResults = 0;
    const Figures cells = measure(passes, [&](long n) {
        fillRow(n, values, failed.get());
        row.values.resize(values.size());
        for (std::size_t c = 0; c < values.size(); ++c)
            row.values[c] = failed[c] ? std::nullopt
                                      : std::optional<record::ChannelValue>(static_cast<std::int64_t>(values[c]));
        row.seconds = n * 0.094;
        columns->fillRow(row);
        mathResults += std::count_if(row.values.begin() + static_cast<std::ptrdiff_t>(values.size()), row.values.end(),
                                     [](const std::optional<record::ChannelValue> &value) { return value.has_value(); });
    });

    std::printf("math channels: 4 over 14 read channels (7 words, 7 bits), %ld passes\n", passes);
    std::printf("  %-46s %8.3f us/pass mean, %8.3f us/pass slowest 1000 passes (target <= 20)\n",
                "computing them (MathChannelSet::evaluate)", alone.meanMicroseconds, alone.slowestBatchMicroseconds);
    std::printf("  %-46s %8.3f us/pass mean, %8.3f us/pass slowest 1000 passes\n",
                "qmx-record's row: scaled values and math", cells.meanMicroseconds, cells.slowestBatchMicroseconds);
    std::printf("  (checksums %g, %lld math results in rows)\n", sink, static_cast<long long>(mathResults));
    return 0;
}
