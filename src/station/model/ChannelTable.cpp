#include "ChannelTable.h"

int ChannelTable::channelOf(const QString& call) const {
    for (int n = 0; n < kChannels; ++n) {
        if (!isFree(n) && m_channels[n].call.compare(call, Qt::CaseInsensitive) == 0)
            return n;
    }
    return kNone;
}

int ChannelTable::channelForLink(const QString& call, int port) const {
    if (const int held = channelOf(call); held != kNone)
        return m_channels[held].route.port == port ? held : kNone;
    return firstFree();
}

QString ChannelTable::linkWords(int channel, bool namePort) const {
    const Channel& c = m_channels[channel];
    QString words = c.call;
    if (!c.route.via.isEmpty())
        words += QStringLiteral(" via ") + c.route.via.join(QStringLiteral(", "));
    if (namePort)
        words += QStringLiteral(" on port %1").arg(c.route.port);
    return words;
}

int ChannelTable::firstFree() const {
    for (int n = 0; n < kChannels; ++n) {
        if (isFree(n))
            return n;
    }
    return kNone;
}
