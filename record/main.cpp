// qmx-record: unattended trend recording on the command line. Reads passes of the chosen channels
// with the Trend Graph's pass loop and writes each as a CSV row, for hours, in constant memory;
// a device that goes away is opened again once a second until it is back.

#include "link/Link.h"
#include "link/Settings.h"
#include "record/EngineeringTexts.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/RecordVariables.h"
#include "record/RunChannels.h"
#include "record/RunOutcome.h"
#include "record/RunOutput.h"
#include "record/RunSession.h"
#include "record/RunStopSignals.h"
#include "record/TerminalOutput.h"

#include <QCoreApplication>
#include <csignal>

using namespace record;

int main(int argc, char **argv)
{
    // Ctrl-C, SIGTERM and SIGHUP (the terminal or session closed) are held from the first thing
    // the program does, before anything that takes time: a stop that comes while the arguments and
    // files are read ends the run at its start, never the process; they end a --data-read between
    // two reads and the run at its next tick, so the port's lock file always goes with the port.
    RunStopSignals stop;
    QCoreApplication app(argc, argv);
    const ParseResult parsed = parseArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.options)
        return exitWithMessage(kExitArguments, parsed.error);
    const RecordOptions &options = *parsed.options;
    if (options.help) {
        print(stdout, kHelpText.arg(kEngineeringHelp));
        return kExitDone;
    }
    if (const QString error = influxDeviceProblem(options); !error.isEmpty())
        return exitWithMessage(kExitArguments, error);
    // Channels that can be resolved without the controller are checked before the port is opened.
    RunChannels channels;
    if (!options.dataRead) {
        const Variables variables = buildVariables(std::nullopt);
        const QString error = variables.error.isEmpty() ? channels.resolve(options, variables) : variables.error;
        if (!error.isEmpty())
            return exitWithMessage(kExitArguments, error);
    }
    if (const QString error = outProblem(options); !error.isEmpty())
        return exitWithMessage(kExitArguments, error);
    // A reader of standard output that goes away (a collector stopped) is a failed write, not the
    // end of the process: the run ends as after any failed write, with the port closed. A file-size
    // limit (ulimit -f, a service's LimitFSIZE) makes a write that reaches it fail (EFBIG), told
    // and handled as any failed write, instead of killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    Link link;
    link.setMessageFunction(Link::MessageFunction([](const QString &text, const QString &detail) {
        printMessage(kPortProblem.arg(text, detail.isEmpty() ? QString() : u' ' + detail));
    }));
    if (link.open(PortUser::TrendRun, options.port) != 0)
        return kExitPort;
    if (options.dataRead) {
        const SuperBlockRead read = readSuperBlock(link, options, stop);
        if (read.stopped) {
            link.close();
            return exitWithMessage(kExitDone, kDataReadStopped);
        }
        if (!read.lines)
            return exitWithMessage(kExitPort, read.failure);
        if (const QString error = channels.resolve(options, buildVariables(read.lines)); !error.isEmpty())
            return exitWithMessage(kExitArguments, error);
    }
    // Rows go to the file (or standard output), to each broker, or both.
    PartialOutput output;
    if (const QString error = openOutput(output, options); !error.isEmpty())
        return exitWithMessage(kExitArguments, error);
    return RunSession(link, output, channels, options).record(stop);
}
