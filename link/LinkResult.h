#pragma once
// Result codes of one exchange with a text for each, for traces and logs.

#include "link/LinkCodes.h"

#include <QString>

// A short English text for a result code, for traces and logs.
QString LinkResultText(int code);
