#include "program/LineStateLabel.h"

#include "program/LineStateTexts.h"
#include "base/WindowLook.h"
#include "link/Settings.h"

#include <QDateTime>
#include <QEvent>
#include <QFontMetrics>
#include <algorithm>
#include <utility>

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
    const bool wasSaid = saysNoReply();
    port_ = port;
    device_ = devicePathForPort(port);
    since_ = since.toString(kNoReplyTimeFormat);
    fullText_ = kNoReplySince.arg(port_, device_, since_);
    setToolTip(fullText_);
    fitText();
    show();
    if (!wasSaid)
        emit stateChanged();
}

void LineStateLabel::clearState()
{
    const bool wasSaid = saysNoReply();
    fullText_.clear();
    hide();
    clear();
    setToolTip(QString());
    if (wasSaid)
        emit stateChanged();
}

void LineStateLabel::fitText()
{
    if (fullText_.isEmpty())
        return;
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    if (metrics.horizontalAdvance(fullText_) <= room) {
        setText(fullText_);
        return;
    }
    // The port and the time say what matters; the device's path gives way in its middle.
    const int deviceRoom = room - metrics.horizontalAdvance(kNoReplySince.arg(port_, QString(), since_));
    const QString device = metrics.elidedText(device_, Qt::ElideMiddle, std::max(deviceRoom, 0));
    QString text = kNoReplySince.arg(port_, device, since_);
    // A font too large for even that: the text's end gives way, with the ellipsis in its place.
    if (metrics.horizontalAdvance(text) > room)
        text = metrics.elidedText(fullText_, Qt::ElideRight, room);
    setText(text);
}

void LineStateLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fitText();
}

void LineStateLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitText();
}
