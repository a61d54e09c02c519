#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <optional>

// KISS framing between the station and a TNC: FEND-delimited frames with two escapes.
namespace kiss {

enum class Command : quint8 {
    Data = 0,
    TxDelay = 1,
    Persistence = 2,
    SlotTime = 3,
    TxTail = 4,
    FullDuplex = 5,
    SetHardware = 6,
    Return = 0xFF
};

// From the TNC, `command` may hold any low nibble (some TNCs have commands of their own).
struct KissFrame {
    quint8 port = 0;
    Command command = Command::Data;
    QByteArray payload;
    friend bool operator==(const KissFrame&, const KissFrame&) = default;
};

// FEND, the type byte (port in the high nibble, command in the low; Return is the whole byte
// 0xFF), the payload with FEND and FESC escaped, FEND. Ports above 15 are taken modulo 16.
QByteArray encode(quint8 port, Command command, QByteArrayView payload);

// Cuts a byte stream from the TNC into frames, whatever the reads' sizes. What comes before the
// first FEND is skipped: a TNC may print a banner before it enters KISS mode.
class Decoder {
public:
    // The longest payload taken. An AX.25 frame is at most 72 bytes of addresses, control and
    // PID plus its info field, 256 bytes unless the stations agree on more; 4 KiB leaves room
    // for an info field of 2 KiB and still cuts a stream out of step within a few reads.
    static constexpr int kMaxFrame = 4096;
    // Frames decoded and not yet taken; with kMaxFrame, 4 MiB at worst.
    static constexpr int kMaxQueued = 1024;

    void feed(QByteArrayView bytes);
    std::optional<KissFrame> next();
    // Frames lost: too long, a bad escape, or no room in the queue.
    quint64 dropped() const { return m_dropped; }
    // A new connection: the half-read frame and the queue go; the count of dropped frames stays.
    void reset();

private:
    enum class State : quint8 { Searching, InFrame, Escaped };
    void finishFrame();
    void drop();

    State m_state = State::Searching;
    QByteArray m_frame; // the type byte and the payload so far, unescaped
    std::deque<KissFrame> m_queue;
    quint64 m_dropped = 0;
};

} // namespace kiss
