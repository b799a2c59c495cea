#pragma once
// Where a qmx-record run's rows go before the first pass: the file under a temporary name beside
// --out, the null device as it is, standard output, or no file at all (brokers only, or a
// --rotate series, which the recording opens itself), and what stops a start from writing there.

#include "record/PartialOutput.h"

#include <QString>

namespace record {

struct RecordOptions;

// Why InfluxDB lines could not carry the device's path as their tag, or nothing.
QString influxDeviceProblem(const RecordOptions &options);

// Why --out cannot take the rows (see outPathProblem), or nothing; said before the port is opened.
QString outProblem(const RecordOptions &options);

// Opens where the rows go; the message, or nothing.
QString openOutput(PartialOutput &output, const RecordOptions &options);

} // namespace record
