#include "trend/graph/GraphPicture.h"

#include "base/TextFile.h"
#include "base/WindowLook.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QBuffer>
#include <QPainter>

namespace graphpicture {

namespace {

constexpr int kKeyGap = 12;
constexpr int kKeyWidth = 150;
constexpr int kKeyLine = 20;
constexpr int kKeyPitch = 16;
constexpr int kCaptionHeight = 18;

} // namespace

QImage render(const QImage &graph, const std::vector<KeyEntry> &key, QRgb background, int scale)
{
    const int width = kGraphLeft + graph.width() + kKeyGap + kKeyWidth;
    const int height = kGraphTop + graph.height() + kCaptionHeight;
    QImage picture(width * scale, height * scale, QImage::Format_RGB32);
    picture.fill(background);
    picture.setDevicePixelRatio(scale);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(kGraphLeft, kGraphTop, graph.width(), graph.height()), graph);

    QFont font = windowlook::courierNew(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // The same captions as the window: percent of full scale down the left, sample numbers under.
    for (int i = 0; i < kFullScalePercentCaptions.size(); ++i)
        painter.drawText(QRect(2, kGraphTop + 100 * i - 7, kGraphLeft - 6, 14), Qt::AlignRight | Qt::AlignVCenter,
                         kFullScalePercentCaptions[i]);
    for (int samples : {0, 100, 200, 250})
        painter.drawText(QRect(kGraphLeft + 2 * samples - 20, kGraphTop + graph.height() + 2, 40, 14),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(samples));

    const int keyLeft = kGraphLeft + graph.width() + kKeyGap;
    int y = kGraphTop + 6;
    for (const KeyEntry &entry : key) {
        painter.fillRect(QRect(keyLeft, y + 5, kKeyLine, 3), QColor::fromRgb(entry.colour));
        painter.drawText(QRect(keyLeft + kKeyLine + 6, y, kKeyWidth - kKeyLine - 6, kKeyPitch),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.name);
        y += kKeyPitch;
    }
    painter.end();
    picture.setDevicePixelRatio(1);
    return picture;
}

bool writePng(const QImage &picture, const QString &path, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!picture.save(&buffer, "PNG"))
        return false;
    return textfile::writeAtomically(path, bytes, error);
}

} // namespace graphpicture
