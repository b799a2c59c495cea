#include "catalogue/BitNames.h"

#include "catalogue/CatalogueTexts.h"

namespace {

const QString &bitNamesText(const QString &name)
{
    if (name == QLatin1String("InvFlag"))
        return kInvFlagBitNames;
    if (name == QLatin1String("CmdFlag"))
        return kCmdFlagBitNames;
    if (name == QLatin1String("FLG5"))
        return kFlg5BitNames;
    return kNumberedBitNames;
}

} // namespace

QStringList flagBitNames(const QString &name)
{
    // Each name runs up to the next comma; the text ends with one.
    QStringList names = bitNamesText(name).split(QLatin1Char(','));
    names.removeLast();
    return names;
}
