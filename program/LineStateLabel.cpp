#include "program/LineStateLabel.h"

#include "program/LineStateTexts.h"
#include "base/WindowLook.h"
#include "link/Settings.h"

#include <QDateTime>

namespace {

constexpr int kFontPixels = 13;

} // namespace

LineStateLabel::LineStateLabel(QWidget *parent, const char *name, const QRect &geometry, Qt::Alignment alignment)
    : QLabel(parent)
{
    setObjectName(QLatin1String(name));
    setGeometry(geometry);
    QFont font = windowlook::courierNew(kFontPixels);
    font.setBold(true);
    setFont(font);
    setAlignment(alignment | Qt::AlignVCenter);
    QPalette statePalette = palette();
    statePalette.setColor(QPalette::WindowText, kColour);
    setPalette(statePalette);
    hide();
}

void LineStateLabel::showNoReply(const QString &port, const QDateTime &since)
{
    setText(kNoReplySince.arg(port, devicePathForPort(port), since.toString(kNoReplyTimeFormat)));
    show();
}

void LineStateLabel::clearState()
{
    hide();
    clear();
}
