#pragma once
// Figures of the exchanges on the line: how many, the failed ones by result code, and the reply
// times. The link thread counts them per pass; the windows and the recorder add them up for the
// read-out of the current or last run.

#include <chrono>
#include <cstdint>
#include <map>

struct ExchangeStats {
    std::uint64_t exchanges = 0;
    std::map<int, std::uint64_t> failuresByCode; // link result code -> count
    std::chrono::nanoseconds totalReply{0};
    std::chrono::nanoseconds longestReply{0};

    // One read (of one or more exchanges) that ended with `code` after `took`.
    void add(int code, std::chrono::nanoseconds took)
    {
        ++exchanges;
        if (code < 0)
            ++failuresByCode[code];
        totalReply += took;
        if (took > longestReply)
            longestReply = took;
    }
    void merge(const ExchangeStats &other)
    {
        exchanges += other.exchanges;
        for (const auto &[code, count] : other.failuresByCode)
            failuresByCode[code] += count;
        totalReply += other.totalReply;
        if (other.longestReply > longestReply)
            longestReply = other.longestReply;
    }
    std::uint64_t failures() const
    {
        std::uint64_t n = 0;
        for (const auto &entry : failuresByCode)
            n += entry.second;
        return n;
    }
    std::chrono::nanoseconds meanReply() const
    {
        return exchanges == 0 ? std::chrono::nanoseconds(0)
                              : std::chrono::nanoseconds(totalReply.count() / static_cast<long long>(exchanges));
    }
};
