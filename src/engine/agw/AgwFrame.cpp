#include "AgwFrame.h"

#include <cstring>

namespace {

constexpr int kOffsetPort = 0;
constexpr int kOffsetKind = 4;
constexpr int kOffsetPid = 6;
constexpr int kOffsetCallFrom = 8;
constexpr int kOffsetCallTo = 18;
constexpr int kOffsetLength = 28;

quint32 readU32(const char* p) {
    const auto* u = reinterpret_cast<const uchar*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

void writeU32(char* p, quint32 value) {
    for (int i = 0; i < 4; ++i)
        p[i] = char((value >> (8 * i)) & 0xFF);
}

QByteArray readCall(const char* p) {
    return QByteArray(p, qsizetype(qstrnlen(p, kAgwCallFieldSize)));
}

void writeCall(char* p, const QByteArray& call) {
    // The field is already zeroed; a longer call is cut, never spilled into the next field.
    std::memcpy(p, call.constData(), size_t(qMin<qsizetype>(call.size(), kAgwCallFieldSize)));
}

} // namespace

QByteArray encodeAgwFrame(const AgwFrame& frame) {
    QByteArray out(kAgwHeaderSize + frame.data.size(), '\0');
    char* p = out.data();
    p[kOffsetPort] = char(frame.port);
    p[kOffsetKind] = frame.kind;
    p[kOffsetPid] = char(frame.pid);
    writeCall(p + kOffsetCallFrom, frame.callFrom);
    writeCall(p + kOffsetCallTo, frame.callTo);
    writeU32(p + kOffsetLength, quint32(frame.data.size()));
    if (!frame.data.isEmpty())
        std::memcpy(p + kAgwHeaderSize, frame.data.constData(), size_t(frame.data.size()));
    return out;
}

void AgwFrameDecoder::feed(const QByteArray& bytes) {
    if (m_outOfStep || bytes.isEmpty())
        return;
    if (m_offset > 0) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(bytes);
    checkFront();
}

std::optional<AgwFrame> AgwFrameDecoder::next() {
    checkFront();
    if (m_outOfStep || buffered() < kAgwHeaderSize)
        return std::nullopt;
    const char* h = m_buffer.constData() + m_offset;
    const quint32 length = readU32(h + kOffsetLength);
    if (buffered() < kAgwHeaderSize + qsizetype(length))
        return std::nullopt;

    AgwFrame frame;
    frame.port = quint8(h[kOffsetPort]);
    frame.kind = h[kOffsetKind];
    frame.pid = quint8(h[kOffsetPid]);
    frame.callFrom = readCall(h + kOffsetCallFrom);
    frame.callTo = readCall(h + kOffsetCallTo);
    frame.data = QByteArray(h + kAgwHeaderSize, qsizetype(length));

    m_offset += kAgwHeaderSize + qsizetype(length);
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    }
    return frame;
}

qsizetype AgwFrameDecoder::room() const {
    if (m_outOfStep)
        return 0;
    return qMax<qsizetype>(0, kAgwHeaderSize + qsizetype(kMaxAgwDataLength) - buffered());
}

void AgwFrameDecoder::reset() {
    m_buffer.clear();
    m_offset = 0;
    m_outOfStep = false;
}

void AgwFrameDecoder::checkFront() {
    if (m_outOfStep || buffered() < kAgwHeaderSize)
        return;
    if (readU32(m_buffer.constData() + m_offset + kOffsetLength) > kMaxAgwDataLength) {
        m_outOfStep = true;
        m_buffer.clear();
        m_offset = 0;
    }
}
