#include "program/Session.h"

bool trendRunAllowed(const SessionState &state)
{
    return state.catalogueDecoded && state.lineHolder != LineHolder::DataRead;
}

bool dataReadAllowed(const SessionState &state) { return state.lineHolder != LineHolder::TrendRun; }

bool displayWindowAllowed(const SessionState &state) { return !state.trendGraphOpen && !state.monitorOpen; }

void Session::change(SessionState next)
{
    if (next == state_)
        return;
    state_ = next;
    emit changed(state_);
}

void Session::setTrendGraphOpen(bool open)
{
    SessionState next = state_;
    next.trendGraphOpen = open;
    change(next);
}

void Session::setMonitorOpen(bool open)
{
    SessionState next = state_;
    next.monitorOpen = open;
    change(next);
}

void Session::setVariablesListOpen(bool open)
{
    SessionState next = state_;
    next.variablesListOpen = open;
    change(next);
}

void Session::setCatalogueDecoded(bool decoded)
{
    SessionState next = state_;
    next.catalogueDecoded = decoded;
    change(next);
}

void Session::setWaitTime(const WaitTime &waitTime)
{
    SessionState next = state_;
    next.waitTime = waitTime;
    change(next);
}

void Session::takeLine(LineHolder holder)
{
    SessionState next = state_;
    next.lineHolder = holder;
    change(next);
}

void Session::releaseLine(LineHolder holder)
{
    if (state_.lineHolder != holder)
        return;
    SessionState next = state_;
    next.lineHolder = LineHolder::None;
    change(next);
}
