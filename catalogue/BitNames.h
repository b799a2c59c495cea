#pragma once
// Names of the sixteen bits of the flag variables the drive documents; any other variable's bits
// are shown by number only.

#include <QString>
#include <QStringList>

// The sixteen bit names shown for the variable `name` (exact, case-sensitive), each beginning with
// its two-digit bit number.
QStringList flagBitNames(const QString &name);
