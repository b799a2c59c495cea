#pragma once
// The names qmx-record reads by: the super block read from the controller, the variable list as
// the windows build it, and the channels the command line or a presets file chooses from it.

#include "record/Recording.h"
#include "record/RunStopSignals.h"

#include <QString>
#include <QStringList>
#include <optional>

class Link;

namespace record {

struct RecordOptions;

struct Variables {
    QStringList list;
    QString error; // a saved super-block file that failed its check: its messages
    // No sbdata.qmx: the list holds the names of the shipped lists alone, no block's name.
    bool shippedListsOnly = false;
};

// The variable list as the windows build it: from the saved super-block file and the two variable
// files, or from the lines a Data Read has just read (saved as the file first, as Data Read does).
// A saved file that fails its check gives no names at all, rather than names of a damaged file
// reading the wrong addresses for hours. Without a file (a fresh install) the names of Varlist.txt,
// Varlist2.txt and the fixed DIO and M words stand at addresses that need no super block, so they
// are given; only the blocks' names wait for a Data Read.
Variables buildVariables(const std::optional<QStringList> &readLines);

// Without sbdata.qmx: each channel given by name says which shipped list gave its address (a
// message each), and a name no list gives adds to the error that a Data Read is needed for it.
QStringList noteShippedNames(ChannelSetup &setup);

// The channels of --channel, or of --presets when given.
ChannelSetup resolveChannels(const RecordOptions &options, const QStringList &variables);


struct SuperBlockRead {
    std::optional<QStringList> lines;
    bool stopped = false; // a stop signal ended the read
    QString failure;      // why the read failed
};

// The super block read from the controller, as Data Read reads it; a stop signal ends it after
// the read in flight, before anything is saved.
SuperBlockRead readSuperBlock(Link &link, const RecordOptions &options, const RunStopSignals &stop);

} // namespace record
