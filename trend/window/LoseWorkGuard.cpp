#include "trend/window/LoseWorkGuard.h"

#include "trend/readout/TrendGraphTexts.h"

bool LoseWorkGuard::mayClose()
{
    const bool running = actions_.running();
    if (!running && !unsaved_)
        return true;
    switch (dialogs_.askBeforeLosingWork(running ? kCloseDuringRunQuestion : kCloseUnsavedRunQuestion)) {
    case Dialogs::LoseWorkAnswer::Cancel:
        return false;
    case Dialogs::LoseWorkAnswer::Discard:
        return true;
    case Dialogs::LoseWorkAnswer::Save:
        break;
    }
    if (running)
        actions_.endRun();
    // A save cancelled or failed keeps the window, and its rows, where they are.
    return actions_.save();
}

bool LoseWorkGuard::mayStartRun()
{
    if (!unsaved_)
        return true;
    switch (dialogs_.askBeforeLosingWork(kRunReplacesUnsavedRunQuestion)) {
    case Dialogs::LoseWorkAnswer::Cancel:
        return false;
    case Dialogs::LoseWorkAnswer::Discard:
        return true;
    case Dialogs::LoseWorkAnswer::Save:
        break;
    }
    // A save cancelled or failed starts nothing: the rows stay on show.
    return actions_.save();
}

bool LoseWorkGuard::mayChangeChannels()
{
    if (!actions_.running())
        return true;
    const Dialogs::LoseWorkAnswer answer = dialogs_.askBeforeLosingWork(kTableEndsRunQuestion);
    if (answer == Dialogs::LoseWorkAnswer::Cancel)
        return false;
    actions_.endRun();
    if (answer == Dialogs::LoseWorkAnswer::Save)
        actions_.save();
    return true;
}
