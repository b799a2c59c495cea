#pragma once
// A Trend Graph window over a recording made up for a test: `rows` rows in the ring, channels 0, 1
// and 7 selected (row k reads k, -k and k's lowest bit), shown in the channel table.

#include "trend/window/ChannelTable.h"
#include "trend/window/TrendGraphWindow.h"

inline void fillRecordedRing(TrendGraphWindow &form, int rows, bool wrapped, int writePos)
{
    TrendData &data = form.data();
    data = TrendData{};
    for (int c = 0; c < kChannels; ++c)
        data.channels[c] = {c == 0 || c == 1 || c == 7, AddressKind::Name, c < 7 ? "AnTermIn" : "InvFlag",
                            c < 7 ? "20000" : "00"};
    data.selectedChannels = {0, 1, 7};
    data.channelScale = {20000, 20000, 0, 0, 0, 0, 0, 1};
    for (int k = 0; k < rows; ++k)
        data.sampleRing[k] = {k, -k, 0, 0, 0, 0, 0, k % 2};
    data.ringWrapped = wrapped;
    data.ringWritePos = writePos;
    form.table().showRecords(form.data().channels);
}
