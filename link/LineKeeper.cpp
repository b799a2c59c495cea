#include "link/LineKeeper.h"

#include "link/LinkCodes.h"

LineKeeper::LineKeeper(Link &link) : link_(link) { reply_.lastAnswer = Clock::now(); }

bool LineKeeper::afterRequest(int result)
{
    const bool noReply = result == codeOf(LinkResult::Timeout);
    if (!noReply) {
        reply_ = {true, Clock::now()};
        return false;
    }
    reply_.answering = false;
    if (lineLost_ || !link_.isOpen() || !link_.lineGone())
        return false;
    link_.closeLostLine();
    lineLost_ = true;
    nextReopen_ = Clock::now() + kReopenInterval;
    return true;
}

bool LineKeeper::reopenWhenDue(LinkTask &task)
{
    if (!lineLost_)
        return true;
    const auto untilReopen = std::chrono::ceil<std::chrono::milliseconds>(nextReopen_ - Clock::now());
    if (untilReopen.count() > 0 && !task.sleepFor(untilReopen))
        return false;
    lineBack_ = link_.reopen() == 0;
    lineLost_ = !lineBack_;
    nextReopen_ = Clock::now() + kReopenInterval;
    return true;
}

bool LineKeeper::takeLineBack()
{
    const bool back = lineBack_;
    lineBack_ = false;
    return back;
}
