#include "recording/VisibleSpan.h"

#include <algorithm>
#include <cmath>

namespace recording {

VisibleSpan::VisibleSpan(std::int64_t wholeStartMs, std::int64_t wholeEndMs, std::int64_t shortestMs)
    : wholeStartMs_(wholeStartMs),
      wholeEndMs_(std::max(wholeEndMs, wholeStartMs + 1)),
      shortestMs_(std::clamp<std::int64_t>(shortestMs, 1, wholeEndMs_ - wholeStartMs_)),
      startMs_(wholeStartMs_),
      endMs_(wholeEndMs_)
{
}

void VisibleSpan::showWhole()
{
    startMs_ = wholeStartMs_;
    endMs_ = wholeEndMs_;
}

void VisibleSpan::show(std::int64_t startMs, std::int64_t endMs)
{
    const std::int64_t length = std::clamp(endMs - startMs, shortestMs_, wholeEndMs_ - wholeStartMs_);
    const std::int64_t middle = startMs + (endMs - startMs) / 2;
    startMs_ = std::clamp(middle - length / 2, wholeStartMs_, wholeEndMs_ - length);
    endMs_ = startMs_ + length;
}

void VisibleSpan::zoom(double factor, double anchor)
{
    anchor = std::clamp(anchor, 0.0, 1.0);
    const double anchorMs = startMs_ + anchor * lengthMs();
    const double length = std::clamp(lengthMs() * factor, double(shortestMs_), double(wholeEndMs_ - wholeStartMs_));
    const auto start = static_cast<std::int64_t>(std::llround(anchorMs - anchor * length));
    const auto rounded = static_cast<std::int64_t>(std::llround(length));
    startMs_ = std::clamp(start, wholeStartMs_, wholeEndMs_ - rounded);
    endMs_ = startMs_ + rounded;
}

void VisibleSpan::pan(double fraction)
{
    moveTo(startMs_ + static_cast<std::int64_t>(std::llround(fraction * lengthMs())));
}

void VisibleSpan::moveTo(std::int64_t startMs)
{
    const std::int64_t length = lengthMs();
    startMs_ = std::clamp(startMs, wholeStartMs_, wholeEndMs_ - length);
    endMs_ = startMs_ + length;
}

} // namespace recording
