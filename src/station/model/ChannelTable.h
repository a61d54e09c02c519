#pragma once

#include <QString>
#include <array>
#include <utility>

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
    // The first channel that is free or already holds the call, or kNone.
    int channelForIncoming(const QString& call) const;
    int firstFree() const;
    void assign(int channel, const QString& call) { m_channels[channel].call = call; }
    void release(int channel) { m_channels[channel].call.clear(); }

    bool paneShown(int channel) const { return m_channels[channel].paneShown; }
    void setPaneShown(int channel, bool shown) { m_channels[channel].paneShown = shown; }
    // True when that was news.
    bool setUnseen(int channel, bool unseen) {
        return std::exchange(m_channels[channel].unseen, unseen) != unseen;
    }

private:
    struct Channel {
        QString call;
        bool paneShown = false;
        bool unseen = false;
    };
    std::array<Channel, kChannels> m_channels;
};
