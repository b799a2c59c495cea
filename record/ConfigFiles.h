#pragma once
// --config FILE: the arguments a service keeps in a file (/etc/qmx-record/<name>.conf), read in
// the place of the option among the others.

#include <QString>
#include <QStringList>
#include <optional>

namespace record {

// The arguments with each "--config FILE" replaced by the arguments in FILE: per line, words as a
// shell splits them (double quotes keep spaces and quotes inside them are tripled), lines that
// begin with # left out. A file holds no --config of its own.
std::optional<QStringList> withConfigFiles(const QStringList &arguments, QString *error);

} // namespace record
