#pragma once
// The recorder copied into the test's program folder, so it finds the variable files and the
// super-block file there, as an installed or portable copy finds its own. QMX_RECORD_EXE is the
// built program. Also a run of it to its end, and its CSV files read back.

#include "tests/support/TestEnvironment.h"

#include <QByteArrayList>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

inline QString recorder()
{
    const QString path = testenv::programDir() + QStringLiteral("qmx-record");
    if (!QFile::exists(path)) {
        QFile::copy(QStringLiteral(QMX_RECORD_EXE), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return path;
}

struct RecorderRun {
    int exitCode = -1; // -1: did not end in time; -2: ended by a signal
    QByteArray out, err;
};

// Runs the recorder to its end; `process` may be set up first (a child process modifier).
inline RecorderRun runRecorder(const QStringList &arguments, int timeoutMs = 20000, QProcess *process = nullptr)
{
    QProcess own;
    QProcess &p = process ? *process : own;
    p.start(recorder(), arguments);
    RecorderRun run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

// The rows of a CSV file as fields (header included), or nothing when a line does not end with
// CR LF or has a different number of fields than the header.
inline std::optional<QList<QByteArrayList>> readCsv(const QString &path)
{
    const QByteArray bytes = testenv::readAll(path);
    if (!bytes.endsWith("\r\n"))
        return std::nullopt;
    const QByteArrayList lines = bytes.chopped(2).split('\n');
    QList<QByteArrayList> rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i + 1 < lines.size()) {
            if (!line.endsWith('\r'))
                return std::nullopt;
            line.chop(1);
        }
        if (line.contains('\r'))
            return std::nullopt;
        rows.append(line.split(','));
        if (rows.back().size() != rows.front().size())
            return std::nullopt;
    }
    return rows;
}

inline int rowsWritten(const QString &path) { return static_cast<int>(testenv::readAll(path).count('\n')) - 1; }
