#pragma once
// The frame protocol for the Qt side of the program: the toolkit-free codec plus the frame and
// checksum as QByteArray, as windows, tests and the simulator handle bytes.

#include "link/FrameCodec.h"

#include <QByteArray>

// Low 8 bits of the byte sum, as two upper-case hex digits.
QByteArray checksumText(const char *data, qsizetype length);

// ENQ, space, letter, 8 address digits, [2 count digits for "r"], checksum, CR, LF.
QByteArray buildRequestFrame(const RequestRecord &request);
