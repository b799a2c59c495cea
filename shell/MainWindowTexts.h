// The spelling of these texts is the product's own, typos included; tests pin it.
#pragma once
// Texts the main window shows: its caption, the program's name and the menus.

#include <QString>

inline const QString kProgramVersionCaption = QStringLiteral("QMX Series Trend Monitor Version ");
inline constexpr double kProgramVersion = 2.5;
inline const QString kApplicationTitle = QStringLiteral("Trend Monitor");

inline const QString kFileMenuCaption = QStringLiteral("File(&F)");
inline const QString kExitItemCaption = QStringLiteral("Exit(&X)");
inline const QString kDisplayMenuCaption = QStringLiteral("Display(&D)");
inline const QString kTrendItemCaption = QStringLiteral("Trend(&T)");
inline const QString kMonitorItemCaption = QStringLiteral("Moniter");
inline const QString kSystemMenuCaption = QStringLiteral("System(&S)");
inline const QString kCommPortItemCaption = QStringLiteral("CommPort(&C)");
