#include "TcpStream.h"

#include <QSocketNotifier>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
using Native = SOCKET;
constexpr Native kNoSocket = INVALID_SOCKET;
constexpr int kSendFlags = 0;
int lastSystemError() {
    return WSAGetLastError();
}
bool wouldBlock(int error) {
    return error == WSAEWOULDBLOCK;
}
bool connectUnderWay(int error) {
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}
bool interrupted(int error) {
    return error == WSAEINTR;
}
void closeNative(Native s) {
    closesocket(s);
}
bool prepare(Native s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
int pollOne(Native s, short events, int ms) {
    WSAPOLLFD p{s, events, 0};
    return WSAPoll(&p, 1, ms);
}
void startSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    Q_UNUSED(started)
}
#else
using Native = int;
constexpr Native kNoSocket = -1;
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL; // a closed peer is an error to report, not a signal
#else
constexpr int kSendFlags = 0;
#endif
int lastSystemError() {
    return errno;
}
bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}
bool connectUnderWay(int error) {
    return error == EINPROGRESS;
}
bool interrupted(int error) {
    return error == EINTR;
}
void closeNative(Native s) {
    ::close(s);
}
bool prepare(Native s) {
#ifdef SO_NOSIGPIPE
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
    const int flags = fcntl(s, F_GETFL);
    return fcntl(s, F_SETFD, FD_CLOEXEC) == 0 && flags != -1 &&
           fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
int pollOne(Native s, short events, int ms) {
    pollfd p{s, events, 0};
    return ::poll(&p, 1, ms);
}
void startSockets() {}
#endif

Native native(qintptr s) {
    return static_cast<Native>(s);
}

// The socket addresses of a host, each as the bytes of its sockaddr. A name is only looked up
// when asked for: an address in numbers never waits on a name server.
std::vector<QByteArray> addressesOf(const QByteArray& host, quint16 port, bool numbersOnly,
                                    int* lookupError) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numbersOnly ? AI_NUMERICHOST : 0);
    addrinfo* found = nullptr;
    *lookupError =
        getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found);
    std::vector<QByteArray> addresses;
    for (const addrinfo* a = found; a; a = a->ai_next)
        addresses.emplace_back(reinterpret_cast<const char*>(a->ai_addr), qsizetype(a->ai_addrlen));
    if (found)
        freeaddrinfo(found);
    return addresses;
}

QString lookupFailure(int error) {
#ifdef Q_OS_WIN
    const QString why = qt_error_string(error); // the lookup's errors are the sockets' own there
#else
    const QString why = QString::fromLocal8Bit(gai_strerror(error));
#endif
    return QStringLiteral("the engine's host was not found (%1)").arg(why);
}

} // namespace

// A name looked up on a thread of its own: the name server may take seconds to answer or fail.
struct TcpStream::Lookup {
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::vector<QByteArray> addresses;
    int error = 0;
};

int remainingMs(const QDeadlineTimer& deadline) {
    const qint64 ms = deadline.remainingTime();
    return ms < 0 ? 0 : int(qMin<qint64>(ms, 60 * 1000));
}

TcpStream::TcpStream(qsizetype readLimit) : m_readLimit(qMax<qsizetype>(1, readLimit)) {
    m_lookupPoll.setInterval(10);
    connect(&m_lookupPoll, &QTimer::timeout, this, &TcpStream::lookedUp);
}

TcpStream::~TcpStream() {
    closeSocket();
}

void TcpStream::connectToHost(const QString& host, quint16 port) {
    abort();
    m_in.clear();
    m_inStart = 0;
    m_error.clear();
    m_closedByPeer = false;
    m_state = State::Connecting;
    startSockets();
    const QByteArray name = host.toUtf8();
    int error = 0;
    m_addresses = addressesOf(name, port, true, &error);
    if (error != EAI_NONAME) {
        if (error != 0)
            m_error = lookupFailure(error);
        tryNextAddress();
        return;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, name, port] {
            int error = 0;
            std::vector<QByteArray> found = addressesOf(name, port, false, &error);
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->addresses = std::move(found);
            lookup->error = error;
            lookup->finished = true;
            lookup->finishedChanged.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        m_error = QStringLiteral("no thread to look the engine's host up");
        m_state = State::Unconnected;
        return;
    }
    m_lookup = std::move(lookup);
    m_lookupPoll.start();
}

void TcpStream::lookedUp() {
    if (!m_lookup)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_lookup->mutex);
        if (!m_lookup->finished)
            return;
        m_addresses = std::move(m_lookup->addresses);
        if (m_lookup->error != 0)
            m_error = lookupFailure(m_lookup->error);
    }
    m_lookup.reset();
    m_lookupPoll.stop();
    tryNextAddress();
}

void TcpStream::tryNextAddress() {
    while (!m_addresses.empty()) {
        const QByteArray address = std::move(m_addresses.front());
        m_addresses.erase(m_addresses.begin());
        const auto* to = reinterpret_cast<const sockaddr*>(address.constData());
        const Native s = ::socket(to->sa_family, SOCK_STREAM, IPPROTO_TCP);
        if (s == kNoSocket) {
            m_error = qt_error_string(lastSystemError());
            continue;
        }
        m_socket = qintptr(s);
        if (!prepare(s)) {
            m_error = qt_error_string(lastSystemError());
            closeSocket();
            continue;
        }
        m_readNotifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
        m_writeNotifier = new QSocketNotifier(m_socket, QSocketNotifier::Write, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &TcpStream::fillReadBuffer);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
            if (m_state == State::Connecting)
                connectFinished();
            else
                sendQueued();
        });
        if (::connect(s, to, socklen_t(address.size())) == 0) {
            m_state = State::Connected;
            armNotifiers();
            emit connected();
            return;
        }
        const int error = lastSystemError();
        if (connectUnderWay(error)) {
            armNotifiers();
            return;
        }
        m_error = qt_error_string(error);
        closeSocket();
    }
    m_state = State::Unconnected;
}

void TcpStream::connectFinished() {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(native(m_socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                   &size) != 0)
        error = lastSystemError();
    if (error != 0) {
        m_error = qt_error_string(error);
        closeSocket();
        tryNextAddress();
        return;
    }
    m_state = State::Connected;
    armNotifiers();
    emit connected();
}

bool TcpStream::waitForConnected(int ms) {
    const QDeadlineTimer deadline(ms);
    while (m_state == State::Connecting) {
        if (m_lookup) {
            {
                std::unique_lock<std::mutex> lock(m_lookup->mutex);
                m_lookup->finishedChanged.wait_for(lock,
                                                   std::chrono::milliseconds(remainingMs(deadline)),
                                                   [this] { return m_lookup->finished; });
            }
            lookedUp();
        } else if (pollOne(native(m_socket), POLLOUT, remainingMs(deadline)) > 0) {
            connectFinished();
        }
        if (m_state == State::Connecting && deadline.hasExpired()) {
            m_error = QStringLiteral("the connection timed out");
            return false;
        }
    }
    return m_state == State::Connected;
}

void TcpStream::setLowDelay() {
    if (m_socket == -1)
        return;
    int on = 1;
    setsockopt(native(m_socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);
}

QByteArray TcpStream::read(qsizetype most) {
    const qsizetype n = qMin(most, bytesAvailable());
    if (n <= 0)
        return {};
    QByteArray out;
    if (m_inStart == 0 && n == m_in.size()) {
        out = std::exchange(m_in, {});
    } else {
        out = m_in.mid(m_inStart, n);
        m_inStart += n;
        if (m_inStart == m_in.size()) {
            m_in.clear();
            m_inStart = 0;
        }
    }
    armNotifiers(); // there is room again
    return out;
}

bool TcpStream::waitForReadyRead(int ms) {
    const QDeadlineTimer deadline(ms);
    while (m_state == State::Connected) {
        const int ready = pollOne(native(m_socket), POLLIN, remainingMs(deadline));
        if (ready > 0) {
            const qsizetype before = bytesAvailable();
            fillReadBuffer();
            return bytesAvailable() > before;
        }
        if (ready == 0 || !interrupted(lastSystemError()) || deadline.hasExpired())
            return false;
    }
    return false;
}

void TcpStream::fillReadBuffer() {
    bool arrived = false;
    while (m_state == State::Connected && bytesAvailable() < m_readLimit) {
        if (m_inStart > 0 && m_inStart >= m_in.size() / 2) {
            m_in.remove(0, m_inStart);
            m_inStart = 0;
        }
        const qsizetype room = qMin<qsizetype>(m_readLimit - bytesAvailable(), 64 * 1024);
        const qsizetype had = m_in.size();
        m_in.resize(had + room);
        const auto got = ::recv(native(m_socket), m_in.data() + had, int(room), 0);
        m_in.resize(had + qMax<qsizetype>(0, got));
        if (got > 0) {
            arrived = true;
            if (got < room)
                break;
            continue;
        }
        const int error = lastSystemError();
        if (got < 0 && interrupted(error))
            continue;
        if (got < 0 && wouldBlock(error))
            break;
        if (arrived)
            emit readyRead();
        if (got == 0) {
            m_closedByPeer = true;
            m_error = QStringLiteral("the remote host closed the connection");
            closeSocket();
            m_state = State::Unconnected;
            emit disconnected();
        } else {
            fail(error);
        }
        return;
    }
    armNotifiers();
    if (arrived)
        emit readyRead();
}

bool TcpStream::write(const QByteArray& bytes) {
    if (m_state != State::Connected)
        return false;
    m_out.append(bytes);
    sendQueued();
    return m_state == State::Connected;
}

void TcpStream::flush() {
    sendQueued();
}

void TcpStream::sendQueued() {
    while (m_state == State::Connected && bytesToWrite() > 0) {
        const auto sent = ::send(native(m_socket), m_out.constData() + m_outStart,
                                 int(qMin<qsizetype>(bytesToWrite(), 1 << 30)), kSendFlags);
        if (sent > 0) {
            m_outStart += sent;
            continue;
        }
        const int error = lastSystemError();
        if (sent < 0 && interrupted(error))
            continue;
        if (sent < 0 && wouldBlock(error))
            break;
        fail(error);
        return;
    }
    if (bytesToWrite() == 0) {
        m_out.clear();
        m_outStart = 0;
    }
    armNotifiers();
}

bool TcpStream::waitForBytesWritten(int ms) {
    const QDeadlineTimer deadline(ms);
    while (m_state == State::Connected && bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (pollOne(native(m_socket), POLLOUT, remainingMs(deadline)) > 0)
            sendQueued();
    }
    return bytesToWrite() == 0;
}

void TcpStream::disconnectFromHost() {
    sendQueued();
    abort();
}

void TcpStream::abort() {
    m_lookup.reset();
    m_lookupPoll.stop();
    m_addresses.clear();
    closeSocket();
    m_out.clear();
    m_outStart = 0;
    m_state = State::Unconnected;
}

void TcpStream::fail(int systemError) {
    m_error = qt_error_string(systemError);
    const bool wasConnected = m_state == State::Connected;
    closeSocket();
    m_state = State::Unconnected;
    if (wasConnected)
        emit disconnected();
}

void TcpStream::closeSocket() {
    // Disabled at once, so a number the system hands out again is not watched; deleted later,
    // as this may run inside one of their own signals.
    for (QSocketNotifier* notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = m_writeNotifier = nullptr;
    if (m_socket != -1)
        closeNative(native(m_socket));
    m_socket = -1;
}

void TcpStream::armNotifiers() {
    if (m_readNotifier)
        m_readNotifier->setEnabled(m_state == State::Connected && bytesAvailable() < m_readLimit);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(m_state == State::Connecting ||
                                    (m_state == State::Connected && bytesToWrite() > 0));
}
