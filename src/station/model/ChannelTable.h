#pragma once

#include <QString>
#include <array>

// Which station is on which of the seven channels: the call, or empty while the channel is
// open. Calls compare without regard to case; lookups walk the channels in order and take the
// first match.
class ChannelTable {
public:
    static constexpr int kChannels = 7;
    static constexpr int kNone = 7; // "no channel", one past the last
    // What an open channel's tab reads.
    static inline const QString kOpenCaption = QStringLiteral("Open");

    bool isFree(int channel) const { return m_calls[channel].isEmpty(); }
    const QString& call(int channel) const { return m_calls[channel]; }
    // The first channel holding the call, or kNone.
    int channelOf(const QString& call) const;
    // The first channel that is free or already holds the call, or kNone.
    int channelForIncoming(const QString& call) const;
    int firstFree() const;
    void assign(int channel, const QString& call) { m_calls[channel] = call; }
    void release(int channel) { m_calls[channel].clear(); }

private:
    std::array<QString, kChannels> m_calls;
};
