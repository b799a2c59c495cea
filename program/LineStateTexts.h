#pragma once
// The line state's texts, the same in every window.

#include <QString>

// %1 the port, %2 its device, %3 when the controller last answered.
inline const QString kNoReplySince = QStringLiteral("no reply from %1 (%2) since %3");
inline const QString kNoReplyTimeFormat = QStringLiteral("HH:mm:ss");
