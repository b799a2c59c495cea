#include "record/RunOutput.h"

#include "link/Settings.h"
#include "record/InfluxFormat.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/RunRecording.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace record {

namespace {

// Whether `path` is the null device (/dev/null by any name): a trial run writes there, a file that
// is not kept, rather than beside it under a temporary name.
bool isNullDevice(const QString &path)
{
    struct stat given {}, null {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &given) == 0 && S_ISCHR(given.st_mode)
           && ::stat("/dev/null", &null) == 0 && given.st_rdev == null.st_rdev;
}

bool toNullDevice(const RecordOptions &options) { return !options.rotation.used() && isNullDevice(options.out); }

// The null device written as it is: in place from the start, nothing to put in place at the end.
bool openNullDevice(PartialOutput &output, const QString &out, QString *error)
{
    output.finalPath = out;
    output.inPlace = true;
    output.fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CLOEXEC);
    if (output.fd < 0)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return output.fd >= 0;
}

} // namespace

QString influxDeviceProblem(const RecordOptions &options)
{
    const QString device = devicePathForPort(options.port);
    const QString problem = options.writesInfluxLines() ? influxTextProblem(device) : QString();
    return problem.isEmpty() ? problem : kInfluxDevice.arg(options.port, device, problem);
}

QString outProblem(const RecordOptions &options)
{
    if (options.out.isEmpty() || options.outToStandardOutput() || toNullDevice(options))
        return {};
    // A series of files is named from --out; --out itself is never written then.
    const bool replaceable = options.force || options.rotation.used();
    return outPathProblem(options.out, replaceable);
}

QString openOutput(PartialOutput &output, const RecordOptions &options)
{
    QString error;
    if (options.out.isEmpty() || options.rotation.used()) {
        output.inPlace = true;
        output.fd = RunRecording::kNoFile;
    } else if (toNullDevice(options)) {
        if (!openNullDevice(output, options.out, &error))
            return kOutCannotBeMade.arg(options.out, error);
    } else if (options.outToStandardOutput() ? !output.openStandardOutput(&error) : !output.open(options.out, &error)) {
        return kOutCannotBeMade.arg(options.out, error);
    }
    return {};
}

} // namespace record
