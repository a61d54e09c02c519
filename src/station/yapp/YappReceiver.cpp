#include "YappReceiver.h"

using Yapp::Kind;

QByteArray YappReceiver::start() {
    m_state = State::AwaitHeader;
    return Yapp::encode(Kind::ReceiveReady);
}

QByteArray YappReceiver::received(QByteArrayView bytes) {
    m_reader.append(bytes);
    if (m_state == State::Deciding && m_reader.buffered() > kMaxEarlyBytes)
        return abort(QStringLiteral("it went on sending before the answer"));
    QByteArray out;
    Yapp::Packet packet;
    // While the operator decides only a cancel is taken: the sender must wait for the answer.
    while (m_state != State::Done && (m_state != State::Deciding || m_reader.cancelIsNext())) {
        const Yapp::Reader::Result result = m_reader.next(packet);
        if (result == Yapp::Reader::Result::NeedMore)
            break;
        if (result != Yapp::Reader::Result::Packet) {
            m_reader.clear();
            if (m_state != State::CancelWait)
                out += abort(result == Yapp::Reader::Result::BadChecksum
                                 ? QStringLiteral("a block arrived damaged")
                                 : QStringLiteral("it sent what YAPP does not know"));
            break;
        }
        out += onPacket(packet);
    }
    return out;
}

QByteArray YappReceiver::onPacket(const Yapp::Packet& packet) {
    if (m_state == State::CancelWait) {
        QByteArray reply;
        if (Yapp::endsCancelWait(packet.kind, reply))
            m_state = State::Done;
        return reply;
    }
    if (packet.kind == Kind::Cancel) {
        if (m_state == State::Receiving)
            m_sink.keepPart();
        end(Outcome::Cancelled, Yapp::reasonText(packet.body));
        return Yapp::encode(Kind::CancelAck);
    }
    if (m_state == State::AwaitHeader) {
        switch (packet.kind) {
        case Kind::Header:
            return onHeader(packet);
        case Kind::SendInit:
            return Yapp::encode(Kind::ReceiveReady);
        case Kind::SendEot:
            m_state = State::Done;
            if (m_outcome == Outcome::Running)
                m_outcome = Outcome::Cancelled, m_reason = QStringLiteral("no file came");
            return Yapp::encode(Kind::AckEot);
        default:
            break;
        }
    } else if (m_state == State::Receiving) {
        if (packet.kind == Kind::Data)
            return onData(packet);
        if (packet.kind == Kind::SendEof)
            return onEof();
    }
    return abort(QStringLiteral("it sent out of turn"));
}

QByteArray YappReceiver::onHeader(const Yapp::Packet& packet) {
    const std::optional<Yapp::Header> header = Yapp::parseHeader(packet.body);
    if (!header)
        return abort(QStringLiteral("its header is malformed"));
    m_header = *header;
    m_hasHeader = true;
    m_stored = m_resumedFrom = 0;
    m_outcome = Outcome::Running;
    if (m_header.size > m_maxBytes) {
        end(Outcome::Refused, QStringLiteral("%1 bytes is more than the %2 accepted")
                                  .arg(m_header.size)
                                  .arg(m_maxBytes));
        return Yapp::notReady("file too large");
    }
    m_state = State::Deciding;
    return {};
}

QByteArray YappReceiver::accept() {
    if (m_state != State::Deciding)
        return {};
    QString why;
    const qint64 held = m_sink.open(m_header, &why);
    if (held < 0) {
        end(Outcome::Failed, why);
        return Yapp::notReady(why.toLatin1());
    }
    // The sender offers checksums by dating its header; they are taken whenever offered.
    m_checksums = m_header.stamp.has_value();
    m_reader.expectChecksums(m_checksums);
    m_stored = m_resumedFrom = qMin(held, m_header.size);
    m_state = State::Receiving;
    QByteArray out;
    if (m_stored > 0)
        out = Yapp::resume({m_stored, m_checksums});
    else
        out = Yapp::encode(m_checksums ? Kind::ReceiveTpk : Kind::ReceiveFile);
    return out + received({}); // what came while the operator chose
}

QByteArray YappReceiver::refuse() {
    if (m_state != State::Deciding)
        return {};
    end(Outcome::Refused, QString()); // the operator's own choice needs no reason
    return Yapp::notReady("refused");
}

QByteArray YappReceiver::onData(const Yapp::Packet& packet) {
    if (m_stored + packet.body.size() > m_header.size)
        return abort(QStringLiteral("more data came than its header said"));
    if (!m_sink.append(packet.body))
        return abort(QStringLiteral("the file could not be written (is the disk full?)"));
    m_stored += packet.body.size();
    return {};
}

QByteArray YappReceiver::onEof() {
    if (m_stored != m_header.size)
        return abort(QStringLiteral("it ended at %1 of %2 bytes").arg(m_stored).arg(m_header.size));
    if (!m_sink.finish(m_header))
        return abort(QStringLiteral("the whole file could not be given its name"));
    m_outcome = Outcome::Received;
    m_state = State::AwaitHeader; // another file may follow, or the end
    return Yapp::encode(Kind::AckEof);
}

QByteArray YappReceiver::silence() {
    if (m_state == State::CancelWait) {
        m_state = State::Done;
        return {};
    }
    if (m_state == State::Done || m_state == State::Deciding)
        return {};
    if (m_state == State::AwaitHeader && m_outcome == Outcome::Received) {
        m_state = State::Done; // the file is whole; only the closing ET went missing
        return {};
    }
    return abort(QStringLiteral("no answer for a minute"));
}

QByteArray YappReceiver::stop(const QString& why) {
    if (m_state == State::Done || m_state == State::CancelWait)
        return {};
    return abort(why);
}

QByteArray YappReceiver::abort(const QString& why) {
    if (m_state == State::Receiving)
        m_sink.keepPart();
    end(Outcome::Failed, why);
    m_state = State::CancelWait;
    return Yapp::cancel(why.toLatin1());
}

void YappReceiver::end(Outcome outcome, const QString& why) {
    m_outcome = outcome;
    m_reason = why;
    m_state = State::Done;
}
