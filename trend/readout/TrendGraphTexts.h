#pragma once
// Every caption and message of the Trend Graph window, defined once. Their spelling is the
// product's own, typos included, and pinned by tests: do not correct it.

#include "trend/model/TrendCoreTexts.h"

#include <QColor>
#include <QString>
#include <QStringList>

// Run start.
inline const QString kCheckFullScale = QStringLiteral("Check the F.S. value!");
inline const QString kSelectDrawingData = QStringLiteral("Please select drawing data.");
inline const QString kAddressNotFound = QStringLiteral("Asigned Address can not found");
inline const QString kCommunicationError = QStringLiteral("Communication Error");
// The channel set-up could not be saved at a run start; the run goes on. The files that failed and
// why are its detail (base/SaveFailure), as for every file that could not be saved.
inline const QString kPresetsNotSaved =
    QStringLiteral("The channel set-up could not be saved and will be lost at the next start.");
// A drawn analog channel scaled by 0 would divide every sample by zero.
inline const QString kFullScaleZero = QStringLiteral("F.S. value 0 can not be drawn. Check the F.S. value!");
// A bit box of a drawn logic channel that holds no whole number.
inline const QString kCheckBitNumber = QStringLiteral("Check the bit value!");

// What a refused start adds under its message: which channel, and what to do.
// %1 channel row (1-14), %2 its name or address.
inline const QString kChannelNotFound = QStringLiteral("Channel %1: \"%2\" is not in the variable list.");
inline const QString kDataReadBuildsList =
    QStringLiteral("Block outputs are listed once \"Data Read\" in the Variables List has read the super block.");
// %1 channel row (1-14), %2 its name or address, %3 the bit as typed.
inline const QString kBitOutOfRange = QStringLiteral("Channel %1 (%2): bit %3 is not from 0 to 15.");

// Channel set-up controls.
inline const QString kOpenVariablesList = QStringLiteral("Please open Variables List.");

// Trend data file.
inline const QString kTrendFileFilter = QStringLiteral("TRendDataFile(*.trd)|*.trd");
inline const QString kIncorrectFileName = QStringLiteral("Incorrect File Name");
inline const QString kIncorrectFileData = QStringLiteral("Incorrect File Data");
// A file that cannot be read or written.
inline const QString kTrendFileReadError = QStringLiteral("Can not read the file.");
inline const QString kTrendFileWriteError = QStringLiteral("Can not write the file. The old file is kept.");

// The band when the error trace could not be written where the run began it. %1: the trace that
// failed and why; %2: where it goes now.
inline const QString kBandErrorTraceMoved = QStringLiteral("error trace (%1) now in %2");
// ... nor in the user's data folder. %1: the trace that failed and why.
inline const QString kBandErrorTraceLost = QStringLiteral("error trace not written (%1)");

// Tooltips: how a control is used where its caption does not say.
inline const QString kNameFieldTip = QStringLiteral(
    "Variable name (L) or hex address (A). Double-click to take the name selected in the Variables List.");
inline const QString kLogicNameFieldTip = QStringLiteral(
    "Variable name (L) or hex address (A). Double-click to take the name and bit selected in the Variables List.");
inline const QString kAddressKindTip = QStringLiteral("A: the field holds a hex address. L: a variable name. Click to switch.");
inline const QString kFullScaleTip = QStringLiteral("F.S.: the value drawn at +100 % (and its negative at -100 %).");
inline const QString kBitTip = QStringLiteral("The bit of the word drawn, 0 to 15.");
inline const QString kSelectTip = QStringLiteral("Draw this channel in the next run. A click ends a run.");
inline const QString kGraphTip = QStringLiteral(
    "Click: move the cursor. Shift+click: second cursor. Right-click: export, copy, record, read-out.");
inline const QString kStepLeftTip = QStringLiteral("Cursor one row left (logic values as H/L).");
inline const QString kStepRightTip = QStringLiteral("Cursor one row right.");
inline const QString kRedrawTip = QStringLiteral("Draw the last run's rows and read them with the cursor.");
inline const QString kNumberBaseTip = QStringLiteral("Values at the cursor in decimal or hex.");

// The keys of the buttons, added to their tooltips: (%1 the keys).
inline const QString kKeyTip = QStringLiteral("(%1)");
inline const QString kRunKeys = QStringLiteral("F5 or Ctrl+R");
inline const QString kOpenKeys = QStringLiteral("Ctrl+O");
inline const QString kSaveKeys = QStringLiteral("Ctrl+S");
inline const QString kStepLeftKeys = QStringLiteral("Left; Shift+Left moves cursor B");
inline const QString kStepRightKeys = QStringLiteral("Right; Shift+Right moves cursor B");

// The band after a Save or an export: %1 the file(s), %2 the folder.
inline const QString kSavedIn = QStringLiteral("saved %1 in %2");
inline const QString kTwoFiles = QStringLiteral("%1 and %2");

// Window and control captions.
inline const QString kTrendGraphTitle = QStringLiteral("Trend Graph");
inline const QString kTrendGraphHeading = QStringLiteral("QMX Seriese Trend Graph");
inline const QString kRunCaption = QStringLiteral("RUN");
inline const QString kStopCaption = QStringLiteral("STOP");
inline const QString kRunStatusCaption = QStringLiteral("RUN/STOP");
inline const QString kRunningStatus = QStringLiteral("Run");
inline const QString kStoppedStatus = QStringLiteral("Stop");
inline const QString kDecCaption = QStringLiteral("Dec");
inline const QString kHexCaption = QStringLiteral("Hex");
inline const QString kCursorMoveCaption = QStringLiteral("Cursle Move");
inline const QString kOpenCaption = QStringLiteral("Open");
inline const QString kSaveCaption = QStringLiteral("Save");
inline const QString kPrintCaption = QStringLiteral("Print");
inline const QString kStepLeftCaption = QStringLiteral("<<");
inline const QString kStepRightCaption = QStringLiteral(">>");
inline const QString kRedrawCaption = QStringLiteral("REDRAW");
// Percent of full scale down the graph's left edge, top to bottom, in the window and in the
// exported picture.
inline const QStringList kFullScalePercentCaptions = {QStringLiteral("+100"), QStringLiteral("+50"),
                                                      QStringLiteral("0"), QStringLiteral("-50"),
                                                      QStringLiteral("-100")};

// Channel table: the captions over its columns ("Adrs" over "Labl" names the address-or-name
// column), and the address-kind button's, L for a variable name, A for a hex address.
inline const QString kSelectColumnCaption = QStringLiteral("Sel");
inline const QString kAddressColumnCaption = QStringLiteral("Adrs");
inline const QString kLabelColumnCaption = QStringLiteral("Labl");
inline const QString kAnalogColumnsCaption = QStringLiteral("Data Name  F.S   Value");
inline const QString kLogicColumnsCaption = QStringLiteral("Data Name  bit   Value");
inline const QString kNameKindCaption = QStringLiteral("L");
inline const QString kAddressKindCaption = QStringLiteral("A");

// Graph menu, export and recording.

inline const QString kExportCsvCaption = QStringLiteral("Export CSV\u2026");
inline const QString kExportPictureCaption = QStringLiteral("Export picture\u2026");
inline const QString kCopyPictureCaption = QStringLiteral("Copy picture");
inline const QString kClearSecondCursorCaption = QStringLiteral("Clear second cursor");
inline const QString kRecordToFileCaption = QStringLiteral("Record to file\u2026");
// A stored .trd drawn dimmed behind the live traces, and taking it away; what the band says of it
// (%1 the file's bare name, %2 its rows).
inline const QString kReferenceCaption = QStringLiteral("Reference\u2026");
inline const QString kClearReferenceCaption = QStringLiteral("Clear reference");
inline const QString kReferenceShown = QStringLiteral("reference %1 (%2 rows) behind the traces");
inline const QString kReferenceCleared = QStringLiteral("reference cleared");

inline const QString kCsvFilter = QStringLiteral("CSV file(*.csv)|*.csv");
inline const QString kCsvExtension = QStringLiteral("csv");
inline const QString kPngFilter = QStringLiteral("PNG picture(*.png)|*.png");
inline const QString kPngExtension = QStringLiteral("png");

// Files the graph could not write; the path and the system's reason are the message's detail.
inline const QString kCsvWriteError = QStringLiteral("The CSV file could not be written.");
inline const QString kPictureWriteError = QStringLiteral("The picture could not be written.");
inline const QString kRecordingOpenError = QStringLiteral("The recording file could not be opened.");
inline const QString kRecordingWriteError = QStringLiteral("Recording stopped: the file could not be written.");
// The band's word on a recording to file: %1 the file's bare name; %1 rows, %2 the name.
inline const QString kRecordingTo = QStringLiteral("recording to %1");
inline const QString kRecordingStoppedOnWriteFailure = QStringLiteral("recording stopped: write failed");
inline const QString kRecordedRowsTo = QStringLiteral("recorded %1 rows to %2");
// The names offered for the files the graph writes (with the date and time added), and what
// marks the picture saved at twice the scale beside the one asked for.
inline const QString kTrendFileStem = QStringLiteral("trend");
inline const QString kRecordingFileStem = QStringLiteral("recording");
inline const QString kDoubleScaleMark = QStringLiteral("@2x");

// Read-out window.
inline const QString kReadoutCaption = QStringLiteral("Read-out\u2026");
inline const QString kReadoutTitle = QStringLiteral("Read-out");
inline const QString kReadoutCopyCaption = QStringLiteral("Copy");
inline const QString kReadoutNoRows = QStringLiteral("No rows shown");
inline const QString kReadoutFailed = QStringLiteral("failed");
// The first column; the second is cursor A's (kCursorAMark).
inline const QString kReadoutChannelColumn = QStringLiteral("Channel");
// The columns a second cursor adds.
inline const QStringList kReadoutSpanColumns = {QStringLiteral("B"),    QStringLiteral("B-A"),   QStringLiteral("Min"),
                                                QStringLiteral("Max"),  QStringLiteral("Mean"),  QStringLiteral("RMS"),
                                                QStringLiteral("P-P"),  QStringLiteral("1s"),    QStringLiteral("Edges"),
                                                QStringLiteral("Failed")};
// What each column of the Read-out holds, its header's tooltip: the columns' names in order (Channel,
// A, then those of kReadoutSpanColumns), each with its explanation.
inline const QStringList kReadoutColumnTips = {
    QStringLiteral("Channel: its name, beside its trace colour."),
    QStringLiteral("A: the value at cursor A."),
    QStringLiteral("B: the value at cursor B."),
    QStringLiteral("B-A: the value at B less the value at A."),
    QStringLiteral("Min: the smallest value from A to B."),
    QStringLiteral("Max: the largest value from A to B."),
    QStringLiteral("Mean: the average of the values from A to B."),
    QStringLiteral("RMS: the root mean square of the values from A to B."),
    QStringLiteral("P-P: peak to peak, the largest value less the smallest from A to B."),
    QStringLiteral("1s: of a logic channel, the rows from A to B whose bit is 1."),
    QStringLiteral("Edges: of a logic channel, the times its bit changes from A to B."),
    QStringLiteral("Failed: the rows from A to B whose read of the channel failed (no value)."),
};

// The band's difference line when not every channel's difference fits: the rest are in the
// Read-out window.
inline const QString kReadoutMoreMark = QStringLiteral("... (Read-out)");
// The end of any other band line that does not fit.
inline const QString kBandMoreMark = QStringLiteral("...");
// The band's line of the run's figures after a .trd is opened. %1: the file's name.
inline const QString kBandFileShown = QStringLiteral("File: %1");
// The cursors' names, a cursor's row (%1 the cursor; %2 the row) and the row's time since the run began,
// %1 seconds, or that it has none (a row of a .trd); the rows from A to B.
inline const QString kCursorAMark = QStringLiteral("A");
inline const QString kCursorBMark = QStringLiteral("B");
// The band's line figures of the current or last run; %1 the figures.
inline const QString kBandLineFigures = QStringLiteral("Line: %1");
inline const QString kCursorRow = QStringLiteral("%1: row %2  ");
inline const QString kRowTime = QStringLiteral("t = %1 s");
inline const QString kSeconds = QStringLiteral("%1 s");
inline const QString kNoTime = QStringLiteral("no time");
inline const QString kRowsFromAToB = QStringLiteral("B-A: %1 rows");
// The wall-clock time of a line event or of the trigger row in the band, and an event's time since
// the run began (%1 seconds) after it.
inline const QString kBandTimeFormat = QStringLiteral("HH:mm:ss.zzz");
inline const QString kEventRunTime = QStringLiteral(" (t = %1 s)");
// The plan after a block read was given up: refused, or answered unlike its request.
inline const QString kPlanBlockReadRefused = QStringLiteral(", block read refused");
inline const QString kPlanBlockReadWronglyAnswered = QStringLiteral(", block read wrongly answered");

// Before work is lost: the window closed during a run or over rows kept nowhere else, a change of
// the channels during a run, a new run over such rows. Answered Save, Discard or Cancel.
inline const QString kCloseDuringRunQuestion =
    QStringLiteral("A run is going on. Save its rows before the Trend Graph closes?");
inline const QString kCloseUnsavedRunQuestion =
    QStringLiteral("The last run's rows are not saved or exported. Save them before the Trend Graph closes?");
inline const QString kTableEndsRunQuestion =
    QStringLiteral("Changing the channels ends the run going on. Save its rows first?");
// RUN (or its key) over the last run's rows, kept nowhere else: the new run would replace them.
inline const QString kRunReplacesUnsavedRunQuestion =
    QStringLiteral("The last run's rows are not saved or exported. Save them before a new run replaces them?");
// "Record to file..." chosen before RUN: %1 the file's bare name.
inline const QString kRecordingFromFirstRow = QStringLiteral("next run records to %1 from its first row");

// Triggered capture.
inline const QString kTriggerCaption = QStringLiteral("Trigger\u2026");
inline const QString kTriggerTitle = QStringLiteral("Trigger");
// The trigger set-up's own file beside the presets.
inline const QString kTriggerFile = QStringLiteral("Trigger.qmt");
inline const QString kTriggerNotSaved = QStringLiteral("The trigger set-up could not be saved.");
inline const QString kTriggerSourceLabel = QStringLiteral("Source");
inline const QString kTriggerConditionLabel = QStringLiteral("Condition");
inline const QString kTriggerLevelLabel = QStringLiteral("Level (%1)");
inline const QString kTriggerSecondLabel = QStringLiteral("Second condition");
inline const QString kTriggerPositionLabel = QStringLiteral("Rows before the trigger");
// Checked by default: no trigger before the rows kept before it are stored.
inline const QString kTriggerWaitLabel = QStringLiteral("Fire only once these rows are stored");
inline const QString kTriggerArmCaption = QStringLiteral("Arm");
inline const QString kTriggerDisarmCaption = QStringLiteral("Disarm");
inline const QString kTriggerNoChannel = QStringLiteral("Select the channel the trigger watches.");
inline const QString kTriggerBadLevel = QStringLiteral("Type the level as a %1 number.");
inline const QString kTriggerSameChannel = QStringLiteral("The second condition watches another channel.");
// The band while a run is armed, and after the trigger ended it. %1: the condition; the row's
// time and its row as the cursor names it.
inline const QString kBandTriggerArmed = QStringLiteral("armed: %1");
// After it while a trigger that waits for the rows before it has not all of them: %1 of %2 stored.
inline const QString kBandFillingPreRows = QStringLiteral(", waiting for the rows before the trigger: %1 of %2");
inline const QString kBandTriggered = QStringLiteral("triggered at %1 (row %2)");
// After it while the rows after the trigger row are still coming: %1 of %2 of them stored.
inline const QString kBandCapturing = QStringLiteral(", capturing: %1 of %2 rows after");
// After it when fewer rows came before the trigger than were asked for: %1 of them.
inline const QString kBandOnlyRowsBefore = QStringLiteral(", only %1 rows before the trigger");
