#pragma once

#include "Ax25Frame.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct Ax25LinkParameters {
    int maxFrame = 4;      // I frames in flight, 1..7
    int retry = 10;        // N2: polls or SABM/DISC repeats before the link is given up
    int frackMs = 3000;    // first T1 is frack * (2 * digipeaters + 1); then from the round trip
    int t3Ms = 180000;     // an idle link is polled after this long
    int paclen = 256;      // info bytes an I frame carries, 1..256
    int maxQueued = 65536; // bytes waiting to go; send() refuses beyond it
    // The air's bit rate and the TNC's key-up delay: T1 runs from when a frame has left the TNC,
    // not from when it was handed over. 0 bits a second: from the handing over.
    int bitsPerSecond = 1200;
    int txDelayMs = 300;
    friend bool operator==(const Ax25LinkParameters&, const Ax25LinkParameters&) = default;
};

// One AX.25 version 2.0 connected link (modulo 8) between our call and one remote call. No I/O and
// no clock of its own: the caller hands in frames and the time, and takes out frames and events.
class Ax25Link {
public:
    enum class State {
        Disconnected,
        AwaitingConnection,
        Connected,
        TimerRecovery,
        AwaitingRelease
    };
    struct Event {
        enum Kind { Up, Data, Down } kind;
        QByteArray data;
        // Down: "retry-out", "the remote station disconnected", "refused (DM)", "disconnected".
        // Up: empty, or "reset by the remote station" when a SABM restarted a live link.
        QString reason;
    };

    // `via` is the path towards the remote station, in the order it is written on our frames.
    Ax25Link(Ax25Address self, Ax25Address remote, QList<Ax25Address> via, Ax25LinkParameters p);

    void connect(qint64 nowMs);
    void disconnect(qint64 nowMs);
    // False, and nothing queued, when the data would pass maxQueued bytes waiting.
    bool send(const QByteArray& data, qint64 nowMs);
    // A frame from the remote station to us; the caller has checked the addresses and the path.
    void receive(const Ax25Frame& frame, qint64 nowMs);
    void tick(qint64 nowMs);
    // A frame was heard on the link's channel: while it was on the air no answer could come, so T1
    // waits its time out too.
    void channelBusy(const Ax25Frame& heard);

    // Frames to put on the air, oldest first. An acknowledgement owed for I frames received since
    // the last call goes out here, so a burst read at once is answered by one RR.
    QList<Ax25Frame> takeOutgoing();
    QList<Event> takeEvents();

    State state() const { return m_state; }
    int outstanding() const;
    quint64 retransmitted() const { return m_retransmitted; }
    int t1Ms() const { return m_t1v; }

    // A DM (F = P) back to the sender of `frame`, along its path reversed: the answer to a SABM the
    // station refuses, or to any command for a link we do not hold.
    static Ax25Frame refusal(const Ax25Frame& frame);

private:
    void establish(qint64 now); // SABM, AwaitingConnection
    void toConnected(qint64 now);
    void drop(const QString& reason);
    void resetSequence();
    void receiveDisconnected(const Ax25Frame& f, qint64 now);
    void receiveAwaiting(const Ax25Frame& f, qint64 now);
    void receiveRelease(const Ax25Frame& f);
    void receiveLinked(const Ax25Frame& f, qint64 now);
    void receiveI(const Ax25Frame& f, qint64 now);
    void receiveS(const Ax25Frame& f, qint64 now);
    void acked(quint8 nr, qint64 now); // N(R) moves V(A), in Connected with the timers
    bool nrValid(quint8 nr) const;
    void pump(qint64 now);
    void requeueUnacked();
    void selectT1(qint64 now);
    void startT1(qint64 now);
    void put(Ax25Kind kind, bool command, bool pf);
    void putI(quint8 ns, const QByteArray& info);
    void enquiry(qint64 now); // RR P=1 command, T1
    void waitOutAirtime();

    Ax25Address m_self, m_remote;
    QList<Ax25Address> m_via;
    Ax25LinkParameters m_p;
    State m_state = State::Disconnected;
    quint8 m_vs = 0, m_vr = 0, m_va = 0;
    quint8 m_vsTop = 0;       // one past the highest N(S) handed out; V(S) below it means a resend
    QByteArray m_inFlight[8]; // the info of each N(S) until acknowledged
    QList<QByteArray> m_queue;
    qsizetype m_queuedBytes = 0;
    bool m_peerBusy = false, m_rejectSent = false, m_ackPending = false;
    bool m_reestablishing = false; // our own SABM on a live link: no new Up when it answers
    int m_rc = 0;
    qint64 m_t1Deadline = -1, m_t1Started = -1, m_t3Deadline = -1;
    bool m_t1StartedSinceTaken = false;
    int m_srt = 0, m_t1v = 0;
    quint64 m_retransmitted = 0;
    QList<Ax25Frame> m_out;
    QList<Event> m_events;
};
