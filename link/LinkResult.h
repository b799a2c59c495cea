#pragma once
// Result codes of one exchange with a text for each, for traces and logs.

#include "link/LinkCodes.h"

#include <QByteArray>
#include <QString>

// A short English text for a result code, for traces and logs.
QString linkResultText(int code);
// The same, naming the refusal letter of a refusal outside the table when `lastErrorReply` (the
// refusal as received: NAK, station byte, letter, ...) holds one.
QString linkResultText(int code, const QByteArray &lastErrorReply);
// The code with a few words of meaning, for figures a person reads: "-1 no reply", "-3 refused D".
QString linkResultLabel(int code);
