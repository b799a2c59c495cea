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

// The largest file readLines() takes. The files it reads (presets, variable lists, the super-block
// file, .trd and .mon files) are a few kilobytes; a path that names something far larger is not
// one of them, and reading it whole would take the memory of the program.
inline constexpr qint64 kMaxReadBytes = 4 * 1024 * 1024;

// Reads a whole file as lines, or nothing (with `error` set to the reason) when it cannot be
// opened or read. Only a regular file of at most kMaxReadBytes is read: a device, a FIFO or a
// folder is refused without waiting on it (a FIFO without a writer never ends, /dev/zero never
// ends either).
std::optional<QStringList> readLines(const QString &path, QString *error = nullptr);

// Why `path` cannot be taken as a file when something is there that is no regular file, following
// links: "a folder, not a regular file" (a device, a FIFO, a socket); empty for a regular file and
// for a path where nothing is.
QString notRegularFileReason(const QString &path);

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
