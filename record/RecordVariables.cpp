#include "record/RecordVariables.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/TerminalOutput.h"
#include "link/Link.h"
#include "link/LinkResult.h"

#include <QFile>
#include <unistd.h>

namespace record {

namespace {

constexpr std::size_t kDataReadBufferSize = 60000;

// The shipped list that names `name`: Varlist2.txt (addresses) or Varlist.txt (offsets), whose
// entries end in the name; else it is one of the fixed DIO and M words.
QString shippedListOf(const QString &name)
{
    for (const QString &file : {kVarlist2Name, kVarlistName}) {
        const std::optional<QStringList> lines = textfile::readLines(programfolder::file(file));
        for (const QString &line : lines.value_or(QStringList())) {
            if (line.section(u',', -1).trimmed() == name)
                return file;
        }
    }
    return kFixedWords;
}

} // namespace

Variables buildVariables(const std::optional<QStringList> &readLines)
{
    CatalogueData catalogue;
    const QString path = programfolder::file(kSuperBlockFileName);
    if (!readLines && !QFile::exists(path)) {
        if (!buildVariableList(catalogue).proceed)
            return {};
        return {catalogue.variableList, {}, true};
    }
    CheckOutcome check;
    if (readLines) {
        check = textfile::writeAtomically(path, textfile::joinLinesCrLf(*readLines))
                    ? checkSuperBlockFile(path, catalogue)
                    : checkSuperBlockLines(*readLines, catalogue, path);
    } else {
        check = checkSuperBlockFile(path, catalogue);
        if (!check.proceed || check.errorCount > 0)
            return {{}, path + QStringLiteral(": ") + check.messages.join(u' ')};
    }
    if (!check.proceed || !decodeSuperBlock(catalogue).proceed || !buildVariableList(catalogue).proceed)
        return {};
    return {catalogue.variableList, {}};
}

QStringList noteShippedNames(ChannelSetup &setup)
{
    QStringList messages;
    if (setup.error.contains(kNotInVariableList.arg(QString()).section(u'(', 0, 0))) {
        setup.error += kDataReadNeeded;
        return messages;
    }
    if (!setup.error.isEmpty())
        return messages;
    for (int c : setup.data.selectedChannels) {
        const ChannelRecord &record = setup.data.channels[static_cast<std::size_t>(c)];
        if (record.addressKind != AddressKind::Name)
            continue;
        const QString address = QStringLiteral("%1")
                                    .arg(setup.data.channelAddress[static_cast<std::size_t>(c)], 8, 16, QLatin1Char('0'))
                                    .toUpper();
        messages.append(kNameFromShippedList.arg(record.addressOrName, address, shippedListOf(record.addressOrName)));
    }
    return messages;
}

ChannelSetup resolveChannels(const RecordOptions &options, const QStringList &variables)
{
    if (options.presets.isEmpty())
        return channelsFromTexts(options.channels, variables);
    QString error;
    const std::optional<QStringList> lines = textfile::readLines(options.presets, &error);
    if (!lines)
        return {TrendData{}, kPresetsUnreadable.arg(options.presets, error), {}};
    return channelsFromPresets(*lines, options.presets, variables);
}

SuperBlockRead readSuperBlock(Link &link, const RecordOptions &options, const RunStopSignals &stop)
{
    ReadBuffer buffer(kDataReadBufferSize, 0);
    DataReadReport report;
    // The read takes seconds at 9600 baud: on a terminal, how far it has come.
    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    const DataReadWatch progress = [showProgress, &stop](const DataReadProgress &done) {
        if (showProgress)
            printStatus(kDataReadProgress.arg(done.superBlockWords).arg(done.reads));
        return !stop.pending();
    };
    SuperBlockRead outcome;
    outcome.lines = readSuperBlockImage(link, buffer, progress, &report);
    if (showProgress)
        printStatus(QString());
    // A read that failed while a stop was asked for (a silent controller) is a stop all the same.
    outcome.stopped = report.stopped || (!outcome.lines && stop.pending());
    if (!outcome.lines && !outcome.stopped)
        outcome.failure = kDataReadFailed
                              .arg(report.failedAddress.value_or(0), 8, 16, QLatin1Char('0'))
                              .arg(report.failedCode)
                              .arg(linkResultText(report.failedCode, link.lastErrorReply()));
    return outcome;
}

} // namespace record
