// The engine link over a real loopback connection: what the engine sends after answering
// the registration, through decoding, translation and the two queues, to getData.
// Input: one byte choosing the queue limit (0: the default), then the engine's bytes.

#include "AgwTcpLink.h"
#include "FuzzSupport.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A scripted engine on 127.0.0.1 in its own thread, since the link blocks while it registers.
// Per connection it answers the registration, writes the bytes it was given, and closes when
// told to.
class ScriptedEngine {
public:
    ScriptedEngine() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        FUZZ_CHECK(m_listener >= 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FUZZ_CHECK(::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0);
        FUZZ_CHECK(::listen(m_listener, 4) == 0);
        socklen_t len = sizeof addr;
        FUZZ_CHECK(::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0);
        port = ntohs(addr.sin_port);
        std::thread([this] { run(); }).detach();
    }

    void serve(const QByteArray& bytes) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes = bytes;
        m_written = false;
        m_finish = false;
    }
    bool written() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_written;
    }
    // Closes the connection and waits until it is gone.
    void finish() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_finish = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_closed; });
        m_closed = false;
        m_bytes.clear();
    }

    quint16 port = 0;

private:
    void run() {
        for (;;) {
            const int conn = ::accept(m_listener, nullptr, nullptr);
            if (conn < 0)
                continue;
            {
                QByteArray bytes;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    bytes = m_bytes;
                }
                AgwFrame answer;
                answer.kind = 'X';
                answer.callFrom = "N0ME";
                answer.data = QByteArray(1, '\1');
                writeAll(conn, encodeAgwFrame(answer) + bytes);
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_written = true;
            m_changed.wait(lock, [this] { return m_finish; });
            ::close(conn);
            m_closed = true;
            m_changed.notify_all();
        }
    }

    static void writeAll(int conn, const QByteArray& bytes) {
        qsizetype at = 0;
        while (at < bytes.size()) {
            // The link may hang up first (a frame too long): no SIGPIPE for that.
            const ssize_t n =
                ::send(conn, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            at += n;
        }
    }

    int m_listener = -1;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_bytes;
    bool m_written = false;
    bool m_finish = false;
    bool m_closed = false;
};

ScriptedEngine* engine = nullptr;

bool knownKind(int kind) {
    return kind == Kind::ConnectNotice || kind == Kind::DisconnectNotice ||
           kind == Kind::ConnectedData || kind == 'U' || kind == 'I' || kind == 'S' || kind == 'T';
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzEnv::init();
    // Sockets want an application object for their notifiers, even without an event loop.
    static QCoreApplication app(*argc, *argv);
    engine = new ScriptedEngine;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);
    engine->serve(bytes);

    AgwTcpLink link(QStringLiteral("127.0.0.1"), engine->port);
    link.setTimeouts(5000, 5000);
    if (data[0] != 0)
        link.setQueueLimit(data[0] % 16);
    // Usually 1; a second 'X' in the same read has the last word.
    link.startPoll("N0ME", "fuzz");

    quint64 handedOut = 0;
    auto drain = [&] {
        ReceivedFrame f;
        while (link.getData(f)) {
            ++handedOut;
            FUZZ_CHECK(knownKind(f.kind));
            FUZZ_CHECK(f.senderField.endsWith('\0'));
            FUZZ_CHECK(f.senderField.size() <= kAgwCallFieldSize + 1);
            FUZZ_CHECK(f.length == f.data.size());
            FUZZ_CHECK(f.data.size() <= qsizetype(kMaxAgwDataLength));
            FUZZ_CHECK(link.queuedFrames() <=
                       (data[0] ? qMax(1, data[0] % 16) : AgwTcpLink::kDefaultQueueLimit));
        }
    };
    // Everything the engine wrote is on our side once it says so; one more round takes it.
    while (!engine->written())
        drain();
    drain();
    // The registration answer counts as received and is never handed out.
    FUZZ_CHECK(handedOut + 1 <= link.framesReceived());
    link.close();
    FUZZ_CHECK(!link.isConnected());
    ReceivedFrame none;
    FUZZ_CHECK(link.getData(none) == 0);
    engine->finish();
    return 0;
}
