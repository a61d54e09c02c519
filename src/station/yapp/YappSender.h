#pragma once

#include "YappPackets.h"

#include <QByteArray>
#include <QString>

// One file sent by YAPP, as a state machine with no I/O: what the peer sent goes in, what to send
// back comes out. The data blocks are taken as the link has room for them.
class YappSender {
public:
    enum class State { AwaitReady, AwaitFile, Sending, AwaitAckEof, AwaitAckEot, CancelWait, Done };
    enum class Outcome { Running, Sent, Refused, Cancelled, Failed };

    YappSender(Yapp::Header header, QByteArray contents, int blockBytes = Yapp::kMaxBlock);

    QByteArray start(); // SI
    QByteArray received(QByteArrayView bytes);
    // Up to `blocks` data packets, and EF after the last.
    QByteArray nextBlocks(int blocks);
    // The peer has said nothing for the time a transfer waits.
    QByteArray silence();
    QByteArray stop(const QString& why);

    State state() const { return m_state; }
    Outcome outcome() const { return m_outcome; }
    QString reason() const { return m_reason; }
    bool checksums() const { return m_checksums; }
    qint64 sent() const { return m_at; }
    qint64 total() const { return m_contents.size(); }
    const Yapp::Header& header() const { return m_header; }

private:
    QByteArray onPacket(const Yapp::Packet& packet);
    QByteArray startData(bool checksums, qint64 from);
    QByteArray abort(const QString& why);
    void end(Outcome outcome, const QString& why);

    Yapp::Header m_header;
    QByteArray m_contents;
    Yapp::Reader m_reader;
    State m_state = State::AwaitReady;
    Outcome m_outcome = Outcome::Running;
    QString m_reason;
    bool m_checksums = false;
    qint64 m_at = 0;
    int m_blockBytes;
};
