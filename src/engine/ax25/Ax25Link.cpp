#include "Ax25Link.h"

#include <algorithm>
#include <utility>

using Kind = Ax25Kind;

namespace {
constexpr quint8 kPidNoLayer3 = 0xF0;

quint8 next(quint8 n) {
    return quint8((n + 1) & 7);
}

int distance(quint8 from, quint8 to) {
    return (to - from) & 7;
}

qint64 bitsOnAir(const Ax25Frame& f) {
    // Addresses, control, PID, info, FCS and a flag; bit stuffing adds about one in 40.
    const qsizetype bytes = 14 + 7 * f.via.size() + 1 + (f.pid ? 1 : 0) + f.info.size() + 3;
    return bytes * 8 * 41 / 40;
}
} // namespace

Ax25Link::Ax25Link(Ax25Address self, Ax25Address remote, QList<Ax25Address> via,
                   Ax25LinkParameters p)
    : m_self(std::move(self)), m_remote(std::move(remote)), m_via(std::move(via)), m_p(p) {
    // Whatever the caller passes, the bits on our own frames are ours to write.
    m_self.bit7 = m_remote.bit7 = false;
    if (m_via.size() > Ax25Frame::kMaxDigipeaters)
        m_via.resize(Ax25Frame::kMaxDigipeaters);
    for (Ax25Address& a : m_via)
        a.bit7 = false;
    m_p.maxFrame = std::clamp(m_p.maxFrame, 1, 7);
    m_p.retry = std::clamp(m_p.retry, 1, 100);
    m_p.frackMs = std::clamp(m_p.frackMs, 100, 60000);
    m_p.t3Ms = std::max(m_p.t3Ms, 1000);
    m_p.paclen = std::clamp(m_p.paclen, 1, 256);
    m_p.maxQueued = std::max(m_p.maxQueued, m_p.paclen);
    m_p.bitsPerSecond = std::max(m_p.bitsPerSecond, 0);
    m_p.txDelayMs = std::clamp(m_p.txDelayMs, 0, 2550);
    m_t1v = m_p.frackMs * (2 * int(m_via.size()) + 1);
    m_srt = m_t1v / 2;
}

// Smoothed over acknowledgements that came without a retry (a retried frame's round trip is
// ambiguous), floored so a quick wire does not make T1 fire between a frame and its answer.
void Ax25Link::selectT1(qint64 now) {
    const int initial = m_p.frackMs * (2 * int(m_via.size()) + 1);
    if (m_rc == 0) {
        const qint64 roundTrip = std::clamp<qint64>(now - m_t1Started, 0, 4 * initial);
        m_srt = int((7 * qint64(m_srt) + roundTrip) / 8);
        m_t1v = std::clamp(2 * m_srt, std::min(1000, initial), 4 * initial);
    }
}

void Ax25Link::startT1(qint64 now) {
    m_t1StartedSinceTaken = true;
    m_t1Started = now;
    m_t1Deadline = now + m_t1v;
    m_t3Deadline = -1;
}

void Ax25Link::put(Kind kind, bool command, bool pf) {
    Ax25Frame f;
    f.destination = m_remote;
    f.source = m_self;
    for (const Ax25Address& a : m_via)
        f.via.append(a);
    f.kind = kind;
    f.command = command;
    f.pollFinal = pf;
    if (kind == Kind::RR || kind == Kind::RNR || kind == Kind::REJ) {
        f.nr = m_vr;
        m_ackPending = false;
    }
    m_out.append(std::move(f));
}

void Ax25Link::putI(quint8 ns, const QByteArray& info) {
    put(Kind::I, true, false);
    Ax25Frame& f = m_out.last();
    f.ns = ns;
    f.nr = m_vr;
    f.pid = kPidNoLayer3;
    f.info = info;
    m_ackPending = false;
}

void Ax25Link::enquiry(qint64 now) {
    put(Kind::RR, true, true);
    startT1(now);
}

Ax25Frame Ax25Link::refusal(const Ax25Frame& frame) {
    Ax25Frame dm;
    dm.destination = frame.source;
    dm.source = frame.destination;
    dm.destination.bit7 = dm.source.bit7 = false;
    for (auto it = frame.via.rbegin(); it != frame.via.rend(); ++it) {
        dm.via.append(*it);
        dm.via.last().bit7 = false;
    }
    dm.kind = Kind::DM;
    dm.command = false;
    dm.pollFinal = frame.pollFinal;
    return dm;
}

void Ax25Link::resetSequence() {
    m_vs = m_vr = m_va = m_vsTop = 0;
    m_peerBusy = m_rejectSent = m_ackPending = false;
}

// Frames sent and not acknowledged go back to the head of the queue, so a link we re-establish
// ourselves loses nothing the operator typed (the peer may see some of it twice).
void Ax25Link::requeueUnacked() {
    for (quint8 n = m_vsTop; n != m_va;) {
        n = quint8((n + 7) & 7);
        m_queue.prepend(m_inFlight[n]);
        m_queuedBytes += m_inFlight[n].size();
    }
}

void Ax25Link::establish(qint64 now) {
    if (m_state == State::Connected || m_state == State::TimerRecovery) {
        m_reestablishing = true;
        requeueUnacked();
    }
    resetSequence();
    m_rc = 0;
    put(Kind::SABM, true, true);
    startT1(now);
    m_state = State::AwaitingConnection;
}

void Ax25Link::toConnected(qint64 now) {
    selectT1(now);
    m_t1Deadline = -1;
    m_t3Deadline = now + m_p.t3Ms;
    resetSequence();
    m_rc = 0;
    m_state = State::Connected;
    if (!std::exchange(m_reestablishing, false))
        m_events.append({Event::Up, {}, {}});
}

void Ax25Link::drop(const QString& reason) {
    const bool wasUp = m_state != State::Disconnected;
    m_queue.clear();
    m_queuedBytes = 0;
    for (QByteArray& b : m_inFlight)
        b.clear();
    resetSequence();
    m_t1Deadline = m_t3Deadline = -1;
    m_reestablishing = false;
    m_state = State::Disconnected;
    if (wasUp)
        m_events.append({Event::Down, {}, reason});
}

void Ax25Link::connect(qint64 nowMs) {
    if (m_state != State::Disconnected)
        return;
    m_reestablishing = false;
    establish(nowMs);
}

void Ax25Link::disconnect(qint64 nowMs) {
    if (m_state == State::Disconnected || m_state == State::AwaitingRelease)
        return;
    m_queue.clear();
    m_queuedBytes = 0;
    resetSequence();
    m_rc = 0;
    put(Kind::DISC, true, true);
    startT1(nowMs);
    m_state = State::AwaitingRelease;
}

bool Ax25Link::send(const QByteArray& data, qint64 nowMs) {
    if (m_state == State::Disconnected || m_state == State::AwaitingRelease)
        return false;
    if (m_queuedBytes + data.size() > m_p.maxQueued)
        return false;
    for (qsizetype at = 0; at < data.size(); at += m_p.paclen)
        m_queue.append(data.mid(at, m_p.paclen));
    m_queuedBytes += data.size();
    pump(nowMs);
    return true;
}

bool Ax25Link::nrValid(quint8 nr) const {
    return distance(m_va, nr) <= distance(m_va, m_vs);
}

void Ax25Link::pump(qint64 now) {
    if (m_state != State::Connected)
        return;
    while (!m_peerBusy && distance(m_va, m_vs) < m_p.maxFrame) {
        if (m_vs != m_vsTop) {
            ++m_retransmitted;
        } else if (!m_queue.isEmpty()) {
            m_inFlight[m_vs] = m_queue.takeFirst();
            m_queuedBytes -= m_inFlight[m_vs].size();
            m_vsTop = next(m_vs);
        } else {
            break;
        }
        putI(m_vs, m_inFlight[m_vs]);
        m_vs = next(m_vs);
        if (m_t1Deadline < 0)
            startT1(now);
    }
    // A busy peer is asked again on each T1 while we have something for it.
    if (m_peerBusy && outstanding() > 0 && m_t1Deadline < 0)
        startT1(now);
}

void Ax25Link::acked(quint8 nr, qint64 now) {
    if (m_peerBusy) {
        m_va = nr;
    } else if (nr == m_vs) {
        m_va = nr;
        if (m_t1Deadline >= 0) {
            selectT1(now);
            m_t1Deadline = -1;
        }
        m_t3Deadline = now + m_p.t3Ms;
    } else if (nr != m_va) {
        m_va = nr;
        startT1(now);
    }
}

void Ax25Link::receive(const Ax25Frame& frame, qint64 nowMs) {
    switch (m_state) {
    case State::Disconnected:
        receiveDisconnected(frame, nowMs);
        break;
    case State::AwaitingConnection:
        receiveAwaiting(frame, nowMs);
        break;
    case State::AwaitingRelease:
        receiveRelease(frame);
        break;
    case State::Connected:
    case State::TimerRecovery:
        receiveLinked(frame, nowMs);
        break;
    }
    pump(nowMs);
}

void Ax25Link::receiveDisconnected(const Ax25Frame& f, qint64 now) {
    if (f.kind == Kind::SABM) {
        put(Kind::UA, false, f.pollFinal);
        resetSequence();
        m_rc = 0;
        m_t1Deadline = -1;
        m_t3Deadline = now + m_p.t3Ms;
        m_state = State::Connected;
        m_events.append({Event::Up, {}, {}});
    } else if (f.command && f.kind != Kind::UI && f.kind != Kind::XID && f.kind != Kind::TEST &&
               f.kind != Kind::Unknown) {
        // SABME among them: the DM makes a newer peer fall back to SABM.
        put(Kind::DM, false, f.pollFinal);
    }
}

void Ax25Link::receiveAwaiting(const Ax25Frame& f, qint64 now) {
    switch (f.kind) {
    case Kind::SABM: // both called at once: each answers the other's SABM and waits for its own UA
        put(Kind::UA, false, f.pollFinal);
        break;
    case Kind::DISC:
    case Kind::SABME:
        put(Kind::DM, false, f.pollFinal);
        break;
    case Kind::UA:
        if (f.pollFinal)
            toConnected(now);
        break;
    case Kind::DM:
        if (f.pollFinal)
            drop(m_reestablishing ? "the remote station disconnected" : "refused (DM)");
        break;
    default:
        break;
    }
}

void Ax25Link::receiveRelease(const Ax25Frame& f) {
    switch (f.kind) {
    case Kind::DISC: // both sides hung up at once: answer, and wait for the UA to our own DISC
        put(Kind::UA, false, f.pollFinal);
        break;
    case Kind::SABM:
    case Kind::SABME:
        put(Kind::DM, false, f.pollFinal);
        break;
    case Kind::UA:
    case Kind::DM:
        if (f.pollFinal)
            drop("disconnected");
        break;
    case Kind::I:
    case Kind::RR:
    case Kind::RNR:
    case Kind::REJ:
        if (f.command && f.pollFinal)
            put(Kind::DM, false, true);
        break;
    default:
        break;
    }
}

void Ax25Link::receiveLinked(const Ax25Frame& f, qint64 now) {
    switch (f.kind) {
    case Kind::SABM: {
        // The peer restarted. Frames of ours it never acknowledged belonged to the old link.
        put(Kind::UA, false, f.pollFinal);
        if (m_vsTop != m_va) {
            m_queue.clear();
            m_queuedBytes = 0;
        }
        resetSequence();
        m_rc = 0;
        m_t1Deadline = -1;
        m_t3Deadline = now + m_p.t3Ms;
        m_state = State::Connected;
        m_events.append({Event::Up, {}, "reset by the remote station"});
        break;
    }
    case Kind::SABME:
        put(Kind::DM, false, f.pollFinal);
        break;
    case Kind::DISC:
        put(Kind::UA, false, f.pollFinal);
        drop("the remote station disconnected");
        break;
    case Kind::DM:
        drop("the remote station disconnected");
        break;
    case Kind::UA:
    case Kind::FRMR:
        establish(now);
        break;
    case Kind::I:
        receiveI(f, now);
        break;
    case Kind::RR:
    case Kind::RNR:
    case Kind::REJ:
        receiveS(f, now);
        break;
    default: // SREJ is not spoken in 2.0; UI and the rest are the station's
        break;
    }
}

void Ax25Link::receiveI(const Ax25Frame& f, qint64 now) {
    if (!f.command)
        return;
    const quint8 nr = f.nr.value_or(0) & 7;
    if (!nrValid(nr)) {
        establish(now);
        return;
    }
    if (m_state == State::Connected)
        acked(nr, now);
    else
        m_va = nr;
    if ((f.ns.value_or(0) & 7) == m_vr) {
        m_vr = next(m_vr);
        m_rejectSent = false;
        if (!f.info.isEmpty())
            m_events.append({Event::Data, f.info, {}});
        if (f.pollFinal)
            put(Kind::RR, false, true);
        else
            m_ackPending = true;
    } else if (m_rejectSent) {
        if (f.pollFinal)
            put(Kind::RR, false, true);
    } else {
        m_rejectSent = true;
        put(Kind::REJ, false, f.pollFinal);
    }
}

void Ax25Link::receiveS(const Ax25Frame& f, qint64 now) {
    m_peerBusy = f.kind == Kind::RNR;
    const quint8 nr = f.nr.value_or(0) & 7;
    if (!nrValid(nr)) {
        establish(now);
        return;
    }
    if (f.command && f.pollFinal)
        put(Kind::RR, false, true);
    if (m_state == State::TimerRecovery && !f.command && f.pollFinal) {
        // The answer to our poll: resend from what it has, and carry on.
        selectT1(now);
        m_t1Deadline = -1;
        m_va = m_vs = nr;
        m_rc = 0;
        m_state = State::Connected;
        if (m_vsTop == m_va)
            m_t3Deadline = now + m_p.t3Ms;
    } else if (m_state == State::TimerRecovery) {
        m_va = nr;
        if (f.kind == Kind::REJ)
            m_vs = nr;
    } else if (f.kind == Kind::REJ) {
        m_va = m_vs = nr;
        m_t1Deadline = -1;
        m_t3Deadline = now + m_p.t3Ms;
    } else {
        acked(nr, now);
    }
}

void Ax25Link::tick(qint64 nowMs) {
    const int ceiling = 4 * m_p.frackMs * (2 * int(m_via.size()) + 1);
    if (m_t1Deadline >= 0 && nowMs >= m_t1Deadline) {
        m_t1Deadline = -1;
        if (m_state != State::Connected && m_rc >= m_p.retry) {
            // The peer may still think the link is up: tell it, once, that it is not.
            if (m_state == State::TimerRecovery)
                put(Kind::DM, false, false);
            drop("retry-out");
            return;
        }
        m_t1v = std::min(m_t1v * 2, ceiling);
        ++m_rc;
        if (m_state == State::AwaitingConnection) {
            put(Kind::SABM, true, true);
            startT1(nowMs);
        } else if (m_state == State::AwaitingRelease) {
            put(Kind::DISC, true, true);
            startT1(nowMs);
        } else {
            m_state = State::TimerRecovery;
            enquiry(nowMs);
        }
    } else if (m_state == State::Connected && m_t1Deadline < 0 && m_t3Deadline >= 0 &&
               nowMs >= m_t3Deadline) {
        m_rc = 0;
        m_state = State::TimerRecovery;
        enquiry(nowMs);
    }
    pump(nowMs);
}

QList<Ax25Frame> Ax25Link::takeOutgoing() {
    if (m_ackPending && (m_state == State::Connected || m_state == State::TimerRecovery))
        put(Kind::RR, false, false);
    m_ackPending = false;
    if (std::exchange(m_t1StartedSinceTaken, false) && m_t1Deadline >= 0 && m_p.bitsPerSecond > 0)
        waitOutAirtime();
    return std::exchange(m_out, {});
}

// The frames handed over now go out together once the TNC has keyed up; their answer cannot come
// before the last has been sent.
void Ax25Link::waitOutAirtime() {
    qint64 bits = 0;
    for (const Ax25Frame& f : std::as_const(m_out))
        bits += bitsOnAir(f);
    const qint64 air = m_p.txDelayMs + bits * 1000 / m_p.bitsPerSecond;
    m_t1Deadline += air;
    m_t1Started += air;
}

void Ax25Link::channelBusy(const Ax25Frame& heard) {
    if (m_t1Deadline < 0 || m_p.bitsPerSecond <= 0)
        return;
    const qint64 air = bitsOnAir(heard) * 1000 / m_p.bitsPerSecond;
    m_t1Deadline += air;
    m_t1Started += air;
}

QList<Ax25Link::Event> Ax25Link::takeEvents() {
    return std::exchange(m_events, {});
}

int Ax25Link::outstanding() const {
    return distance(m_va, m_vsTop) + int(m_queue.size());
}
