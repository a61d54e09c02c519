#include "ReceiveQueue.h"

#include "AgwFrame.h"

#include <utility>

void ReceiveQueue::setFrameLimit(int frames) {
    m_frameLimit = qMax(1, frames);
}

bool ReceiveQueue::full(qsizetype incoming) const {
    return queuedFrames() >= m_frameLimit || m_bytes + incoming > kMaxBytes;
}

bool ReceiveQueue::blocked() const {
    return full(kMaxAgwDataLength) && m_monitored.empty();
}

void ReceiveQueue::push(EngineEvent&& event, bool monitored) {
    const qsizetype size = event.text.size();
    while (full(size) && !m_monitored.empty()) {
        m_bytes -= m_monitored.front().text.size();
        m_monitored.pop_front();
        ++m_dropped;
    }
    if (full(size) && monitored) {
        ++m_dropped;
        return;
    }
    // Connected data goes in even past the bounds; a caller that stops while blocked() keeps
    // that from happening.
    m_bytes += size;
    (monitored ? m_monitored : m_connected).push_back(std::move(event));
}

std::optional<EngineEvent> ReceiveQueue::pop() {
    if (empty())
        return std::nullopt;
    // What the stations say to us never waits behind a flood of monitored traffic.
    std::deque<EngineEvent>& from = m_connected.empty() ? m_monitored : m_connected;
    std::optional<EngineEvent> out(std::move(from.front()));
    from.pop_front();
    m_bytes -= out->text.size();
    return out;
}
