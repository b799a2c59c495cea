#pragma once
// Files of the system are single-byte text (Latin-1) with CR LF line ends.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace textfile {

// Splits bytes into lines; a line ends at CR LF, at a lone LF or at a lone CR. A final line without
// a line end is kept; the empty text after a final line end is not a line.
QStringList splitLines(const QByteArray &bytes);

// Reads a whole file as lines, or nothing when it cannot be opened or read.
std::optional<QStringList> readLines(const QString &path);

// Joins lines, each ended by CR LF, as Latin-1 bytes.
QByteArray joinLinesCrLf(const QStringList &lines);

// Replaces `path` with `bytes` as a whole: either the new content is there completely or the file
// that was there before is left untouched. Returns false (with `error` set) when the write failed.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Appends bytes to a file, creating it when missing. False when it cannot be opened or written.
bool append(const QString &path, const QByteArray &bytes);

// The file's own name: the path with everything up to and including its last folder separator
// removed ("/" here; "\" as well, so that a name typed with a Windows folder still comes out bare).
QString bareFileName(const QString &path);

} // namespace textfile
