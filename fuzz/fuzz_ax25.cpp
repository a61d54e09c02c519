// A TNC's bytes through KISS framing and AX.25 decoding, and the frames into the station's links.
// Input: the size of the pieces the bytes arrive in (0: all at once), then the bytes, which are
// also decoded as one AX.25 frame.

#include "Ax25Frame.h"
#include "FuzzSupport.h"
#include "KissFraming.h"
#include "LinkTable.h"

#include <QList>
#include <QSet>

#include <algorithm>

// A decoded frame goes out as it came, save what the codec writes its own way (the reserved bits
// set, the C bits in their version 2 form), and decodes to the frame it was, C bits aside.
static void checkAx25(const QByteArray& bytes) {
    const std::optional<Ax25Frame> f = decodeAx25(bytes);
    if (!f)
        return;
    const qsizetype addresses = 2 + f->via.size();
    FUZZ_CHECK(f->via.size() <= Ax25Frame::kMaxDigipeaters &&
               (f->kind == Ax25Kind::Unknown) == (f->control != 0));
    QByteArray expected = bytes;
    for (qsizetype i = 0; i < addresses; ++i)
        expected[i * 7 + 6] = char(expected[i * 7 + 6] | 0x60);
    expected[6] = char(f->command ? expected[6] | 0x80 : expected[6] & 0x7F);
    expected[13] = char(f->command ? expected[13] & 0x7F : expected[13] | 0x80);
    const QByteArray out = encodeAx25(*f);
    FUZZ_CHECK(out == expected);
    Ax25Frame sent = *f;
    sent.destination.bit7 = f->command;
    sent.source.bit7 = !f->command;
    FUZZ_CHECK(decodeAx25(out) == sent);
}

static QList<kiss::KissFrame> drain(kiss::Decoder& d) {
    QList<kiss::KissFrame> frames;
    while (std::optional<kiss::KissFrame> f = d.next())
        frames.append(std::move(*f));
    return frames;
}

// The frames as heard, addressed to whoever the first is for, a second and a half apart, with
// data for every link up: what the station hears of its links stays consistent.
static void checkLinks(const QList<kiss::KissFrame>& frames) {
    LinkTable links;
    QSet<QString> up;
    qint64 now = 0;
    for (const kiss::KissFrame& k : frames) {
        const std::optional<Ax25Frame> f = decodeAx25(k.payload);
        if (!f)
            continue;
        if (now == 0)
            links.setOwnCall(f->destination);
        links.receive(*f, k.port, now += 1500);
        for (const QString& call : std::as_const(up))
            if (const std::optional<Ax25Address> remote = Ax25Address::fromText(call.toLatin1()))
                links.send(*remote, "data\r", now);
        links.tick(now);
        for (const EngineEvent& e : links.takeEvents()) {
            using T = EngineEvent::Type;
            FUZZ_CHECK(e.type == T::Refused || up.contains(e.call) != (e.type == T::Connected));
            if (e.type == T::Connected)
                up.insert(e.call);
            else if (e.type == T::Disconnected)
                up.remove(e.call);
        }
        FUZZ_CHECK(up.size() <= LinkTable::kMaxLinks);
        for (const LinkTable::Outgoing& out : links.takeOutgoing())
            FUZZ_CHECK(out.port < 16 && decodeAx25(encodeAx25(out.frame)));
    }
    for (const qint64 end = now + 3600000; now < end; now += 1000)
        links.tick(now); // every link given up within the hour, each told once
    for (const EngineEvent& e : links.takeEvents())
        FUZZ_CHECK(e.type == EngineEvent::Type::Disconnected && up.remove(e.call));
    FUZZ_CHECK(up.isEmpty());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    const qsizetype piece = in.byte();
    const QByteArray bytes = in.rest();
    checkAx25(bytes);

    // The same frames and count however the bytes are cut.
    kiss::Decoder whole, pieces;
    whole.feed(bytes);
    const qsizetype step = piece ? piece : std::max<qsizetype>(bytes.size(), 1);
    for (qsizetype at = 0; at < bytes.size(); at += step)
        pieces.feed(QByteArrayView(bytes).sliced(at).first(std::min(step, bytes.size() - at)));
    const QList<kiss::KissFrame> frames = drain(whole);
    FUZZ_CHECK(frames == drain(pieces) && whole.dropped() == pieces.dropped());
    FUZZ_CHECK(frames.size() <= kiss::Decoder::kMaxQueued);
    for (const kiss::KissFrame& f : frames) {
        FUZZ_CHECK(f.port < 16 && f.payload.size() <= kiss::Decoder::kMaxFrame);
        kiss::Decoder again; // and the same frame from its encoding
        again.feed(kiss::encode(f.port, f.command, f.payload));
        FUZZ_CHECK(again.next() == f && !again.next() && again.dropped() == 0);
        checkAx25(f.payload);
    }
    checkLinks(frames);
    return 0;
}
