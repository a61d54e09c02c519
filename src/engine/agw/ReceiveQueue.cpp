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

void ReceiveQueue::push(ReceivedFrame&& frame, bool monitored) {
    const qsizetype size = frame.data.size();
    while (full(size) && !m_monitored.empty()) {
        m_bytes -= m_monitored.front().data.size();
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
    (monitored ? m_monitored : m_connected).push_back(std::move(frame));
}

bool ReceiveQueue::pop(ReceivedFrame& out) {
    if (empty())
        return false;
    // What the stations say to us never waits behind a flood of monitored traffic.
    std::deque<ReceivedFrame>& from = m_connected.empty() ? m_monitored : m_connected;
    out = std::move(from.front());
    from.pop_front();
    m_bytes -= out.data.size();
    return true;
}
