#pragma once
// The graph's own drawing of lines and rectangles on RGB32 images, pixel for pixel as the graph
// has always been drawn, and the plain and OR-ed copies that compose its layers.

#include <QImage>

// Pixel rules of the graph: a filled rectangle covers its left and top edges but not its right and
// bottom edges; a line covers every pixel from its start up to, not including, its end point.
// Everything outside the image is clipped.
namespace raster {

// dotted: every other pixel along the line, the first one set; behind: solid, but only on black
// pixels, so whatever was drawn before stays in front
enum class Pen { Solid, Dotted, Behind };

void fillRect(QImage &image, int left, int top, int right, int bottom, QRgb colour);
void drawLine(QImage &image, int x0, int y0, int x1, int y1, QRgb colour, Pen pen = Pen::Solid);
// Copies `source` into `target` at (0, 0) over width x height pixels, plain or OR-ed.
void copy(QImage &target, const QImage &source, int width, int height);
void orInto(QImage &target, const QImage &source, int width, int height);

} // namespace raster
