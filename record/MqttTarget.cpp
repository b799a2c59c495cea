#include "record/MqttTarget.h"

#include "record/RecordTexts.h"
#include "record/Spool.h"

#include <QCryptographicHash>
#include <QUrl>

namespace record {

QString MqttTarget::shownUrl() const { return QStringLiteral("mqtt://%1:%2/%3").arg(host).arg(port).arg(topic); }

QString withoutPassword(const QString &text)
{
    // The user part ends at the last "@" (a password may hold "/" when the URL is malformed); the
    // password is what follows its first ":".
    const qsizetype scheme = text.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype at = text.lastIndexOf(u'@');
    if (at < start)
        return text;
    const qsizetype colon = text.indexOf(u':', start);
    if (colon < 0 || colon > at)
        return text;
    return text.left(colon + 1) + QStringLiteral("***") + text.mid(at);
}

std::optional<MqttTarget> parseMqttUrl(const QString &text, QString *error)
{
    const QUrl url(text, QUrl::StrictMode);
    MqttTarget target;
    if (!url.isValid() || url.scheme() != QLatin1String("mqtt") || url.host().isEmpty()) {
        *error = kPublishForm.arg(withoutPassword(text));
        return std::nullopt;
    }
    target.host = url.host();
    target.portGiven = url.port() > 0;
    target.port = target.portGiven ? url.port() : kMqttPort;
    target.user = url.userName(QUrl::FullyDecoded);
    target.password = url.password(QUrl::FullyDecoded);
    target.topic = url.path(QUrl::FullyDecoded).mid(1);
    // A topic to publish on names one topic: no wildcard, nothing empty, no NUL.
    if (target.topic.isEmpty() || target.topic.contains(u'+') || target.topic.contains(u'#') ||
        target.topic.contains(QChar(0)) || url.hasQuery() || url.hasFragment()) {
        *error = kPublishTopic.arg(withoutPassword(text));
        return std::nullopt;
    }
    return target;
}

QString spoolFolderFor(const MqttTarget &target)
{
    const QString key = QStringLiteral("%1:%2/%3").arg(target.host).arg(target.port).arg(target.topic);
    QString readable;
    for (const QChar c : key) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'-' || c == u'.';
        readable += plain ? c : u'_';
    }
    // Two keys that read alike (a/b and a_b) keep folders of their own.
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(10);
    return userStateFolder() + QStringLiteral("/qmx-record/spool/") + readable.left(120) + u'-' +
           QString::fromLatin1(hash);
}

} // namespace record
