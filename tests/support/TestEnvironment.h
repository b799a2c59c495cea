#pragma once
// A private world for one test program: a temporary configuration store (XDG_CONFIG_HOME) and
// user data folder (XDG_DATA_HOME), a folder for serial lock files (QMX_LOCK_DIR), a temporary
// program folder holding copies of the shipped data files, and the current directory set there
// (where "ErrTrace.txt" is appended). Call prepare() first thing in main or initTestCase.

#include <QString>
#include <QTemporaryDir>

namespace testenv {

// Sets up the private world once per process; returns the program folder.
QString prepare();
// The program folder of this test process (with trailing "/").
QString programDir();
// Copies a shipped data file ("Varlist.txt", ...) into the program folder again.
void restoreDataFile(const QString &name);
// Maps logical port `portName` (e.g. "COM1") to `device` in the configuration store and stores
// it as the chosen port.
void usePort(const QString &portName, const QString &device);
// Reads a whole file.
QByteArray readAll(const QString &path);

} // namespace testenv
