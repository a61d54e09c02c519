#include "YappSender.h"

using Yapp::Kind;

YappSender::YappSender(Yapp::Header header, QByteArray contents, int blockBytes)
    : m_header(std::move(header)), m_contents(std::move(contents)),
      m_blockBytes(qBound(1, blockBytes, Yapp::kMaxBlock)) {
    m_header.size = m_contents.size();
}

QByteArray YappSender::start() {
    m_state = State::AwaitReady;
    return Yapp::encode(Kind::SendInit);
}

QByteArray YappSender::received(QByteArrayView bytes) {
    m_reader.append(bytes);
    QByteArray out;
    Yapp::Packet packet;
    while (m_state != State::Done) {
        const Yapp::Reader::Result result = m_reader.next(packet);
        if (result == Yapp::Reader::Result::NeedMore)
            break;
        // Text before the first answer (a prompt, a greeting) is the peer's terminal talking.
        if (result == Yapp::Reader::Result::Garbage && m_state == State::AwaitReady) {
            m_reader.dropFirst();
            continue;
        }
        if (result != Yapp::Reader::Result::Packet) {
            m_reader.clear();
            if (m_state != State::CancelWait)
                out += abort(QStringLiteral("it sent what YAPP does not know"));
            break;
        }
        out += onPacket(packet);
    }
    return out;
}

QByteArray YappSender::onPacket(const Yapp::Packet& packet) {
    if (m_state == State::CancelWait) {
        QByteArray reply;
        if (Yapp::endsCancelWait(packet.kind, reply))
            m_state = State::Done;
        return reply;
    }
    if (m_state == State::AwaitAckEot) {
        m_state = State::Done; // the file is there once AF came; whatever ends the batch ends it
        return {};
    }
    switch (packet.kind) {
    case Kind::Cancel:
        end(Outcome::Cancelled, Yapp::reasonText(packet.body));
        return Yapp::encode(Kind::CancelAck);
    case Kind::NotReady:
        if (m_state == State::AwaitReady || m_state == State::AwaitFile) {
            end(Outcome::Refused, Yapp::reasonText(packet.body));
            return {};
        }
        break;
    case Kind::ReceiveInit:
        if (m_state == State::AwaitReady)
            return {};
        break;
    case Kind::ReceiveReady:
        if (m_state == State::AwaitReady) {
            m_state = State::AwaitFile;
            return Yapp::header(m_header);
        }
        if (m_state == State::AwaitFile)
            return {}; // the answer to an SI sent again
        break;
    case Kind::ReceiveFile:
    case Kind::ReceiveTpk:
        if (m_state == State::AwaitReady || m_state == State::AwaitFile)
            return startData(packet.kind == Kind::ReceiveTpk, 0);
        break;
    case Kind::Resume:
        if (m_state == State::AwaitFile) {
            const std::optional<Yapp::ResumeAt> at = Yapp::parseResume(packet.body);
            if (at && at->length <= total())
                return startData(at->checksums, at->length);
            return abort(QStringLiteral("it asked to resume past the end"));
        }
        break;
    case Kind::AckEof:
        if (m_state == State::AwaitAckEof) {
            m_state = State::AwaitAckEot;
            m_outcome = Outcome::Sent;
            return Yapp::encode(Kind::SendEot);
        }
        break;
    default:
        break;
    }
    return abort(QStringLiteral("it answered out of turn"));
}

QByteArray YappSender::startData(bool checksums, qint64 from) {
    m_checksums = checksums;
    m_reader.expectChecksums(checksums);
    m_at = from;
    m_state = State::Sending;
    return {};
}

QByteArray YappSender::nextBlocks(int blocks) {
    QByteArray out;
    if (m_state != State::Sending)
        return out;
    for (; blocks > 0 && m_at < total(); --blocks) {
        const qsizetype length = qMin<qsizetype>(m_blockBytes, total() - m_at);
        out += Yapp::data(QByteArrayView(m_contents).sliced(m_at, length), m_checksums);
        m_at += length;
    }
    if (blocks > 0 && m_at == total()) {
        out += Yapp::encode(Kind::SendEof);
        m_state = State::AwaitAckEof;
    }
    return out;
}

QByteArray YappSender::silence() {
    if (m_state == State::CancelWait || m_state == State::AwaitAckEot) {
        m_state = State::Done;
        return {};
    }
    if (m_state == State::Done || m_state == State::Sending)
        return {};
    return abort(QStringLiteral("no answer for a minute"));
}

QByteArray YappSender::stop(const QString& why) {
    if (m_state == State::Done || m_state == State::CancelWait)
        return {};
    return abort(why);
}

QByteArray YappSender::abort(const QString& why) {
    end(Outcome::Failed, why);
    m_state = State::CancelWait;
    return Yapp::cancel(why.toLatin1());
}

void YappSender::end(Outcome outcome, const QString& why) {
    m_outcome = outcome;
    m_reason = why;
    m_state = State::Done;
}
