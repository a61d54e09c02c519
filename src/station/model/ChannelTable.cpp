#include "ChannelTable.h"

int ChannelTable::channelOf(const QString& call) const {
    for (int n = 0; n < kChannels; ++n) {
        if (!isFree(n) && m_channels[n].call.compare(call, Qt::CaseInsensitive) == 0)
            return n;
    }
    return kNone;
}

int ChannelTable::channelForIncoming(const QString& call) const {
    for (int n = 0; n < kChannels; ++n) {
        if (isFree(n) || m_channels[n].call.compare(call, Qt::CaseInsensitive) == 0)
            return n;
    }
    return kNone;
}

int ChannelTable::firstFree() const {
    for (int n = 0; n < kChannels; ++n) {
        if (isFree(n))
            return n;
    }
    return kNone;
}
