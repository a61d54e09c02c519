#pragma once

#include "EngineLink.h"

#include <QtGlobal>

#include <deque>
#include <optional>

// Frames from the engine waiting for the station, bounded in frames and in bytes. When full,
// monitored traffic gives way, oldest first; connected data and notices are never dropped, and
// are handed out ahead of monitored traffic.
class ReceiveQueue {
public:
    static constexpr int kDefaultFrameLimit = 10000;
    // However many frames, the queue never holds more data than this.
    static constexpr qsizetype kMaxBytes = 8 * 1024 * 1024;

    void setFrameLimit(int frames);

    void push(EngineEvent&& event, bool monitored);
    std::optional<EngineEvent> pop();

    // Full with nothing it may drop: the next connected frame has to wait outside until the
    // station takes some.
    bool blocked() const;

    bool empty() const { return m_monitored.empty() && m_connected.empty(); }
    int queuedFrames() const { return int(m_monitored.size() + m_connected.size()); }
    qsizetype queuedBytes() const { return m_bytes; }
    quint64 droppedFrames() const { return m_dropped; }

private:
    bool full(qsizetype incoming) const;

    // Two queues so the oldest monitored frame can go without touching connected data.
    std::deque<EngineEvent> m_monitored;
    std::deque<EngineEvent> m_connected;
    int m_frameLimit = kDefaultFrameLimit;
    qsizetype m_bytes = 0;
    quint64 m_dropped = 0;
};
