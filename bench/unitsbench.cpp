// The time a large units file takes to load, as qmx-record and the windows load it before anything
// else: a Units.txt of N lines (default 60,000) is written, then read and parsed whole, and every
// one of its keys is looked up once, as a recording of that many columns would. Target: 60,000
// lines well under a second.
//
//   unitsbench [lines]     default 60000

#include "engineering/UnitsTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Names and addresses in turn, each line a scale with a unit, every tenth with a comment.
QByteArray unitsFileBytes(long lines)
{
    QByteArray bytes;
    for (long n = 0; n < lines; ++n) {
        const QByteArray key = n % 2 ? "Var" + QByteArray::number(static_cast<qlonglong>(n))
                                     : QByteArray::number(static_cast<qlonglong>(0x600000 + n), 16).toUpper();
        bytes += key + "\t0.125\t-3\trpm";
        if (n % 10 == 0)
            bytes += "   # line " + QByteArray::number(static_cast<qlonglong>(n));
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long lines = argc > 1 ? std::max(1L, std::atol(argv[1])) : 60000L;
    QTemporaryDir dir;
    const QString path = dir.filePath(UnitsTable::fileName());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(unitsFileBytes(lines)) < 0)
        return 1;
    file.close();

    const Clock::time_point start = Clock::now();
    std::vector<UnitsProblem> problems;
    QString error;
    const UnitsTable table = UnitsTable::read(path, &problems, &error);
    const double readSeconds = secondsSince(start);
    const Clock::time_point lookupStart = Clock::now();
    std::size_t found = 0;
    for (const UnitsEntry &entry : table.entries())
        found += table.find(entry.key, UnitsTable::keyAddress(entry.key)) != nullptr;
    const double lookupSeconds = secondsSince(lookupStart);
    if (!error.isEmpty() || table.entries().size() != static_cast<std::size_t>(lines) || found != table.entries().size()) {
        std::fprintf(stderr, "unitsbench: %zu entries, %zu found, %zu problems %s\n", table.entries().size(), found,
                     problems.size(), qPrintable(error));
        return 1;
    }
    std::printf("Units.txt of %ld lines: read and parsed in %.3f s; every key looked up in %.3f s; %.3f s in all\n",
                lines, readSeconds, lookupSeconds, readSeconds + lookupSeconds);
    return 0;
}
