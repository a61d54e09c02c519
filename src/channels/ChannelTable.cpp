#include "ChannelTable.h"

namespace ChannelTable {

bool isFree(const MainWindowView& view, int channel) {
    return view.tabCaption(channel).compare(kOpen, Qt::CaseInsensitive) == 0;
}

int channelOf(const MainWindowView& view, const QString& call) {
    for (int n = 0; n < kChannels; ++n) {
        if (view.tabCaption(n).compare(call, Qt::CaseInsensitive) == 0)
            return n;
    }
    return kNone;
}

int channelForIncoming(const MainWindowView& view, const QString& call) {
    for (int n = 0; n < kChannels; ++n) {
        if (isFree(view, n) || view.tabCaption(n).compare(call, Qt::CaseInsensitive) == 0)
            return n;
    }
    return kNone;
}

int firstFree(const MainWindowView& view) {
    for (int n = 0; n < kChannels; ++n) {
        if (isFree(view, n))
            return n;
    }
    return kNone;
}

} // namespace ChannelTable
