#pragma once
// Help > About: the program's name and version, and where it keeps what: its own folder, the data
// folder its files are read from and written to, and the settings file.

#include <QString>

namespace about {

// "QMX Series Trend Monitor Version 2.50".
QString title();
// One line each: the program folder, the data folder, the settings file.
QString detail();

} // namespace about
