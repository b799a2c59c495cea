#pragma once
// The graph as a picture for reports: the composed graph as the window shows it, its percent and
// sample-number captions, and a colour key naming each selected channel. The graph's pixels are
// copied, not resampled: at scale 2 every pixel becomes a 2 x 2 block, while the texts are drawn
// at the finer resolution.

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace graphpicture {

struct KeyEntry {
    QRgb colour;
    QString name;
};

// Where the graph sits in the picture, in pixels at scale 1.
inline constexpr int kGraphLeft = 50;
inline constexpr int kGraphTop = 12;

// The picture at `scale` (1 or 2): width and height are scale x the scale-1 size.
QImage render(const QImage &graph, const std::vector<KeyEntry> &key, QRgb background, int scale);

// `picture` as a PNG file in place of `path`, as every file the graph saves: a file there is
// replaced only by a whole one. False with the system's reason.
bool writePng(const QImage &picture, const QString &path, QString *error);

} // namespace graphpicture
