#pragma once
// When the wait for a reply ends. The controller's rule counts whole seconds of the wall clock:
// the wait ends once the clock passes the second of the request plus one, so one to two seconds
// after the request. The wall clock can be stepped (time service, a user) while a line is silent,
// so the rule is turned into a point of the steady clock when the request goes out, and never
// further away than two seconds.

#include <chrono>

using SteadyDeadline = std::chrono::steady_clock::time_point;

inline constexpr std::chrono::seconds kLongestReplyWait{2};

// The deadline for a request sent when the wall clock read `wallNow` and the steady clock `steadyNow`.
SteadyDeadline replyDeadlineAt(std::chrono::system_clock::time_point wallNow, SteadyDeadline steadyNow);
// The deadline for a request sent now.
SteadyDeadline replyDeadlineFromNow();
