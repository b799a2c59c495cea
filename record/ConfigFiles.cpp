#include "record/ConfigFiles.h"

#include "base/TextFile.h"
#include "record/RecordTexts.h"

#include <QFile>
#include <QProcess>

namespace record {

std::optional<QStringList> withConfigFiles(const QStringList &arguments, QString *error)
{
    QStringList expanded;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != QLatin1String("--config")) {
            expanded.append(arguments[i]);
            continue;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
            *error = kValueMissing.arg(arguments[i]);
            return std::nullopt;
        }
        const QString path = arguments[++i];
        QFile file(path);
        if (const QString reason = textfile::notRegularFileReason(path); !reason.isEmpty()) {
            *error = kConfigUnreadable.arg(path, reason);
            return std::nullopt;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            *error = kConfigUnreadable.arg(path, file.errorString());
            return std::nullopt;
        }
        if (file.size() > textfile::kMaxReadBytes) {
            *error = kConfigTooLarge.arg(path);
            return std::nullopt;
        }
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            const QString text = line.trimmed();
            if (text.isEmpty() || text.startsWith(u'#'))
                continue;
            const QStringList words = QProcess::splitCommand(text);
            if (words.contains(QLatin1String("--config"))) {
                *error = kConfigInConfig.arg(path);
                return std::nullopt;
            }
            expanded += words;
        }
    }
    return expanded;
}

} // namespace record
