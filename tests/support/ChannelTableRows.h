#pragma once
// A Trend Graph's channel table as a test wants it: every channel off, then the given ones on,
// each by its address with its full scale (a word channel) or bit number (a logic channel).

#include "trend/window/ChannelTable.h"
#include "trend/window/TrendGraphWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <initializer_list>

struct AddressedChannel {
    int channel = 0;
    QString address;
    QString scaleOrBit;
};

inline void selectAddressedChannels(TrendGraphWindow &form, std::initializer_list<AddressedChannel> channels)
{
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(false);
    for (const AddressedChannel &row : channels) {
        form.table().row(row.channel).selected->setChecked(true);
        form.table().setAddressKind(row.channel, AddressKind::Address);
        form.table().row(row.channel).name->setText(row.address);
        form.table().row(row.channel).scale->setText(row.scaleOrBit);
    }
}
