#include "YappPackets.h"

namespace Yapp {
namespace {

constexpr char kSoh = 0x01, kStx = 0x02, kEtx = 0x03, kEot = 0x04, kEnq = 0x05, kAck = 0x06,
               kDle = 0x10, kNak = 0x15, kCan = 0x18;

struct Fixed {
    Kind kind;
    char first;
    char second;
};
constexpr Fixed kFixed[] = {
    {Kind::ReceiveReady, kAck, 0x01}, {Kind::ReceiveFile, kAck, 0x02},
    {Kind::AckEof, kAck, 0x03},       {Kind::AckEot, kAck, 0x04},
    {Kind::CancelAck, kAck, 0x05},    {Kind::ReceiveTpk, kAck, kAck},
    {Kind::SendInit, kEnq, 0x01},     {Kind::SendEof, kEtx, 0x01},
    {Kind::SendEot, kEot, 0x01},
};

QByteArray withLength(char type, QByteArrayView body) {
    QByteArray out;
    out.reserve(body.size() + 2);
    out.append(type).append(char(body.size() & 0xFF)).append(body);
    return out;
}

QByteArray hex4(quint16 value) {
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

std::optional<qint64> digits(QByteArrayView text) {
    // Twelve digits are far past any size a transfer accepts, and well inside qint64.
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<quint16> fromHex4(QByteArrayView text) {
    bool ok = false;
    const uint value = text.toByteArray().toUInt(&ok, 16);
    if (!ok || text.size() != 4 || value > 0xFFFF)
        return std::nullopt;
    return quint16(value);
}

// The body up to its next NUL; false when there is none.
bool field(QByteArrayView& rest, QByteArrayView& value) {
    const qsizetype nul = rest.indexOf('\0');
    if (nul < 0)
        return false;
    value = rest.first(nul);
    rest = rest.sliced(nul + 1);
    return true;
}

} // namespace

QByteArray encode(Kind kind) {
    for (const Fixed& f : kFixed)
        if (f.kind == kind)
            return QByteArray(1, f.first) + f.second;
    return {};
}

QByteArray header(const Header& h) {
    QByteArray body = h.name.left(kMaxNameBytes) + '\0' + QByteArray::number(h.size) + '\0';
    if (h.stamp)
        body += hex4(h.stamp->date) + hex4(h.stamp->time) + '\0';
    return withLength(kSoh, body);
}

QByteArray data(QByteArrayView block, bool checksums) {
    Q_ASSERT(!block.isEmpty() && block.size() <= kMaxBlock);
    QByteArray out(1, kStx);
    out.append(char(block.size() & 0xFF)).append(block); // 256 goes as 0
    if (checksums)
        out.append(char(checksum(block)));
    return out;
}

QByteArray notReady(QByteArrayView reason) {
    return withLength(kNak, reason.first(qMin<qsizetype>(reason.size(), 255)));
}

QByteArray resume(const ResumeAt& at) {
    QByteArray body = QByteArray("R") + '\0' + QByteArray::number(at.length) + '\0';
    if (at.checksums)
        body += QByteArray("C") + '\0';
    return withLength(kNak, body);
}

QByteArray cancel(QByteArrayView reason) {
    return withLength(kCan, reason.first(qMin<qsizetype>(reason.size(), 255)));
}

std::optional<Header> parseHeader(QByteArrayView body) {
    QByteArrayView rest = body, name, size;
    if (!field(rest, name) || !field(rest, size))
        return std::nullopt;
    Header h;
    h.name = name.toByteArray();
    const std::optional<qint64> value = digits(size);
    if (!value)
        return std::nullopt;
    h.size = *value;
    QByteArrayView stamp;
    if (field(rest, stamp) && stamp.size() == 8) {
        const std::optional<quint16> date = fromHex4(stamp.first(4)),
                                     time = fromHex4(stamp.sliced(4));
        if (!date || !time)
            return std::nullopt;
        h.stamp = DosStamp{*date, *time};
    }
    return h;
}

std::optional<ResumeAt> parseResume(QByteArrayView body) {
    QByteArrayView rest = body, mark, length, extension;
    if (!field(rest, mark) || mark != "R" || !field(rest, length))
        return std::nullopt;
    const std::optional<qint64> value = digits(length);
    if (!value)
        return std::nullopt;
    return ResumeAt{*value, field(rest, extension) && extension == "C"};
}

QString reasonText(QByteArrayView body) {
    QString text = QString::fromLatin1(body);
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return text.simplified().left(80);
}

bool endsCancelWait(Kind kind, QByteArray& reply) {
    if (kind == Kind::Cancel)
        reply = encode(Kind::CancelAck);
    return kind == Kind::Cancel || kind == Kind::CancelAck;
}

quint8 checksum(QByteArrayView block) {
    quint8 sum = 0;
    for (char c : block)
        sum = quint8(sum + quint8(c));
    return sum;
}

bool Reader::cancelIsNext() const {
    return !m_buffer.isEmpty() && m_buffer[0] == kCan;
}

Reader::Result Reader::next(Packet& out) {
    if (m_buffer.size() < 2)
        return Result::NeedMore;
    const char type = m_buffer[0];
    const char second = m_buffer[1];
    for (const Fixed& f : kFixed) {
        if (f.first == type && f.second == second) {
            out = Packet{f.kind, {}};
            m_buffer.remove(0, 2);
            return Result::Packet;
        }
    }
    Kind kind;
    switch (type) {
    case kSoh:
        kind = Kind::Header;
        break;
    case kStx:
        kind = Kind::Data;
        break;
    case kNak:
        kind = Kind::NotReady;
        break;
    case kCan:
        kind = Kind::Cancel;
        break;
    case kDle:
        kind = Kind::Text;
        break;
    case kEnq:
        if (second != 0x02)
            return Result::Garbage;
        kind = Kind::ReceiveInit;
        break;
    default:
        return Result::Garbage;
    }
    // RI has its length after the 02.
    const int lengthAt = kind == Kind::ReceiveInit ? 2 : 1;
    if (m_buffer.size() <= lengthAt)
        return Result::NeedMore;
    int length = quint8(m_buffer[lengthAt]);
    if (kind == Kind::Data && length == 0)
        length = kMaxBlock;
    const bool summed = kind == Kind::Data && m_checksums;
    const qsizetype whole = lengthAt + 1 + length + (summed ? 1 : 0);
    if (m_buffer.size() < whole)
        return Result::NeedMore;
    QByteArray body = m_buffer.mid(lengthAt + 1, length);
    if (summed && quint8(m_buffer[whole - 1]) != checksum(body))
        return Result::BadChecksum;
    if (kind == Kind::NotReady && parseResume(body))
        kind = Kind::Resume;
    m_buffer.remove(0, whole);
    out = Packet{kind, std::move(body)};
    return Result::Packet;
}

} // namespace Yapp
