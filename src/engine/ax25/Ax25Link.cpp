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
} // namespace

Ax25Link::Ax25Link(Ax25Address self, Ax25Address remote, QList<Ax25Address> via,
                   Ax25LinkParameters p)
    : self_(std::move(self)), remote_(std::move(remote)), via_(std::move(via)), p_(p) {
    // Whatever the caller passes, the bits on our own frames are ours to write.
    self_.bit7 = remote_.bit7 = false;
    if (via_.size() > Ax25Frame::kMaxDigipeaters)
        via_.resize(Ax25Frame::kMaxDigipeaters);
    for (Ax25Address& a : via_)
        a.bit7 = false;
    p_.maxFrame = std::clamp(p_.maxFrame, 1, 7);
    p_.retry = std::clamp(p_.retry, 1, 100);
    p_.frackMs = std::clamp(p_.frackMs, 100, 60000);
    p_.t3Ms = std::max(p_.t3Ms, 1000);
    p_.paclen = std::clamp(p_.paclen, 1, 256);
    p_.maxQueued = std::max(p_.maxQueued, p_.paclen);
    t1v_ = p_.frackMs * (2 * int(via_.size()) + 1);
    srt_ = t1v_ / 2;
}

// Smoothed over acknowledgements that came without a retry (a retried frame's round trip is
// ambiguous), floored so a quick wire does not make T1 fire between a frame and its answer.
void Ax25Link::selectT1(qint64 now) {
    const int initial = p_.frackMs * (2 * int(via_.size()) + 1);
    if (rc_ == 0) {
        const qint64 roundTrip = std::clamp<qint64>(now - t1Started_, 0, 4 * initial);
        srt_ = int((7 * qint64(srt_) + roundTrip) / 8);
        t1v_ = std::clamp(2 * srt_, std::min(1000, initial), 4 * initial);
    }
}

void Ax25Link::startT1(qint64 now) {
    t1Started_ = now;
    t1Deadline_ = now + t1v_;
    t3Deadline_ = -1;
}

void Ax25Link::put(Kind kind, bool command, bool pf) {
    Ax25Frame f;
    f.destination = remote_;
    f.source = self_;
    for (const Ax25Address& a : via_)
        f.via.append(a);
    f.kind = kind;
    f.command = command;
    f.pollFinal = pf;
    if (kind == Kind::RR || kind == Kind::RNR || kind == Kind::REJ) {
        f.nr = vr_;
        ackPending_ = false;
    }
    out_.append(std::move(f));
}

void Ax25Link::putI(quint8 ns, const QByteArray& info) {
    put(Kind::I, true, false);
    Ax25Frame& f = out_.last();
    f.ns = ns;
    f.nr = vr_;
    f.pid = kPidNoLayer3;
    f.info = info;
    ackPending_ = false;
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
    vs_ = vr_ = va_ = vsTop_ = 0;
    peerBusy_ = rejectSent_ = ackPending_ = false;
}

// Frames sent and not acknowledged go back to the head of the queue, so a link we re-establish
// ourselves loses nothing the operator typed (the peer may see some of it twice).
void Ax25Link::requeueUnacked() {
    for (quint8 n = vsTop_; n != va_;) {
        n = quint8((n + 7) & 7);
        queue_.prepend(inFlight_[n]);
        queuedBytes_ += inFlight_[n].size();
    }
}

void Ax25Link::establish(qint64 now) {
    if (state_ == State::Connected || state_ == State::TimerRecovery) {
        reestablishing_ = true;
        requeueUnacked();
    }
    resetSequence();
    rc_ = 0;
    put(Kind::SABM, true, true);
    startT1(now);
    state_ = State::AwaitingConnection;
}

void Ax25Link::toConnected(qint64 now) {
    selectT1(now);
    t1Deadline_ = -1;
    t3Deadline_ = now + p_.t3Ms;
    resetSequence();
    rc_ = 0;
    state_ = State::Connected;
    if (!std::exchange(reestablishing_, false))
        events_.append({Event::Up, {}, {}});
}

void Ax25Link::drop(const QString& reason) {
    const bool wasUp = state_ != State::Disconnected;
    queue_.clear();
    queuedBytes_ = 0;
    for (QByteArray& b : inFlight_)
        b.clear();
    resetSequence();
    t1Deadline_ = t3Deadline_ = -1;
    reestablishing_ = false;
    state_ = State::Disconnected;
    if (wasUp)
        events_.append({Event::Down, {}, reason});
}

void Ax25Link::connect(qint64 nowMs) {
    if (state_ != State::Disconnected)
        return;
    reestablishing_ = false;
    establish(nowMs);
}

void Ax25Link::disconnect(qint64 nowMs) {
    if (state_ == State::Disconnected || state_ == State::AwaitingRelease)
        return;
    queue_.clear();
    queuedBytes_ = 0;
    resetSequence();
    rc_ = 0;
    put(Kind::DISC, true, true);
    startT1(nowMs);
    state_ = State::AwaitingRelease;
}

bool Ax25Link::send(const QByteArray& data, qint64 nowMs) {
    if (state_ == State::Disconnected || state_ == State::AwaitingRelease)
        return false;
    if (queuedBytes_ + data.size() > p_.maxQueued)
        return false;
    for (qsizetype at = 0; at < data.size(); at += p_.paclen)
        queue_.append(data.mid(at, p_.paclen));
    queuedBytes_ += data.size();
    pump(nowMs);
    return true;
}

bool Ax25Link::nrValid(quint8 nr) const {
    return distance(va_, nr) <= distance(va_, vs_);
}

void Ax25Link::pump(qint64 now) {
    if (state_ != State::Connected)
        return;
    while (!peerBusy_ && distance(va_, vs_) < p_.maxFrame) {
        if (vs_ != vsTop_) {
            ++retransmitted_;
        } else if (!queue_.isEmpty()) {
            inFlight_[vs_] = queue_.takeFirst();
            queuedBytes_ -= inFlight_[vs_].size();
            vsTop_ = next(vs_);
        } else {
            break;
        }
        putI(vs_, inFlight_[vs_]);
        vs_ = next(vs_);
        if (t1Deadline_ < 0)
            startT1(now);
    }
    // A busy peer is asked again on each T1 while we have something for it.
    if (peerBusy_ && outstanding() > 0 && t1Deadline_ < 0)
        startT1(now);
}

void Ax25Link::acked(quint8 nr, qint64 now) {
    if (peerBusy_) {
        va_ = nr;
    } else if (nr == vs_) {
        va_ = nr;
        if (t1Deadline_ >= 0) {
            selectT1(now);
            t1Deadline_ = -1;
        }
        t3Deadline_ = now + p_.t3Ms;
    } else if (nr != va_) {
        va_ = nr;
        startT1(now);
    }
}

void Ax25Link::receive(const Ax25Frame& frame, qint64 nowMs) {
    switch (state_) {
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
        rc_ = 0;
        t1Deadline_ = -1;
        t3Deadline_ = now + p_.t3Ms;
        state_ = State::Connected;
        events_.append({Event::Up, {}, {}});
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
            drop(reestablishing_ ? "the remote station disconnected" : "refused (DM)");
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
        if (vsTop_ != va_) {
            queue_.clear();
            queuedBytes_ = 0;
        }
        resetSequence();
        rc_ = 0;
        t1Deadline_ = -1;
        t3Deadline_ = now + p_.t3Ms;
        state_ = State::Connected;
        events_.append({Event::Up, {}, "reset by the remote station"});
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
    if (state_ == State::Connected)
        acked(nr, now);
    else
        va_ = nr;
    if ((f.ns.value_or(0) & 7) == vr_) {
        vr_ = next(vr_);
        rejectSent_ = false;
        if (!f.info.isEmpty())
            events_.append({Event::Data, f.info, {}});
        if (f.pollFinal)
            put(Kind::RR, false, true);
        else
            ackPending_ = true;
    } else if (rejectSent_) {
        if (f.pollFinal)
            put(Kind::RR, false, true);
    } else {
        rejectSent_ = true;
        put(Kind::REJ, false, f.pollFinal);
    }
}

void Ax25Link::receiveS(const Ax25Frame& f, qint64 now) {
    peerBusy_ = f.kind == Kind::RNR;
    const quint8 nr = f.nr.value_or(0) & 7;
    if (!nrValid(nr)) {
        establish(now);
        return;
    }
    if (f.command && f.pollFinal)
        put(Kind::RR, false, true);
    if (state_ == State::TimerRecovery && !f.command && f.pollFinal) {
        // The answer to our poll: resend from what it has, and carry on.
        selectT1(now);
        t1Deadline_ = -1;
        va_ = vs_ = nr;
        rc_ = 0;
        state_ = State::Connected;
        if (vsTop_ == va_)
            t3Deadline_ = now + p_.t3Ms;
    } else if (state_ == State::TimerRecovery) {
        va_ = nr;
        if (f.kind == Kind::REJ)
            vs_ = nr;
    } else if (f.kind == Kind::REJ) {
        va_ = vs_ = nr;
        t1Deadline_ = -1;
        t3Deadline_ = now + p_.t3Ms;
    } else {
        acked(nr, now);
    }
}

void Ax25Link::tick(qint64 nowMs) {
    const int ceiling = 4 * p_.frackMs * (2 * int(via_.size()) + 1);
    if (t1Deadline_ >= 0 && nowMs >= t1Deadline_) {
        t1Deadline_ = -1;
        if (state_ != State::Connected && rc_ >= p_.retry) {
            // The peer may still think the link is up: tell it, once, that it is not.
            if (state_ == State::TimerRecovery)
                put(Kind::DM, false, false);
            drop("retry-out");
            return;
        }
        t1v_ = std::min(t1v_ * 2, ceiling);
        ++rc_;
        if (state_ == State::AwaitingConnection) {
            put(Kind::SABM, true, true);
            startT1(nowMs);
        } else if (state_ == State::AwaitingRelease) {
            put(Kind::DISC, true, true);
            startT1(nowMs);
        } else {
            state_ = State::TimerRecovery;
            enquiry(nowMs);
        }
    } else if (state_ == State::Connected && t1Deadline_ < 0 && t3Deadline_ >= 0 &&
               nowMs >= t3Deadline_) {
        rc_ = 0;
        state_ = State::TimerRecovery;
        enquiry(nowMs);
    }
    pump(nowMs);
}

QList<Ax25Frame> Ax25Link::takeOutgoing() {
    if (ackPending_ && (state_ == State::Connected || state_ == State::TimerRecovery))
        put(Kind::RR, false, false);
    ackPending_ = false;
    return std::exchange(out_, {});
}

QList<Ax25Link::Event> Ax25Link::takeEvents() {
    return std::exchange(events_, {});
}

int Ax25Link::outstanding() const {
    return distance(va_, vsTop_) + int(queue_.size());
}
