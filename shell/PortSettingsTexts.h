// The spelling of these texts is the product's own, typos included; tests pin it.
#pragma once
// Texts the port settings dialog shows.

#include <QString>

inline const QString kPortSettingsCaption = QStringLiteral("Comm Set");
inline const QString kPortGroupCaption = QStringLiteral("Comm Port Set");
inline const QString kWaitTimeCaption = QStringLiteral("Wait Time Set");
inline const QString kWaitTimeUnit = QStringLiteral("ms");
inline const QString kOkCaption = QStringLiteral("OK");
// Shown beside "ms" while the wait time will be taken as 0.
inline const QString kWaitTimeTakenAsZero = QStringLiteral("not a whole number: taken as 0");
inline const QString kSerialDevicesCaption = QStringLiteral("Serial devices");
inline const QString kAssignCaption = QStringLiteral("Use for %1");
inline const QString kFilesCaption = QStringLiteral("Files: %1");
