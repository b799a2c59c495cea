#include "program/Session.h"

bool trendRunAllowed(const SessionState &state)
{
    return state.catalogueDecoded && state.lineHolder != LineHolder::DataRead;
}

bool dataReadAllowed(const SessionState &state) { return state.lineHolder != LineHolder::TrendRun; }

bool displayWindowAllowed(const SessionState &state) { return !state.trendGraphOpen && !state.monitorOpen; }

void Session::change(const std::function<void(SessionState &)> &edit)
{
    SessionState next = state_;
    edit(next);
    if (next == state_)
        return;
    state_ = next;
    emit changed(state_);
}

void Session::setTrendGraphOpen(bool open)
{
    change([&](SessionState &next) { next.trendGraphOpen = open; });
}

void Session::setMonitorOpen(bool open)
{
    change([&](SessionState &next) { next.monitorOpen = open; });
}

void Session::setVariablesListOpen(bool open)
{
    change([&](SessionState &next) { next.variablesListOpen = open; });
}

void Session::setCatalogueDecoded(bool decoded)
{
    change([&](SessionState &next) { next.catalogueDecoded = decoded; });
}

void Session::setWaitTime(const WaitTime &waitTime)
{
    change([&](SessionState &next) { next.waitTime = waitTime; });
}

void Session::takeLine(LineHolder holder)
{
    change([&](SessionState &next) { next.lineHolder = holder; });
}

void Session::releaseLine(LineHolder holder)
{
    if (state_.lineHolder == holder)
        change([](SessionState &next) { next.lineHolder = LineHolder::None; });
}
