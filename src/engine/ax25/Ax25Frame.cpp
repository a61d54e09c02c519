#include "Ax25Frame.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

constexpr qsizetype kAddressSize = 7;
constexpr int kMaxAddresses = 2 + Ax25Frame::kMaxDigipeaters;
constexpr quint8 kEndBit = 0x01, kBit7 = 0x80, kReservedBits = 0x60, kPollFinal = 0x10;
constexpr quint8 kNoLayer3 = 0xF0;

bool isCallChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The U frames by their control byte with P/F cleared.
struct UnnumberedKind {
    Ax25Kind kind;
    quint8 control;
};
constexpr std::array<UnnumberedKind, 9> kUnnumbered{{{Ax25Kind::SABME, 0x6F},
                                                     {Ax25Kind::SABM, 0x2F},
                                                     {Ax25Kind::DISC, 0x43},
                                                     {Ax25Kind::DM, 0x0F},
                                                     {Ax25Kind::UA, 0x63},
                                                     {Ax25Kind::FRMR, 0x87},
                                                     {Ax25Kind::UI, 0x03},
                                                     {Ax25Kind::XID, 0xAF},
                                                     {Ax25Kind::TEST, 0xE3}}};
// The S frames in the order of their two SS bits.
constexpr std::array<Ax25Kind, 4> kSupervisory{Ax25Kind::RR, Ax25Kind::RNR, Ax25Kind::REJ,
                                               Ax25Kind::SREJ};

bool isSupervisory(Ax25Kind kind) {
    return std::find(kSupervisory.begin(), kSupervisory.end(), kind) != kSupervisory.end();
}

bool hasPid(Ax25Kind kind) {
    return kind == Ax25Kind::I || kind == Ax25Kind::UI;
}

bool hasInfo(Ax25Kind kind) {
    return hasPid(kind) || kind == Ax25Kind::FRMR || kind == Ax25Kind::XID ||
           kind == Ax25Kind::TEST || kind == Ax25Kind::Unknown;
}

// Seven bytes: the call shifted left one bit and padded with spaces, then the SSID byte.
std::optional<Ax25Address> decodeAddress(const char* at) {
    Ax25Address a;
    for (qsizetype i = 0; i < Ax25Address::kMaxCallLength; ++i) {
        const auto byte = quint8(at[i]);
        const char c = char(byte >> 1);
        if (byte & kEndBit)
            return std::nullopt; // only the SSID byte may end the field
        if (c != ' ' && (!isCallChar(c) || a.call.size() != i))
            return std::nullopt; // not a call character, or one after the padding
        if (c != ' ')
            a.call += c;
    }
    if (a.call.isEmpty())
        return std::nullopt;
    const auto ssidByte = quint8(at[6]);
    a.ssid = (ssidByte >> 1) & 0x0F;
    a.bit7 = ssidByte & kBit7;
    return a;
}

void appendAddress(QByteArray& out, const Ax25Address& a, bool bit7, bool last) {
    const QByteArray call = a.call.left(Ax25Address::kMaxCallLength);
    for (qsizetype i = 0; i < Ax25Address::kMaxCallLength; ++i)
        out += char(quint8(i < call.size() ? call[i] : ' ') << 1);
    out += char((bit7 ? kBit7 : 0) | kReservedBits | ((a.ssid & 0x0F) << 1) | (last ? kEndBit : 0));
}

quint8 controlOf(const Ax25Frame& f) {
    const quint8 pf = f.pollFinal ? kPollFinal : 0;
    const quint8 nr = (f.nr.value_or(0) & 7) << 5;
    if (f.kind == Ax25Kind::I)
        return nr | pf | ((f.ns.value_or(0) & 7) << 1);
    if (isSupervisory(f.kind)) {
        const auto ss = std::find(kSupervisory.begin(), kSupervisory.end(), f.kind);
        return quint8(nr | pf | (std::distance(kSupervisory.begin(), ss) << 2) | 0x01);
    }
    for (const UnnumberedKind& u : kUnnumbered)
        if (u.kind == f.kind)
            return u.control | pf;
    return f.control;
}

// Kind, N(S), N(R) and P/F from the control byte.
void takeControl(Ax25Frame& f, quint8 control) {
    f.pollFinal = control & kPollFinal;
    if ((control & 0x01) == 0) {
        f.kind = Ax25Kind::I;
        f.ns = (control >> 1) & 7;
        f.nr = control >> 5;
    } else if ((control & 0x03) == 0x01) {
        f.kind = kSupervisory[(control >> 2) & 3];
        f.nr = control >> 5;
    } else {
        const quint8 modifier = control & ~kPollFinal;
        const auto u = std::find_if(kUnnumbered.begin(), kUnnumbered.end(),
                                    [&](const UnnumberedKind& k) { return k.control == modifier; });
        if (u != kUnnumbered.end()) {
            f.kind = u->kind;
        } else {
            f.kind = Ax25Kind::Unknown;
            f.control = control;
        }
    }
}

} // namespace

QByteArray Ax25Address::text() const {
    return ssid == 0 ? call : call + '-' + QByteArray::number(ssid);
}

std::optional<Ax25Address> Ax25Address::fromText(QByteArrayView text) {
    const qsizetype dash = text.indexOf('-');
    const QByteArrayView call = dash < 0 ? text : text.first(dash);
    const QByteArrayView digits = dash < 0 ? QByteArrayView("0") : text.sliced(dash + 1);
    if (call.isEmpty() || call.size() > kMaxCallLength || digits.isEmpty() || digits.size() > 2 ||
        (digits.size() == 2 && digits[0] == '0'))
        return std::nullopt;
    Ax25Address a;
    a.call = call.toByteArray().toUpper();
    if (!std::all_of(a.call.cbegin(), a.call.cend(), isCallChar))
        return std::nullopt;
    int ssid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        ssid = ssid * 10 + (c - '0');
    }
    if (ssid > 15)
        return std::nullopt;
    a.ssid = quint8(ssid);
    return a;
}

Ax25Frame Ax25Frame::ui(Ax25Address to, Ax25Address from, QList<Ax25Address> via, quint8 pid,
                        QByteArray info) {
    Ax25Frame f;
    f.destination = std::move(to);
    f.source = std::move(from);
    f.destination.bit7 = true; // a command, as encodeAx25 writes it
    f.source.bit7 = false;
    f.via.append(via.constData(), std::min<qsizetype>(via.size(), kMaxDigipeaters));
    f.pid = pid;
    f.info = std::move(info);
    return f;
}

std::optional<Ax25Frame> decodeAx25(QByteArrayView bytes) {
    int addresses = 0;
    bool ended = false;
    while (!ended && addresses < kMaxAddresses && (addresses + 1) * kAddressSize <= bytes.size()) {
        ++addresses;
        ended = quint8(bytes[addresses * kAddressSize - 1]) & kEndBit;
    }
    const qsizetype controlAt = addresses * kAddressSize;
    if (!ended || addresses < 2 || controlAt >= bytes.size())
        return std::nullopt;

    Ax25Frame f;
    for (int i = 0; i < addresses; ++i) {
        std::optional<Ax25Address> a = decodeAddress(bytes.data() + i * kAddressSize);
        if (!a)
            return std::nullopt;
        if (i == 0)
            f.destination = std::move(*a);
        else if (i == 1)
            f.source = std::move(*a);
        else
            f.via.append(std::move(*a));
    }
    // Version 1 sets both C bits alike; only "source C, destination not" is a response.
    f.command = f.destination.bit7 || !f.source.bit7;

    takeControl(f, quint8(bytes[controlAt]));
    qsizetype at = controlAt + 1;
    if (hasPid(f.kind)) {
        if (at >= bytes.size())
            return std::nullopt;
        f.pid = quint8(bytes[at++]);
    }
    if (at < bytes.size() && !hasInfo(f.kind))
        return std::nullopt;
    f.info = bytes.sliced(at).toByteArray();
    return f;
}

QByteArray encodeAx25(const Ax25Frame& frame) {
    QByteArray out;
    const qsizetype digis = std::min<qsizetype>(frame.via.size(), Ax25Frame::kMaxDigipeaters);
    out.reserve((2 + digis) * kAddressSize + 2 + frame.info.size());
    appendAddress(out, frame.destination, frame.command, false);
    appendAddress(out, frame.source, !frame.command, digis == 0);
    for (qsizetype i = 0; i < digis; ++i)
        appendAddress(out, frame.via[i], frame.via[i].bit7, i + 1 == digis);
    out += char(controlOf(frame));
    if (hasPid(frame.kind))
        out += char(frame.pid.value_or(kNoLayer3));
    if (hasInfo(frame.kind))
        out += frame.info;
    return out;
}
