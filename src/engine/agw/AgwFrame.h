#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The AGWPE TCP/IP API frame: a 36-byte header (integers little-endian) and its data.
constexpr int kAgwHeaderSize = 36;
constexpr int kAgwCallFieldSize = 10;

// The most data we accept in one frame from the engine. Connected data the engine reassembled
// runs to a few kilobytes; anything beyond this means we lost track of the frame boundaries.
constexpr quint32 kMaxAgwDataLength = 64 * 1024;

struct AgwFrame {
    quint8 port = 0;
    char kind = 0;
    quint8 pid = 0;
    QByteArray callFrom;
    QByteArray callTo;
    QByteArray data;
};

// Call fields are cut to 10 bytes and NUL-padded; a 10-character call carries no NUL.
QByteArray encodeAgwFrame(const AgwFrame& frame);

// Splits a byte stream into frames however the bytes arrive. It holds at most the bytes it was
// fed and not yet handed out; a caller that feeds no more than room() at a time keeps that to one
// header plus kMaxAgwDataLength. A header announcing more data than that puts the decoder out of
// step for good: the stream has no markers to resynchronise on.
class AgwFrameDecoder {
public:
    void feed(const QByteArray& bytes);
    std::optional<AgwFrame> next();

    bool outOfStep() const { return m_outOfStep; }
    // How many more bytes the decoder takes before the buffer reaches its bound.
    qsizetype room() const;
    qsizetype buffered() const { return m_buffer.size() - m_offset; }
    void reset();

private:
    void checkFront();

    QByteArray m_buffer;
    qsizetype m_offset = 0; // bytes at the front already handed out
    bool m_outOfStep = false;
};
