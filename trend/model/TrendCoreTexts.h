#pragma once
// Texts of the trend core (QtCore only) that the Trend Graph's band and qmx-record both show: the
// line's events, the read plan of a pass and the block reads it gave up, and trigger conditions.
// The Trend Graph window's own texts are in TrendGraphTexts.h.

#include <QString>
#include <QStringList>

// A line event.
inline const QString kLineLostEvent = QStringLiteral("line lost");
inline const QString kLineBackEvent = QStringLiteral("line back");

// The read plan. %1 the reads, %2 the bytes a pass sends and receives, %3 the passes a second the
// wire allows; the reads are counted as "1 block read", "2 word reads".
inline const QString kPlanText = QStringLiteral("plan: %1, %2 bytes/pass, limit %3 passes/s");
inline const QString kBlockReadCounted = QStringLiteral("block read");
inline const QString kWordReadCounted = QStringLiteral("word read");
inline const QString kPluralEnding = QStringLiteral("s");
// A block read given up for word reads. %1 its address, %2 its bytes, %3 what went wrong, %4 the
// result code.
inline const QString kBlockReadGivenUp = QStringLiteral("block read %1+%2 %3 (%4): its words read one by one");
inline const QString kBlockReadRefusedReason = QStringLiteral("refused");
inline const QString kBlockReadWrongLengthReason = QStringLiteral("answered with the wrong length");
// No reply at all to "r" while "R" is answered.
inline const QString kBlockReadNotAnsweredReason = QStringLiteral("not answered (\"R\" is)");

// Trigger conditions, in the order of their edges (rises, falls, crosses) and combinations (AND,
// OR): the Trigger window's choices, and the words of a condition in the band.
inline const QStringList kTriggerAnalogConditions = {QStringLiteral("rises through"), QStringLiteral("falls through"),
                                                     QStringLiteral("crosses")};
inline const QStringList kTriggerLogicConditions = {QStringLiteral("becomes 1"), QStringLiteral("becomes 0"),
                                                    QStringLiteral("changes")};
inline const QStringList kTriggerCombinations = {QStringLiteral("AND"), QStringLiteral("OR")};

// Why a CSV file being written took no more, and what became of it. %1 the system's reason, %2 why
// the file could not be cut back.
inline const QString kFileCutBack = QStringLiteral("%1; the file ends with its last whole row");
inline const QString kFileNotCutBack = QStringLiteral("%1; cutting the file back to its last whole row failed too: %2");
