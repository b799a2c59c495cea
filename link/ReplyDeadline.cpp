#include "link/ReplyDeadline.h"

#include <algorithm>

SteadyDeadline replyDeadlineAt(std::chrono::system_clock::time_point wallNow, SteadyDeadline steadyNow)
{
    using namespace std::chrono;
    const auto wholeSecond = floor<seconds>(wallNow);
    const auto wallDeadline = wholeSecond + seconds(2);
    const auto left = std::clamp<steady_clock::duration>(duration_cast<steady_clock::duration>(wallDeadline - wallNow),
                                                         steady_clock::duration::zero(), kLongestReplyWait);
    return steadyNow + left;
}

SteadyDeadline replyDeadlineFromNow()
{
    return replyDeadlineAt(std::chrono::system_clock::now(), std::chrono::steady_clock::now());
}
