// The engine's byte stream, cut into chunks the way a socket might deliver it.
// Input: one byte choosing the chunk sizes, then the stream.

#include "AgwFrame.h"
#include "FuzzSupport.h"

#include <QList>

namespace {

constexpr qsizetype kBound = kAgwHeaderSize + qsizetype(kMaxAgwDataLength);

quint32 readLength(const char* header) {
    const auto* u = reinterpret_cast<const uchar*>(header + 28);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

struct Expected {
    QList<AgwFrame> frames;
    bool outOfStep = false;
    qsizetype leftOver = 0;
};

// The stream read in one go, straight from the layout: what the decoder must agree with.
Expected reference(const QByteArray& stream) {
    Expected e;
    qsizetype at = 0;
    while (stream.size() - at >= kAgwHeaderSize) {
        const char* h = stream.constData() + at;
        const quint32 length = readLength(h);
        if (length > kMaxAgwDataLength) {
            e.outOfStep = true;
            return e;
        }
        if (stream.size() - at < kAgwHeaderSize + qsizetype(length))
            break;
        AgwFrame f;
        f.port = quint8(h[0]);
        f.kind = h[4];
        f.pid = quint8(h[6]);
        f.callFrom = QByteArray(h + 8, qsizetype(qstrnlen(h + 8, kAgwCallFieldSize)));
        f.callTo = QByteArray(h + 18, qsizetype(qstrnlen(h + 18, kAgwCallFieldSize)));
        f.data = stream.mid(at + kAgwHeaderSize, qsizetype(length));
        e.frames.append(f);
        at += kAgwHeaderSize + qsizetype(length);
    }
    e.leftOver = stream.size() - at;
    return e;
}

bool sameFrame(const AgwFrame& a, const AgwFrame& b) {
    return a.port == b.port && a.kind == b.kind && a.pid == b.pid && a.callFrom == b.callFrom &&
           a.callTo == b.callTo && a.data == b.data;
}

void checkInvariants(const AgwFrameDecoder& d) {
    FUZZ_CHECK(d.buffered() >= 0);
    FUZZ_CHECK(d.buffered() <= kBound);
    FUZZ_CHECK(d.room() >= 0);
    FUZZ_CHECK(d.room() <= kBound);
    if (d.outOfStep()) {
        FUZZ_CHECK(d.room() == 0);
        FUZZ_CHECK(d.buffered() == 0);
    }
}

// Small deterministic generator for chunk sizes and how many frames to take between feeds.
struct Steps {
    quint32 state;
    quint32 next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const quint8 mode = data[0];
    const QByteArray stream = fuzzBytes(data + 1, size - 1);
    const Expected expected = reference(stream);

    AgwFrameDecoder decoder;
    QList<AgwFrame> got;
    Steps steps{0x9E3779B9u ^ mode};
    // 0: the whole stream offered at once; up to 127: chunks of 1 .. 4*mode bytes; above:
    // chunks of up to (mode-127) KiB, so long streams need not go by the byte.
    const qsizetype maxChunk = mode == 0    ? stream.size() + 1
                               : mode < 128 ? 4 * qsizetype(mode)
                                            : 1024 * qsizetype(mode - 127);
    const bool drainAll = mode & 1;

    auto take = [&](bool all) {
        qsizetype budget = all ? -1 : qsizetype(steps.next() % 3);
        while (budget != 0) {
            std::optional<AgwFrame> f = decoder.next();
            checkInvariants(decoder);
            if (!f)
                break;
            FUZZ_CHECK(!decoder.outOfStep());
            FUZZ_CHECK(f->data.size() <= qsizetype(kMaxAgwDataLength));
            FUZZ_CHECK(f->callFrom.size() <= kAgwCallFieldSize && !f->callFrom.contains('\0'));
            FUZZ_CHECK(f->callTo.size() <= kAgwCallFieldSize && !f->callTo.contains('\0'));
            got.append(std::move(*f));
            if (budget > 0)
                --budget;
        }
    };

    qsizetype at = 0;
    while (at < stream.size()) {
        // As the link does: never more than the decoder has room for.
        const qsizetype chunk = 1 + qsizetype(steps.next() % quint32(qMax<qsizetype>(1, maxChunk)));
        const qsizetype n = qMin(qMin(chunk, stream.size() - at), decoder.room());
        if (n == 0) {
            if (decoder.outOfStep())
                break;
            // A full buffer always holds a whole frame; otherwise the link would stall.
            const qsizetype before = got.size();
            take(false);
            if (got.size() == before)
                take(true);
            FUZZ_CHECK(got.size() > before);
            continue;
        }
        decoder.feed(stream.mid(at, n));
        at += n;
        checkInvariants(decoder);
        take(drainAll);
    }
    take(true);

    FUZZ_CHECK(got.size() == expected.frames.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        FUZZ_CHECK(sameFrame(got[i], expected.frames[i]));
    FUZZ_CHECK(decoder.outOfStep() == expected.outOfStep);
    if (decoder.outOfStep()) {
        // For good: nothing fed afterwards decodes.
        decoder.feed(encodeAgwFrame(AgwFrame{}));
        FUZZ_CHECK(!decoder.next());
        FUZZ_CHECK(decoder.buffered() == 0);
    } else {
        FUZZ_CHECK(decoder.buffered() == expected.leftOver);
    }

    // What we decoded encodes back to a frame that decodes the same.
    for (const AgwFrame& f : got) {
        AgwFrameDecoder again;
        again.feed(encodeAgwFrame(f));
        const std::optional<AgwFrame> back = again.next();
        FUZZ_CHECK(back && sameFrame(*back, f));
        FUZZ_CHECK(again.buffered() == 0);
    }
    return 0;
}
