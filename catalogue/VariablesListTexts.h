// The spelling of these texts is the product's own, typos included; tests pin it.
#pragma once
// Texts the Variables List window shows: its captions, the Data Read's progress and messages.

#include "link/LinkResult.h"

#include <QString>
#include <QStringList>

inline const QString kVarListCaption = QStringLiteral("Variables List");
inline const QString kDataNameCaption = QStringLiteral("Data Name");
inline const QString kBitNumberCaption = QStringLiteral("Bit No.");
inline const QString kReadSuperBlockCaption = QStringLiteral("Read Super Block");
inline const QString kDataReadCaption = QStringLiteral("Data Read");
// Tooltips.
inline const QString kNameListTip = QStringLiteral(
    "Select a name, then double-click a name field in the Trend Graph to take it.");
inline const QString kBitListTip = QStringLiteral(
    "Select a bit, then double-click a logic channel's name field in the Trend Graph to take name and bit.");
inline const QString kDataReadTip = QStringLiteral(
    "Read the super block from the controller into sbdata.qmx and list its block outputs.");

// The bit list as it is before any variable has been clicked.
inline const QStringList kInitialBitLines{
    QStringLiteral("00 "), QStringLiteral("01 "), QStringLiteral("02  "), QStringLiteral("03  "),
    QStringLiteral("04  "), QStringLiteral("05  "), QStringLiteral("06  "), QStringLiteral("07  "),
    QStringLiteral("08 "), QStringLiteral("09  "), QStringLiteral("10 "), QStringLiteral("11 "),
    QStringLiteral("12"), QStringLiteral("13"), QStringLiteral("14"), QStringLiteral("15 "),
    QString(),
};

inline const QString kCommPortOpenError = QStringLiteral("Comm Port Open Error!!!");

// A Data Read that failed after the port opened. %1: the address read (hex), %2: the result.
inline QString dataReadFailed(quint32 address, int code)
{
    return QStringLiteral("Data Read failed: the read at %1 ended with %2 (code %3). "
                          "The previous variable list and sbdata.qmx are kept.")
        .arg(QString::number(address, 16).toUpper(), linkResultText(code), QString::number(code));
}

// Progress of a Data Read under the bit list. %1: reads done, %2: super-block words read.
inline const QString kDataReadOpening = QStringLiteral("Opening port...");
inline const QString kDataReadProgress = QStringLiteral("Reads: %1\nSuper block:\n%2 words");
// Where the progress stood, once a Data Read has built the list. %1 the variables listed, %2 the
// blocks decoded, %3 the time it ended.
inline const QString kDataReadSummary = QStringLiteral("%1 variables from %2 blocks read at %3");
inline const QString kDataReadSummaryTimeFormat = QStringLiteral("HH:mm:ss");
