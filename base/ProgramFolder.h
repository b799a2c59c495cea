#pragma once
// The folder beside the executable, where the program keeps its own files ("Varlist.txt",
// "Varlist2.txt", "sbdata.qmx", the trend presets). Tests point it at a folder of their own.

#include <QString>

namespace programfolder {

// The folder with a trailing "/".
QString Path();
// Points the program folder elsewhere (tests, demo); an empty path restores the executable's folder.
void Override(const QString &folder);
// `name` inside the program folder.
QString File(const QString &name);

} // namespace programfolder
