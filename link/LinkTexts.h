#pragma once
// Texts the link gives the program: a port that would not open or that another activity holds, and
// the line's figures. The port's own messages, without any toolkit, are in PortMessages.h; the
// result codes' texts are LinkResult's.

#include "link/PortMessages.h"

#include <QString>

inline const QString kCreateFileError = QString::fromLatin1(kCreateFileErrorText);
// Under "CreateFile Error!": the port is this program's already, or its name (%1) is longer than
// a port name can be.
inline const QString kPortAlreadyOpen = QStringLiteral("The port is already open in this program.");
inline const QString kPortNameTooLong = QStringLiteral("%1: the port name is too long.");

// Another activity holds the port: which one, and what ends it.
inline const QString kMonitorHoldsPort = QStringLiteral("The Monitor is using the port: press Pause first.");
inline const QString kTrendHoldsPort = QStringLiteral("The Trend Graph is using the port: press STOP first.");
inline const QString kDataReadHoldsPort = QStringLiteral("The Data Read is using the port: wait until it has ended.");
inline const QString kToolHoldsPort = QStringLiteral("Another part of the program is using the port.");

// The line's figures. %1 exchanges, %2 failed ones; %1 the mean and %2 the longest reply time;
// %1 passes a second; %1 a time in milliseconds.
inline const QString kExchangeCounts = QStringLiteral("%1 exchanges, %2 failed");
inline const QString kReplyTimes = QStringLiteral("reply mean %1, longest %2");
inline const QString kPassRate = QStringLiteral(", %1 passes/s");
inline const QString kMilliseconds = QStringLiteral("%1 ms");
