#include "TrafficTap.h"

#include "AgwTranslation.h"
#include "BinaryTransfer.h"

std::optional<EngineEvent> TrafficTap::nextEvent() {
    std::optional<EngineEvent> event = m_engine.nextEvent();
    if (event && m_state.logSessions)
        logReceived(*event);
    return event;
}

void TrafficTap::logReceived(const EngineEvent& event) {
    const ChannelTable& channels = m_state.channels;
    using Mark = SessionLog::Mark;
    using Type = EngineEvent::Type;
    if (event.type == Type::Connected) {
        // The dispatcher is about to give it this channel.
        if (channels.channelForLink(event.call, event.port) != ChannelTable::kNone)
            m_log.write(event.call, Mark::Link, "connected");
    } else if (event.type == Type::StationData) {
        // A binary file's bytes are not a session's text: its transfer logs its start and end.
        if (channels.transferringTo(event.call) || startsBinaryTransfer(event.text))
            return;
        // Sent on a link, with a channel or not: a late frame or one no channel could take.
        m_log.write(event.call, Mark::Received, event.text.toLatin1());
    } else if (event.type == Type::Disconnected &&
               channels.channelOf(event.call) != ChannelTable::kNone &&
               channels.route(channels.channelOf(event.call)).port == event.port) {
        m_log.write(event.call, Mark::Link, "disconnected");
    }
}

qint16 TrafficTap::send(const EngineCommand& command) {
    const qint16 result = m_engine.send(command);
    const auto* data = std::get_if<LinkDataCommand>(&command);
    if (result == 0 || !data)
        return result;
    const QString call = QString::fromLatin1(data->call);
    if (m_state.logSessions && m_state.channels.channelOf(call) != ChannelTable::kNone &&
        !m_state.channels.transferringTo(call))
        m_log.write(call, m_typing ? SessionLog::Mark::Typed : SessionLog::Mark::Sent, data->data);
    // The engine splits longer data into frames of its own.
    const qsizetype frames = (data->data.size() + kMaxAgwOutgoingData - 1) / kMaxAgwOutgoingData;
    m_backlog.noteSent(call, data->port, int(qMax<qsizetype>(1, frames)));
    return result;
}
