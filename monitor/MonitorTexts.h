// The spelling of these texts is the product's own, typos included; tests pin it.
#pragma once
// Texts the Monitor shows and writes: messages, captions, the names of its fixed cells, the file
// dialog's filter and the fixed lines of its .mon files.

#include <QString>

namespace monitor {

inline const QString kPleaseClickDataRead = QStringLiteral("Please click [Data Read] button of Varlist window.");
inline const QString kIncorrectFileName = QStringLiteral("Incorrect File Name");
inline const QString kIncorrectData = QStringLiteral("Incorrect Data");
// A Monitor file that stops before its "END" line (or before the empty line and heading closing
// one of the first two grids) is refused whole.
inline const QString kMonitorFileEndsEarly = QStringLiteral("Incorrect Data: the file ends before its END line");
inline QString cannotReadFile(const QString &path) { return QStringLiteral("Cannot read file %1").arg(path); }
// The path and the system's reason are its detail.
inline const QString kCannotWriteFile = QStringLiteral("Cannot write file");

inline const QString kMonitorFileFilter = QStringLiteral("Moniter Data(*.mon)|*.mon");
inline const QString kMonitorFileExtension = QStringLiteral("mon");
inline const QString kMonitorFileMark = QStringLiteral(".mon");
// The name Save offers for values read: this, the date and time, the extension.
inline const QString kStampedFileStem = QStringLiteral("monitor");

// The fixed lines of a .mon file: its title around the file's name, the number base after the
// format line's start, each grid's heading, the last line.
inline const QString kFileTitleStart = QStringLiteral("----- Qmx Moniter List --- File Name:");
inline const QString kFileTitleEnd = QStringLiteral(" ----");
inline const QString kFileFormatLineStart = QString(34, QLatin1Char(' ')) + QStringLiteral("dec/hex : ");
inline const QString kCommandGridHeading = QStringLiteral("--- Command, Value & FeedBack ---");
inline const QString kInputOutputGridHeading = QStringLiteral("--- Input & Output & Variables M ---");
inline const QString kBlockOutputGridHeading = QStringLiteral("SuperBlock Output");
inline const QString kFileEndLine = QStringLiteral("END");

// The names of the fixed cells. The input/output grid begins with these, an empty item starting
// the next row, then UDAT0 to UDAT7 and M00 to M31; the command grid ends with ALL0 to ALL4.
// %1 the number.
inline const QString kInputOutputNames = QStringLiteral("AI1,AI2,,DPTF1,DPTF2,DPGF1,DPGF2,PTO,AO1,AO2,DSPO,FLG5,");
inline const QString kUdatName = QStringLiteral("UDAT%1");
inline const QString kVariableMName = QStringLiteral("M%1");
inline const QString kAllName = QStringLiteral("ALL%1");

inline const QString kCaption = QStringLiteral("MoniForm");
inline const QString kTitle = QStringLiteral("QMX Monitor");
inline const QString kRelease = QStringLiteral("Release");
inline const QString kPause = QStringLiteral("Pause");
inline const QString kDec = QStringLiteral("Dec");
inline const QString kHex = QStringLiteral("Hex");
inline const QString kOpen = QStringLiteral("Open");
inline const QString kSave = QStringLiteral("Save");
inline const QString kPrint = QStringLiteral("Print");
inline const QString kStop = QStringLiteral("Stop");
inline const QString kRunning = QStringLiteral("Running");
inline const QString kFileNameCaption = QStringLiteral("File Name:");
inline const QString kCommandGridCaption = QStringLiteral("COMMAND VAL and FEEDBACK");
inline const QString kInputOutputGridCaption = QStringLiteral("INPUT and OUTPUT(Include Variable M)");
inline const QString kBlockOutputGridCaption = QStringLiteral("SUPER BLOCK and OUTPUT");

// Tooltips.
inline const QString kReleaseTip = QStringLiteral("Release: read the controller pass after pass. Pause: stop reading.");
inline const QString kNumberBaseTip = QStringLiteral("Show the values in decimal or hex.");

// The line's state beside the figures; %1 the time.
inline const QString kLineLost = QStringLiteral("line lost %1, reopened every second");
inline const QString kLineBack = QStringLiteral("line back %1");
// The form of the times in the line's events.
inline const QString kTimeFormat = QStringLiteral("HH:mm:ss");
// An event (%1) with the figures (%2) after it.
inline const QString kEventAndFigures = QStringLiteral("%1   %2");
// Beside the figures after a Save. %1 the file's name, %2 its folder.
inline const QString kSavedIn = QStringLiteral("saved %1 in %2");
// After a Save while values were not live. %1 the file.
inline const QString kSavedWithStaleValues =
    QStringLiteral("%1 was saved, but the line is lost or the last pass failed: the values shown in grey are the last ones read, not live values.");

} // namespace monitor
