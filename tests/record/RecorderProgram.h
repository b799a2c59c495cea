#pragma once
// The recorder copied into the test's program folder, so it finds the variable files and the
// super-block file there, as an installed or portable copy finds its own. QMX_RECORD_EXE is the
// built program.

#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QString>

inline QString recorder()
{
    const QString path = testenv::programDir() + QStringLiteral("qmx-record");
    if (!QFile::exists(path)) {
        QFile::copy(QStringLiteral(QMX_RECORD_EXE), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return path;
}
