#pragma once
// The Trend Graph's question before work is lost: closing the window during a run, or over a run
// whose rows are kept nowhere else (not saved, not exported, not recorded to a file from its first
// row), a new run over such rows, and a click in the channel table that would change the channels
// during a run. The answer (Save / Discard / Cancel) is asked through the dialogs seam; the window
// says what saving and ending the run are.

#include "base/Dialogs.h"

#include <functional>
#include <utility>

class LoseWorkGuard {
public:
    struct Actions {
        std::function<bool()> running; // a run is starting or going on
        std::function<void()> endRun;  // ends it as STOP does
        std::function<bool()> save;    // saves the rows shown or last run; false when not saved
    };

    LoseWorkGuard(Dialogs &dialogs, Actions actions) : dialogs_(dialogs), actions_(std::move(actions)) {}

    // A run began: the rows on show are its own from now on, none stored yet.
    void runBegan() { unsaved_ = false; }
    // A row of the run was stored; `keptInFile` when the run goes whole to a file being recorded.
    void rowStored(bool keptInFile)
    {
        if (!keptInFile)
            unsaved_ = true;
    }
    // The rows were saved or exported, or others (a file opened) took their place.
    void kept() { unsaved_ = false; }
    bool unsaved() const { return unsaved_; }

    // Before the window closes: true when it may.
    bool mayClose();
    // Before RUN starts a run that would replace rows kept nowhere else: true when it may start.
    bool mayStartRun();
    // Before a click in the table changes the channels: true when it may go on; during a run it
    // has been ended then.
    bool mayChangeChannels();

private:
    Dialogs &dialogs_;
    Actions actions_;
    bool unsaved_ = false;
};
