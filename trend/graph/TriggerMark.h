#pragma once
// The trigger row's mark on the graph's cursor layer: a solid line down the whole height in the
// palette's kTriggerMarkColour, which no channel, cursor or error mark uses, with a "T" beside its
// top. It sets only black pixels, so the read-out cursors keep their dots and dashes where they
// meet it, and the trace layer is never touched.

#include <QImage>

namespace triggermark {

// The letter's box: 5 pixels wide, 7 high, 2 pixels below the top edge and 2 beside the line.
inline constexpr int kLetterWidth = 5;
inline constexpr int kLetterHeight = 7;
inline constexpr int kLetterTop = 2;
inline constexpr int kLetterGap = 2;

// The left edge of the letter for a mark at x: right of the line, or left of it where the right
// edge gives no room.
int letterLeft(int x, int layerWidth);
// Draws the mark at x on `cursorLayer`; nothing when x is outside it.
void draw(QImage &cursorLayer, int x);

} // namespace triggermark
