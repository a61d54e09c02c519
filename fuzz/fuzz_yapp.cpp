// YAPP from a peer, in pieces as a link hands them over. The first byte picks the side: even, our
// receiver (the rest: a piece's length, then its bytes, again and again; a length of 0 is a minute
// of silence); odd, our sender of a 600-byte file, answered the same way.

#include "FuzzSupport.h"
#include "YappReceiver.h"
#include "YappSender.h"

namespace {

struct Sink : YappSink {
    QByteArray stored;
    qint64 open(const Yapp::Header&, QString*) override { return 0; }
    bool append(QByteArrayView block) override { return stored += block, true; }
    bool finish(const Yapp::Header&) override {
        return stored.clear(), true;
    } // the next file starts empty
    void keepPart() override {}
};

// Everything we send must be whole packets of the protocol, and data only what the file holds.
QByteArray dataIn(const QByteArray& sent, bool checksums) {
    Yapp::Reader reader;
    reader.expectChecksums(checksums);
    reader.append(sent);
    QByteArray data;
    Yapp::Packet packet;
    Yapp::Reader::Result result;
    while ((result = reader.next(packet)) == Yapp::Reader::Result::Packet)
        if (packet.kind == Yapp::Kind::Data)
            data += packet.body;
    FUZZ_CHECK(result == Yapp::Reader::Result::NeedMore && reader.buffered() == 0);
    return data;
}

void receive(FuzzReader& in) {
    Sink sink;
    YappReceiver receiver(sink, 5000);
    QByteArray replies = receiver.start();
    while (!in.atEnd() && receiver.state() != YappReceiver::State::Done) {
        const int length = in.byte();
        replies += length == 0 ? receiver.silence() : receiver.received(in.bytes(length));
        if (receiver.state() == YappReceiver::State::Deciding)
            replies += in.byte() % 4 ? receiver.accept() : receiver.refuse();
        FUZZ_CHECK(receiver.state() != YappReceiver::State::Receiving ||
                   receiver.stored() == sink.stored.size());
        FUZZ_CHECK(!receiver.hasHeader() || sink.stored.size() <= receiver.header().size);
        FUZZ_CHECK(receiver.outcome() != YappReceiver::Outcome::Received ||
                   receiver.stored() == receiver.header().size);
    }
    FUZZ_CHECK(dataIn(replies, false).isEmpty());
}

void send(FuzzReader& in) {
    QByteArray file(600, 0);
    for (int i = 0; i < file.size(); ++i)
        file[i] = char(i * 13);
    YappSender sender({"f.bin", 0, Yapp::DosStamp{0x5A21, 0}}, file, 253);
    QByteArray out = sender.start();
    while (!in.atEnd() && sender.state() != YappSender::State::Done) {
        const int length = in.byte();
        out += length == 0 ? sender.silence() : sender.received(in.bytes(length));
        out += sender.nextBlocks(in.byte() % 4);
        FUZZ_CHECK(sender.sent() <= file.size());
    }
    const QByteArray data = dataIn(out, sender.checksums());
    FUZZ_CHECK(file.sliced(sender.sent() - data.size(), data.size()) == data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    if (in.byte() % 2 == 0)
        receive(in);
    else
        send(in);
    return 0;
}
