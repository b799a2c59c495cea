// The spelling of these texts is the product's own, typos included; tests pin it.
#pragma once
// Texts the main window shows: its caption, the program's name and the menus; and what the program
// says when it cannot start.

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
inline const QString kHelpMenuCaption = QStringLiteral("Help(&H)");
inline const QString kAboutItemCaption = QStringLiteral("About(&A)...");
// Help > About, under the program's name and version. %1 a folder or file.
inline const QString kAboutProgramFolder = QStringLiteral("Program folder: %1");
inline const QString kAboutDataFolder = QStringLiteral("Data folder: %1");
inline const QString kAboutSettingsFile = QStringLiteral("Settings file: %1");
// Why "Trend(T)" and "Moniter" are greyed: the two windows share the line and exclude each other.
inline const QString kTrendGraphOpenTip = QStringLiteral("Greyed while the Trend Graph is open: close it first (the two share the line).");
inline const QString kMonitorOpenTip = QStringLiteral("Greyed while the Monitor is open: close it first (the two share the line).");

// %1: why, as the system or the start-up says it.
inline const QString kStartUpFailed = QStringLiteral("The program could not start: %1");
inline const QString kNoWindowShown = QStringLiteral("no window could be shown.");
