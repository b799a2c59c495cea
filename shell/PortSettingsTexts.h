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
// Beside a device this user cannot open. %1 the reason: the device is missing, or this user may
// not open it (%1 the system's reason).
inline const QString kDeviceProblem = QStringLiteral(" (%1)");
inline const QString kDeviceMissing = QStringLiteral("missing");
inline const QString kDeviceNotPermitted = QStringLiteral("not permitted: %1");
// The checked COM name and the device it opens (%1 = %2), on two lines when the device's name is
// long; the assign button's name for the port while none is checked.
inline const QString kPortAndDevice = QStringLiteral("%1 = %2");
inline const QString kPortAndDeviceOnTwoLines = QStringLiteral("%1 =\n%2");
inline const QString kNoPortChecked = QStringLiteral("COM");
// The device list shows a by-id name from this on; its tool tip names what the link points to.
inline const QString kByIdShownPrefix = QStringLiteral("by-id/");
inline const QString kDeviceLinkTip = QStringLiteral("%1 -> %2");
inline const QString kDevicePathPlaceholder = QStringLiteral("or type a device path, Enter: use it");
inline const QString kDevicePathTip =
    QStringLiteral("Any device path (a pseudo-terminal, a symbolic link) for the checked COM name; Enter stores it.");

// The requests of a trend pass, stored beside the port; texts of this program, not of the product.
inline const QString kReadModeGroupCaption = QStringLiteral("Trend reads");
inline const QString kReadPerChannelCaption = QStringLiteral("one read per channel");
inline const QString kReadEachWordCaption = QStringLiteral("each word once");
inline const QString kReadBlocksCaption = QStringLiteral("neighbouring words in one block read");
inline const QString kReadPerChannelHint =
    QStringLiteral("An \"R\" read per channel, as always: 26 bytes each (14 channels: 2.6 passes/s).");
inline const QString kReadEachWordHint =
    QStringLiteral("An \"R\" read per distinct word: channels on one word cost its 26 bytes once.");
inline const QString kReadBlocksHint =
    QStringLiteral("Near words in one \"r\" read: 34 + 4 bytes a word. Off by default: a controller "
                   "could answer \"r\" unlike \"R\".");
