#include "link/LinkResult.h"

QString linkResultText(int code)
{
    switch (static_cast<LinkResult>(code)) {
    case LinkResult::Ok: return QStringLiteral("ok");
    case LinkResult::Timeout: return QStringLiteral("no complete reply in time");
    case LinkResult::BadChecksum: return QStringLiteral("reply checksum wrong");
    case LinkResult::RefusedD: return QStringLiteral("refused (D)");
    case LinkResult::Refusedd: return QStringLiteral("refused (d)");
    case LinkResult::RefusedE: return QStringLiteral("refused (E)");
    case LinkResult::RefusedO: return QStringLiteral("refused (O)");
    case LinkResult::RefusedP: return QStringLiteral("refused (P)");
    case LinkResult::RefusedS: return QStringLiteral("refused (S)");
    case LinkResult::Refuseds: return QStringLiteral("refused (s)");
    case LinkResult::RefusedX: return QStringLiteral("refused (X)");
    case LinkResult::RefusedZ: return QStringLiteral("refused (Z)");
    case LinkResult::Refusedz: return QStringLiteral("refused (z)");
    case LinkResult::UnexpectedReply: return QStringLiteral("reply begins with neither STX nor NAK");
    case LinkResult::RefusedUnknown: return QStringLiteral("refused, unknown letter");
    case LinkResult::OutOfTurn: return QStringLiteral("reply out of turn (too early, or more bytes after it)");
    }
    return QStringLiteral("unknown result %1").arg(code);
}

QString linkResultText(int code, const QByteArray &lastErrorReply)
{
    QString text = linkResultText(code);
    if (code == codeOf(LinkResult::RefusedUnknown) && lastErrorReply.size() > 2 && lastErrorReply[2] >= ' ' &&
        lastErrorReply[2] < 0x7F)
        text += QLatin1Char(' ') + QString(QLatin1Char(lastErrorReply[2]));
    return text;
}

QString linkResultLabel(int code)
{
    QString meaning;
    switch (static_cast<LinkResult>(code)) {
    case LinkResult::Ok: meaning = QStringLiteral("ok"); break;
    case LinkResult::Timeout: meaning = QStringLiteral("no reply"); break;
    case LinkResult::BadChecksum: meaning = QStringLiteral("bad checksum"); break;
    case LinkResult::RefusedD: meaning = QStringLiteral("refused D"); break;
    case LinkResult::Refusedd: meaning = QStringLiteral("refused d"); break;
    case LinkResult::RefusedE: meaning = QStringLiteral("refused E"); break;
    case LinkResult::RefusedO: meaning = QStringLiteral("refused O"); break;
    case LinkResult::RefusedP: meaning = QStringLiteral("refused P"); break;
    case LinkResult::RefusedS: meaning = QStringLiteral("refused S"); break;
    case LinkResult::Refuseds: meaning = QStringLiteral("refused s"); break;
    case LinkResult::RefusedX: meaning = QStringLiteral("refused X"); break;
    case LinkResult::RefusedZ: meaning = QStringLiteral("refused Z"); break;
    case LinkResult::Refusedz: meaning = QStringLiteral("refused z"); break;
    case LinkResult::UnexpectedReply: meaning = QStringLiteral("bad reply"); break;
    case LinkResult::RefusedUnknown: meaning = QStringLiteral("refused, unknown letter"); break;
    case LinkResult::OutOfTurn: meaning = QStringLiteral("out of turn"); break;
    }
    return meaning.isEmpty() ? QString::number(code) : QString::number(code) + u' ' + meaning;
}

