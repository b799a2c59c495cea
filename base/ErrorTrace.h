#pragma once
// The error trace ("ErrTrace.txt") kept to a bounded size: a run that fails for days must not fill
// the disk. When an entry would take the file past the limit, the file becomes "ErrTrace.1.txt"
// (replacing the one kept before) and a new file begins; one older file is kept, so the trace
// never takes more than about twice the limit.

#include <QByteArray>
#include <QString>
#include <functional>

inline constexpr qint64 kErrorTraceMaxBytes = 16 * 1024 * 1024;

// The name the trace at `path` takes when it is set aside: "ErrTrace.txt" -> "ErrTrace.1.txt" in
// the same folder ("trace" -> "trace.1").
QString olderErrorTracePath(const QString &path);

// Appends `entry` (its bytes as they are, line end included) to the trace at `path`, first setting
// the file aside when the entry would take it past `maxBytes`. An entry is never split: one larger
// than the limit begins a file of its own. False when the entry could not be written whole, with
// `problem` set to why (the system's reason, and whether it was setting the file aside that failed).
bool appendErrorTrace(const QString &path, const QByteArray &entry, qint64 maxBytes = kErrorTraceMaxBytes,
                      QString *problem = nullptr);

// The error trace of one run: entries go to the trace chosen when it begins. When that trace cannot
// take an entry (its file or folder cannot be written, or setting it aside at its limit fails), the
// entry and all after it go to a trace of the same name in the fallback folder (the user's data
// folder), and the notice hears it once. Should the fallback fail too, the notice hears once that
// entries are lost: an entry is never dropped without a word.
class ErrorTrace {
public:
    // `failedPath`: the trace that could not take an entry; `problem`: why; `nowPath`: where the
    // entries go from now on, or empty when nowhere.
    using Notice = std::function<void(const QString &failedPath, const QString &problem, const QString &nowPath)>;

    ErrorTrace(const QString &path, const QString &fallbackFolder, Notice notice, qint64 maxBytes = kErrorTraceMaxBytes);
    // False when the entry could not be written anywhere.
    bool append(const QByteArray &entry);
    // Where the entries go now.
    const QString &path() const { return path_; }

private:
    QString path_;
    QString fallbackPath_; // empty once taken, or when it is the chosen trace itself
    Notice notice_;
    qint64 maxBytes_;
    bool lossSaid_ = false;
};
