// A TNC's bytes through KISS framing and AX.25 decoding. Input: the size of the pieces the bytes
// arrive in (0: all at once), then the bytes, which are also decoded as one AX.25 frame.

#include "Ax25Frame.h"
#include "FuzzSupport.h"
#include "KissFraming.h"

#include <QList>

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
    return 0;
}
