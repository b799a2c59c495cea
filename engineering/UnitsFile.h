#pragma once
// The units file as a window keeps it: read when asked for, read again whenever the file has
// changed since (the units dialog or an editor wrote it), with a short note of what was read and
// the lines that were ignored. The Trend Graph's Read-out and the Recording window each keep one.

#include "engineering/UnitsTable.h"

#include <QDateTime>
#include <QString>
#include <vector>

class UnitsFile {
public:
    // The user's Units.txt unless set otherwise (tests, qmx-record's --units).
    UnitsFile() : path_(UnitsTable::defaultPath()) {}

    void setPath(const QString &path);
    const QString &path() const { return path_; }

    // Reads the file now.
    void read();
    // Reads it when it was never read or its modification time has changed; true when it read.
    bool readIfChanged();

    const UnitsTable &table() const { return table_; }
    const std::vector<UnitsProblem> &problems() const { return problems_; }
    // Why the file could not be read (empty when it could, or when there is none yet).
    const QString &error() const { return error_; }

    // "Units.txt: 3 scales, 1 lines ignored (hover)" or why it was not read; and the path and each
    // ignored line, for a tooltip.
    QString note() const;
    QString noteDetail() const;

private:
    QString path_;
    bool read_ = false;
    QDateTime modified_;
    UnitsTable table_;
    std::vector<UnitsProblem> problems_;
    QString error_;
};
