#include "AgwTcpLink.h"

#include "TcpStream.h"

#include <QDeadlineTimer>

#include <utility>

namespace {

// Bounds the stream's read buffer: past it the engine waits on TCP flow control instead of us
// growing without limit.
constexpr qint64 kSocketReadBuffer = 1024 * 1024;
constexpr int kCloseFlushMs = 1000;

} // namespace

AgwTcpLink::AgwTcpLink(const QString& host, quint16 port) : m_host(host), m_port(port) {}

AgwTcpLink::~AgwTcpLink() {
    // Only close() unregisters: leaving by Exit leaves the engine as it is.
    if (m_socket) {
        m_socket->disconnect(this); // nobody listens any more
        m_socket->flush();
        m_socket->disconnectFromHost();
    }
}

void AgwTcpLink::setAddress(const QString& host, quint16 port) {
    m_host = host;
    m_port = port;
}

void AgwTcpLink::setTimeouts(int connectMs, int answerMs) {
    m_connectTimeoutMs = qMax(0, connectMs);
    m_answerTimeoutMs = qMax(0, answerMs);
}

void AgwTcpLink::setQueueLimit(int frames) {
    m_queue.setFrameLimit(frames);
}

bool AgwTcpLink::isConnected() const {
    return m_socket && m_socket->state() == TcpStream::State::Connected;
}

qint16 AgwTcpLink::startPoll(const QByteArray& callSign, const QByteArray& appName) {
    Q_UNUSED(appName) // the protocol has no field for it
    m_attach = Attach::None;

    // An engine that went away since the last tick must not cost us a 3 s wait on a dead socket.
    if (m_socket)
        readSocket(0);
    if (!m_socket && !openConnection())
        return 0;
    if (!sendRegistration(callSign))
        return 0;

    const QDeadlineTimer deadline(m_answerTimeoutMs);
    while (m_socket && !m_registerAnswer) {
        if (deadline.hasExpired()) {
            dropConnection(QStringLiteral("the engine did not answer the registration"));
            return 0;
        }
        readSocket(remainingMs(deadline));
    }
    return registrationResult(callSign);
}

void AgwTcpLink::beginAttach(const QByteArray& callSign, const QByteArray& appName) {
    Q_UNUSED(appName)
    if (m_socket)
        dropConnection(QString());
    m_attachCall = callSign;
    m_attachOutcome.reset();
    startSocket();
    m_attach = Attach::Connecting;
    m_attachDeadline = QDeadlineTimer(m_connectTimeoutMs);
}

std::optional<qint16> AgwTcpLink::attachResult() {
    if (m_attach != Attach::None)
        m_attachOutcome = attachStep();
    return m_attachOutcome;
}

std::optional<qint16> AgwTcpLink::attachStep() {
    // The connection progresses in the event loop, so a slow engine never stalls the window.
    if (m_attach == Attach::Connecting && m_socket) {
        if (m_socket->state() == TcpStream::State::Connected) {
            if (!sendGreeting() || !sendRegistration(m_attachCall))
                return qint16(0);
            m_attach = Attach::Registering;
            m_attachDeadline = QDeadlineTimer(m_answerTimeoutMs);
        } else if (m_socket->state() == TcpStream::State::Unconnected) {
            dropConnection(m_socket->errorString());
        }
    }
    if (m_attach == Attach::Registering && m_socket)
        readSocket(0);
    if (!m_socket || m_attach == Attach::None) {
        m_attach = Attach::None;
        return qint16(0);
    }
    if (m_attach == Attach::Registering && m_registerAnswer) {
        m_attach = Attach::None;
        return registrationResult(m_attachCall);
    }
    if (m_attachDeadline.hasExpired()) {
        dropConnection(m_attach == Attach::Connecting
                           ? QStringLiteral("the engine did not accept the connection")
                           : QStringLiteral("the engine did not answer the registration"));
        return qint16(0);
    }
    return std::nullopt;
}

bool AgwTcpLink::sendRegistration(const QByteArray& callSign) {
    AgwFrame registration;
    registration.kind = 'X';
    registration.callFrom = callSign;
    m_registerAnswer.reset();
    if (writeFrame(registration))
        return true;
    dropConnection(QStringLiteral("could not send the registration"));
    return false;
}

qint16 AgwTcpLink::registrationResult(const QByteArray& callSign) {
    if (!m_registerAnswer)
        return 0; // the connection went away; dropConnection said why
    if (*m_registerAnswer == 0) {
        m_lastError = QStringLiteral("the engine refused the call sign");
        return 0;
    }
    m_call = callSign.left(kAgwCallFieldSize);
    m_registered = true;
    return 1;
}

std::optional<EngineEvent> AgwTcpLink::nextEvent() {
    // Looking at the socket costs a system call; with frames queued, only take in what the event
    // loop has already read for us, so connected data still overtakes the queue.
    if (m_queue.empty())
        poll();
    else if (m_socket && m_attach != Attach::Connecting && m_socket->bytesAvailable() > 0)
        readSocket(-1);
    return m_queue.pop();
}

qint16 AgwTcpLink::send(const EngineCommand& command) {
    const ToEngine out = toEngine(command, m_call);
    if (out.refused)
        ++m_refused;
    if (out.frames.isEmpty() || !isConnected())
        return 0;
    for (const AgwFrame& frame : out.frames)
        if (!writeFrame(frame))
            return 0;
    return 1;
}

void AgwTcpLink::askOutstanding(const QByteArray& call, quint8 port) {
    const QByteArray key = call.toUpper();
    if (!m_outstanding.contains(key) && m_outstanding.size() >= kMaxAskedLinks)
        return;
    AgwFrame question;
    question.kind = 'Y';
    question.port = port;
    question.callFrom = m_call;
    question.callTo = call;
    if (writeFrame(question))
        m_outstanding.insert(key, std::nullopt);
}

std::optional<quint32> AgwTcpLink::takeOutstanding(const QByteArray& call) {
    const auto it = m_outstanding.constFind(call.toUpper());
    if (it == m_outstanding.cend() || !it.value())
        return std::nullopt;
    const quint32 frames = *it.value();
    m_outstanding.erase(it);
    return frames;
}

void AgwTcpLink::close() {
    if (!m_socket)
        return;
    if (isConnected() && m_registered) {
        AgwFrame unregister;
        unregister.kind = 'x';
        unregister.callFrom = m_call;
        writeFrame(unregister);
    }
    const QDeadlineTimer deadline(kCloseFlushMs);
    while (isConnected() && m_socket->bytesToWrite() > 0 && !deadline.hasExpired())
        m_socket->waitForBytesWritten(remainingMs(deadline));
    m_socket->disconnectFromHost();
    dropConnection(QString());
}

void AgwTcpLink::poll() {
    if (!m_socket || m_attach == Attach::Connecting)
        return;
    m_socket->flush();
    readSocket(0);
}

bool AgwTcpLink::openConnection() {
    startSocket();
    if (!m_socket->waitForConnected(m_connectTimeoutMs)) {
        dropConnection(m_socket->errorString());
        return false;
    }
    return sendGreeting();
}

void AgwTcpLink::startSocket() {
    m_decoder.reset();
    m_socket = std::make_unique<TcpStream>(kSocketReadBuffer);
    // Queued: whoever takes the frames may drop the socket, which must not happen while the
    // socket is still inside its own signal.
    connect(m_socket.get(), &TcpStream::readyRead, this, &AgwTcpLink::bytesArrived,
            Qt::QueuedConnection);
    connect(m_socket.get(), &TcpStream::disconnected, this, &AgwTcpLink::bytesArrived,
            Qt::QueuedConnection);
    // An attach under way registers as soon as the engine accepts, a tick sooner than if it
    // waited to be asked how it went.
    connect(
        m_socket.get(), &TcpStream::connected, this, [this] { attachResult(); },
        Qt::QueuedConnection);
    m_socket->connectToHost(m_host, m_port);
}

bool AgwTcpLink::sendGreeting() {
    m_socket->setLowDelay();
    // Monitoring is a toggle at the engine, so it goes out once per connection.
    AgwFrame monitor;
    monitor.kind = 'm';
    AgwFrame portList;
    portList.kind = 'G';
    if (!writeFrame(monitor) || !writeFrame(portList)) {
        dropConnection(QStringLiteral("could not ask for monitoring"));
        return false;
    }
    m_lastError.clear();
    return true;
}

void AgwTcpLink::dropConnection(const QString& why) {
    if (!why.isEmpty())
        m_lastError = why;
    if (m_socket) {
        m_socket->disconnect(this); // what is left to tell was read already
        m_socket->abort();
        m_socket.reset();
    }
    // Only a frame cut off by the end of the stream is lost: whatever was received whole stays
    // queued for the station.
    m_decoder.reset();
    m_outstanding.clear(); // the engine forgot the questions with the connection
    m_attach = Attach::None;
    m_call.clear();
    m_registered = false;
    m_ports.reset();
}

bool AgwTcpLink::writeFrame(const AgwFrame& frame) {
    if (!isConnected())
        return false;
    const QByteArray bytes = encodeAgwFrame(frame);
    if (!m_socket->write(bytes))
        return false;
    ++m_framesOut;
    m_bytesOut += quint64(bytes.size());
    return true;
}

void AgwTcpLink::readSocket(int waitMs) {
    bool waited = false;
    while (m_socket) {
        while (!m_queue.blocked()) {
            std::optional<AgwFrame> frame = m_decoder.next();
            if (!frame)
                break;
            accept(std::move(*frame));
        }
        if (m_decoder.outOfStep()) {
            dropConnection(QStringLiteral("the engine sent a frame longer than %1 bytes")
                               .arg(kMaxAgwDataLength));
            return;
        }
        if (m_queue.blocked())
            return; // the rest waits in the socket until the station catches up
        if (m_socket->bytesAvailable() <= 0) {
            if (waited || waitMs < 0 || m_socket->state() != TcpStream::State::Connected)
                break;
            waited = true;
            // Also fills the socket's buffer when no event loop runs; a timeout is no error.
            m_socket->waitForReadyRead(waitMs);
            if (m_socket->bytesAvailable() <= 0)
                break;
        }
        const QByteArray chunk = m_socket->read(m_decoder.room());
        m_bytesIn += quint64(chunk.size());
        m_decoder.feed(chunk);
    }
    if (m_socket && m_socket->state() != TcpStream::State::Connected)
        dropConnection(m_socket->closedByPeer() ? QStringLiteral("the engine closed the connection")
                                                : m_socket->errorString());
}

void AgwTcpLink::accept(AgwFrame&& frame) {
    ++m_framesIn;
    FromEngine in = toReceived(std::move(frame), m_call, m_registered);
    if (in.registerAnswer)
        m_registerAnswer = in.registerAnswer;
    if (in.ports)
        m_ports = std::move(in.ports);
    if (in.outstanding) {
        const auto it = m_outstanding.find(in.outstanding->call.toUpper());
        if (it != m_outstanding.end())
            it.value() = in.outstanding->frames;
    }
    if (in.event)
        m_queue.push(std::move(*in.event), in.monitored);
    else
        ++m_discarded;
}
