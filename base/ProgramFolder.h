#pragma once
// The folder where the program keeps its own files ("Varlist.txt", "Varlist2.txt", "sbdata.qmx",
// the trend presets): beside the executable, as a portable copy or a build folder has them. An
// installed program keeps its shipped files in <prefix>/share/qmx-trend, which a normal user
// cannot write; there the files are read and written in the user's data folder instead, the
// shipped copies serving as the defaults the first time. Tests point the folder elsewhere.

#include <QString>

namespace programfolder {

// The folder with the shipped files, with a trailing "/".
QString path();
// Points the program folder elsewhere (tests, demo); an empty path restores the executable's folder.
void setOverride(const QString &folder);
// The user's own data folder (trailing "/"): $XDG_DATA_HOME/Quillster/CON, named like the
// configuration store whatever the application's display name.
QString userDataPath();
// Where the program's files are read and written (trailing "/"): path() when it can be written,
// else userDataPath(). Windows keeps them beside the program always.
QString filesPath();
// `name` in filesPath(). In the user's data folder, a file not there yet is first copied from the
// shipped one (owner-writable, so the user may edit a "Varlist.txt" of their own).
QString file(const QString &name);
// Where the error trace `name` is appended: the current folder when it can be written there
// (a trace next to the work the user started), else the user's data folder, so that a program
// started from a desktop launcher (current folder "/") does not lose it.
QString errorTracePath(const QString &name);

} // namespace programfolder
