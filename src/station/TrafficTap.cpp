#include "TrafficTap.h"

#include "AgwTranslation.h"

qint16 TrafficTap::getData(ReceivedFrame& out) {
    const qint16 result = m_engine.getData(out);
    if (result != 0 && m_state.logSessions)
        logReceived(out);
    return result;
}

void TrafficTap::logReceived(const ReceivedFrame& frame) {
    // The sender as the poll tick reads it; a frame it cannot place is no channel's traffic.
    const qsizetype nul = frame.senderField.indexOf('\0');
    if (nul < 0 || frame.length < 0)
        return;
    const QString call = QString::fromLatin1(frame.senderField.left(nul));
    const ChannelTable& channels = m_state.channels;
    using Mark = SessionLog::Mark;
    if (frame.kind == Kind::ConnectNotice) {
        // The poll tick is about to give it this channel.
        if (channels.channelForIncoming(call) != ChannelTable::kNone)
            m_log.write(call, Mark::Link, "connected");
    } else if (channels.channelOf(call) == ChannelTable::kNone) {
        return;
    } else if (frame.kind == Kind::DisconnectNotice) {
        m_log.write(call, Mark::Link, "disconnected");
    } else if (frame.kind == Kind::ConnectedData) {
        m_log.write(call, Mark::Received, frame.data.left(frame.length));
    }
}

qint16 TrafficTap::putData(const QByteArray& destination, const QByteArray& data, int kind,
                           int length, quint8 port) {
    const qint16 result = m_engine.putData(destination, data, kind, length, port);
    if (result == 0 || kind != Kind::ConnectedData)
        return result;
    const QByteArray sent = data.left(qBound(0, length, int(data.size())));
    const QString call = QString::fromLatin1(destination);
    if (m_state.logSessions && m_state.channels.channelOf(call) != ChannelTable::kNone)
        m_log.write(call, typing ? SessionLog::Mark::Typed : SessionLog::Mark::Sent, sent);
    // The engine splits longer data into frames of its own.
    const qsizetype frames = (sent.size() + kMaxAgwOutgoingData - 1) / kMaxAgwOutgoingData;
    m_backlog.noteSent(call, port, int(qMax<qsizetype>(1, frames)));
    return result;
}
