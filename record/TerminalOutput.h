#pragma once
// What qmx-record writes to its terminal: messages whole, and the status line written over in
// place, fitted to the terminal's width.

#include <QString>
#include <cstdio>

namespace record {

// Written whole: a NUL byte in a message (a field quoted from a file) does not end it there.
void print(std::FILE *to, const QString &text);

// A message of the program on standard error.
void printMessage(const QString &text);

// The status line, written over the one before.
void printStatus(const QString &text);

// The run's last status line, which stays on the terminal.
void printLastStatus(const QString &text);

} // namespace record
