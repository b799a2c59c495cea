#pragma once
// The look the windows share.

#include <QFont>

namespace windowlook {

// Courier New at a pixel size, falling back to a monospace face where it is not installed.
QFont courierNew(int pixelSize);

} // namespace windowlook
