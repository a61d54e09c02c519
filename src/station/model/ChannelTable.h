#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <utility>

// How a link reaches its station: the radio port (counted from 0) and the digipeaters on the way,
// where they are known (an incoming connect notice names none).
struct LinkRoute {
    quint8 port = 0;
    QStringList via;
    friend bool operator==(const LinkRoute&, const LinkRoute&) = default;
};

// The seven channels: which station is on each (the call, or empty while the channel is open),
// whether its page pane is shown instead of its text, and whether it holds text the operator has
// not seen. Calls compare without regard to case; lookups walk the channels in order and take the
// first match.
class ChannelTable {
public:
    static constexpr int kChannels = 7;
    static constexpr int kNone = 7; // "no channel", one past the last
    // What an open channel's tab reads.
    static inline const QString kOpenCaption = QStringLiteral("Open");

    bool isFree(int channel) const { return m_channels[channel].call.isEmpty(); }
    const QString& call(int channel) const { return m_channels[channel].call; }
    // The first channel holding the call, or kNone.
    int channelOf(const QString& call) const;
    // Where a link to `call` on `port` goes: the channel holding the call, or the first free one;
    // kNone when all are busy or the call holds a channel on another port (one channel a call).
    int channelForLink(const QString& call, int port) const;
    int firstFree() const;
    void assign(int channel, const QString& call, const LinkRoute& route = {}) {
        m_channels[channel].call = call;
        m_channels[channel].route = route;
    }
    void release(int channel) {
        m_channels[channel].call.clear();
        m_channels[channel].route = {};
        m_channels[channel].transferring = false;
    }
    const LinkRoute& route(int channel) const { return m_channels[channel].route; }
    // The link in words: "N0XYZ via N0DG1, N0DG2 on port 1"; the port only when `namePort`.
    QString linkWords(int channel, bool namePort) const;

    bool paneShown(int channel) const { return m_channels[channel].paneShown; }
    void setPaneShown(int channel, bool shown) { m_channels[channel].paneShown = shown; }
    // True when that was news.
    bool setUnseen(int channel, bool unseen) {
        return std::exchange(m_channels[channel].unseen, unseen) != unseen;
    }

    // A binary file transfer holds the link: nothing else goes on it. Only the transfers write it.
    bool transferring(int channel) const { return m_channels[channel].transferring; }
    void setTransferring(int channel, bool on) { m_channels[channel].transferring = on; }
    bool transferringTo(const QString& call) const {
        const int n = channelOf(call);
        return n != kNone && transferring(n);
    }

private:
    struct Channel {
        QString call;
        LinkRoute route;
        bool paneShown = false;
        bool unseen = false;
        bool transferring = false;
    };
    std::array<Channel, kChannels> m_channels;
};
