#include "catalogue/BitNames.h"

namespace {

const QString kInvFlagBits = QStringLiteral(
    "00 RUN orJOG cmd,01 RUNning,02 JOGging,03 RUN CMD,04 DC EXCITing,05 Low Volt,06 TUNning,07 GATE ON,"
    "08 Init.EXCITing,09 DC BREAKing,10,11,12,13,14,15,");
const QString kCmdFlagBits = QStringLiteral(
    "00 RUN cmd,01 JOG cmd,02 REV cmd,03,04,05,06,07 EXCIT cmd,08 FOR (Term),09 REV (Term),10 FOR JOG(Term),"
    "11 REV JOG(Term),12 EMERG STOP(Term),13 RESET(Term),14,15,");
const QString kFlg5Bits = QStringLiteral(
    "00 RUN cmd,01 RUNning,02 JOGging,03,04 REV cmd,05 DEC to Stop,06 DC BREAKing,07 STOP after LV,"
    "08 Init EXCITE,09,10,11,12,13,14,15,");
const QString kPlainBits = QStringLiteral("00,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,");

const QString &bitNamesText(const QString &name)
{
    if (name == QLatin1String("InvFlag"))
        return kInvFlagBits;
    if (name == QLatin1String("CmdFlag"))
        return kCmdFlagBits;
    if (name == QLatin1String("FLG5"))
        return kFlg5Bits;
    return kPlainBits;
}

} // namespace

QStringList flagBitNames(const QString &name)
{
    // Each name runs up to the next comma; the text ends with one.
    QStringList names = bitNamesText(name).split(QLatin1Char(','));
    names.removeLast();
    return names;
}
