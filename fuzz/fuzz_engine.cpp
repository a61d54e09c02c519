// The engine's bytes over a loopback connection, after its answer to the registration, through
// decoding, translation and the receive queue to nextEvent. Input: the queue limit (0: the
// default), the size of the pieces the engine writes (0: all at once; up to 127 bytes, above
// that in steps of 512), then the bytes.

#include "AgwTcpLink.h"
#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

static QTcpServer* engine = nullptr;

// Whole frames in the stream, and whether a header then announces more than a frame may hold.
static std::pair<quint64, bool> wholeFrames(const QByteArray& s) {
    quint64 frames = 0;
    for (qsizetype at = 0; s.size() - at >= kAgwHeaderSize; ++frames) {
        const qsizetype length = qFromLittleEndian<quint32>(s.constData() + at + 28);
        if (length > kMaxAgwDataLength)
            return {frames, true};
        if ((at += kAgwHeaderSize + length) > s.size())
            break;
    }
    return {frames, false};
}

// A monitored frame's text comes back from its fields unchanged.
static void checkMonitored(const QString& text, int port) {
    const MonitoredFrame f = parseMonitoredFrame(text, port);
    FUZZ_CHECK(formatMonitoredFrame(f) == text && f.port == port);
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv); // sockets want one for their notifiers
    engine = new QTcpServer;
    FUZZ_CHECK(engine->listen(QHostAddress::LocalHost));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    const quint8 limit = in.byte(), piece = in.byte();
    const QByteArray rest = in.rest();
    checkMonitored(QString::fromLatin1(rest), limit);
    const QByteArray out = encodeAgwFrame({0, 'X', 0, "N0ME", {}, "\1"}) + rest;
    const auto [frames, outOfStep] = wholeFrames(out);
    const qsizetype maxPiece = piece == 0 ? out.size() : piece < 128 ? piece : 512 * (piece - 127);
    const int maxQueued = limit ? qMax(1, limit % 16) : AgwTcpLink::kDefaultQueueLimit;

    AgwTcpLink link(QStringLiteral("127.0.0.1"), engine->serverPort());
    link.setTimeouts(5000, 5000);
    link.setQueueLimit(maxQueued);
    link.beginAttach("N0ME", "fuzz");
    FUZZ_CHECK(engine->waitForNewConnection(5000));
    const std::unique_ptr<QTcpSocket> conn(engine->nextPendingConnection());
    conn->setSocketOption(QAbstractSocket::LowDelayOption, 1); // each piece goes out on its own
    const auto drain = [&] {
        while (const std::optional<EngineEvent> event = link.nextEvent()) {
            if (event->type == EngineEvent::Type::Monitored)
                checkMonitored(event->text, event->port);
            FUZZ_CHECK(!event->call.contains(QChar(0)) && event->call.size() <= kAgwCallFieldSize &&
                       event->text.size() <= qsizetype(kMaxAgwDataLength) &&
                       link.queuedFrames() <= maxQueued &&
                       link.queuedBytes() <= AgwTcpLink::kMaxQueuedBytes);
        }
    };
    std::optional<qint16> attached;
    for (qsizetype at = 0; !attached || (at < out.size() && link.isConnected()); at += maxPiece) {
        conn->write(out.mid(at, maxPiece)), conn->flush(); // what the link has no room for waits
        if (attached)
            drain();
        else // the connection completes in the event loop
            QCoreApplication::processEvents(), attached = link.attachResult();
    }
    // Cut into pieces or not, the decoder takes every whole frame, answer included, and no more,
    // and hangs up when it loses track of the frame boundaries; if never, this hangs.
    while (link.isConnected() && (outOfStep || link.framesReceived() < frames))
        conn->flush(), drain();
    FUZZ_CHECK(link.framesReceived() == frames && link.isConnected() == !outOfStep);
    drain();
    link.close();
    return 0;
}
