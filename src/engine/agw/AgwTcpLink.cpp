#include "AgwTcpLink.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

#include <utility>

namespace {

// Bounds Qt's own read buffer: past it the engine waits on TCP flow control instead of us
// growing without limit.
constexpr qint64 kSocketReadBuffer = 256 * 1024;
constexpr int kCloseFlushMs = 1000;

int remainingMs(const QDeadlineTimer& deadline) {
    const qint64 ms = deadline.remainingTime();
    return ms < 0 ? 0 : int(qMin<qint64>(ms, 60 * 1000));
}

void stripOneNul(QByteArray& text) {
    if (text.endsWith('\0'))
        text.chop(1);
}

bool isMonitorKind(char kind) {
    return kind == 'U' || kind == 'I' || kind == 'S' || kind == 'T';
}

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
    m_queueLimit = qMax(1, frames);
}

bool AgwTcpLink::isConnected() const {
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
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
    // The connection progresses in the event loop (waitForConnected would abandon it on its
    // timeout).
    if (m_attach == Attach::Connecting && m_socket) {
        if (m_socket->state() == QAbstractSocket::ConnectedState) {
            if (!sendGreeting() || !sendRegistration(m_attachCall))
                return qint16(0);
            m_attach = Attach::Registering;
            m_attachDeadline = QDeadlineTimer(m_answerTimeoutMs);
        } else if (m_socket->state() == QAbstractSocket::UnconnectedState) {
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

qint16 AgwTcpLink::getData(ReceivedFrame& out) {
    // Looking at the socket costs a system call; with frames queued, only take in what the event
    // loop has already read for us, so connected data still overtakes the queue.
    if (m_monitored.empty() && m_connected.empty())
        poll();
    else if (m_socket && m_attach != Attach::Connecting && m_socket->bytesAvailable() > 0)
        readSocket(-1);
    if (m_monitored.empty() && m_connected.empty())
        return 0;

    // What the stations say to us never waits behind a flood of monitored traffic.
    std::deque<Queued>* from = m_connected.empty() ? &m_monitored : &m_connected;
    out = std::move(from->front().frame);
    from->pop_front();
    m_queuedBytes -= out.data.size();
    return 1;
}

qint16 AgwTcpLink::putData(const QByteArray& destination, const QByteArray& data, int kind,
                           int length, quint8 port) {
    // QByteArray::left() hands back everything for a negative count.
    const QByteArray payload = data.left(length <= 0 ? 0 : qMin<qsizetype>(length, data.size()));

    AgwFrame frame;
    frame.port = port;
    frame.callFrom = m_call;
    frame.callTo = destination;
    bool split = false;

    switch (kind) {
    case Kind::ConnectCompanion:
        return 0; // its connect went out with the 'c'
    case Kind::ConnectRequest:
        // The engine keeps retrying a connect without both calls and never gives up on it.
        if (destination.isEmpty() || m_call.isEmpty()) {
            ++m_refused;
            return 0;
        }
        frame.kind = 'C';
        break;
    case Kind::Disconnect:
        if (destination.isEmpty()) {
            ++m_refused;
            return 0;
        }
        frame.kind = 'd';
        break;
    case Kind::ConnectedData:
        if (destination.isEmpty() || payload.isEmpty()) {
            ++m_refused;
            return 0;
        }
        frame.kind = 'D';
        frame.pid = 0xF0;
        split = true;
        break;
    case Kind::Unproto:
        if (destination.isEmpty()) {
            ++m_refused;
            return 0;
        }
        frame.kind = 'M';
        frame.pid = 0xF0;
        split = true;
        break;
    default:
        ++m_refused;
        return 0;
    }

    if (!isConnected())
        return 0;
    if (!split || payload.size() <= kMaxOutgoingData) {
        frame.data = payload;
        return writeFrame(frame) ? 1 : 0;
    }
    for (qsizetype at = 0; at < payload.size(); at += kMaxOutgoingData) {
        frame.data = payload.mid(at, kMaxOutgoingData);
        if (!writeFrame(frame))
            return 0;
    }
    return 1;
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
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->setReadBufferSize(kSocketReadBuffer);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &AgwTcpLink::bytesArrived);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &AgwTcpLink::bytesArrived);
    m_socket->connectToHost(m_host, m_port);
}

bool AgwTcpLink::sendGreeting() {
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Monitoring is a toggle at the engine, so it goes out once per connection.
    AgwFrame monitor;
    monitor.kind = 'm';
    if (!writeFrame(monitor)) {
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
    m_attach = Attach::None;
    m_call.clear();
    m_registered = false;
}

bool AgwTcpLink::writeFrame(const AgwFrame& frame) {
    if (!isConnected())
        return false;
    const QByteArray bytes = encodeAgwFrame(frame);
    if (m_socket->write(bytes) != bytes.size())
        return false;
    m_socket->flush(); // without an event loop nothing else would push it out
    ++m_framesOut;
    m_bytesOut += quint64(bytes.size());
    return true;
}

void AgwTcpLink::readSocket(int waitMs) {
    bool waited = false;
    while (m_socket) {
        while (!queueBlocked()) {
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
        if (queueBlocked())
            return; // the rest waits in the socket until the station catches up
        if (m_socket->bytesAvailable() <= 0) {
            if (waited || waitMs < 0 || m_socket->state() != QAbstractSocket::ConnectedState)
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
    if (m_socket && m_socket->state() != QAbstractSocket::ConnectedState)
        dropConnection(m_socket->error() == QAbstractSocket::RemoteHostClosedError
                           ? QStringLiteral("the engine closed the connection")
                           : m_socket->errorString());
}

bool AgwTcpLink::queueFull(qsizetype incoming) const {
    return queuedFrames() >= m_queueLimit || m_queuedBytes + incoming > kMaxQueuedBytes;
}

bool AgwTcpLink::queueBlocked() const {
    return queueFull(kMaxAgwDataLength) && m_monitored.empty();
}

bool AgwTcpLink::belongsToOwnLink(const AgwFrame& frame) const {
    if (frame.kind == 'I' || frame.kind == 'S')
        return m_registered && frame.callTo.compare(m_call, Qt::CaseInsensitive) == 0;
    if (frame.kind == 'T') {
        const qsizetype lineEnd = frame.data.indexOf('\r');
        const QByteArray header = lineEnd < 0 ? frame.data : frame.data.left(lineEnd);
        return !header.contains("<UI");
    }
    return false;
}

void AgwTcpLink::accept(AgwFrame&& frame) {
    ++m_framesIn;
    ReceivedFrame out;
    bool monitored = false;
    switch (frame.kind) {
    case 'C':
        out.kind = Kind::ConnectNotice;
        stripOneNul(frame.data);
        break;
    case 'd':
        out.kind = Kind::DisconnectNotice;
        stripOneNul(frame.data);
        break;
    case 'D':
        out.kind = Kind::ConnectedData; // the bytes as they came off the air, NULs and all
        break;
    case 'X':
        m_registerAnswer = frame.data.isEmpty() ? quint8(0) : quint8(frame.data.at(0));
        ++m_discarded;
        return;
    default:
        if (!isMonitorKind(frame.kind) || belongsToOwnLink(frame)) {
            ++m_discarded;
            return;
        }
        out.kind = frame.kind;
        monitored = true;
        stripOneNul(frame.data);
        break;
    }
    out.senderField = frame.callFrom;
    out.senderField.append('\0');
    out.length = int(frame.data.size());
    out.data = std::move(frame.data);
    out.port = frame.port;
    enqueue(std::move(out), monitored);
}

void AgwTcpLink::enqueue(ReceivedFrame&& frame, bool monitored) {
    const qsizetype size = frame.data.size();
    // Monitored traffic gives way, oldest first; connected data never does.
    while (queueFull(size) && !m_monitored.empty()) {
        m_queuedBytes -= m_monitored.front().frame.data.size();
        m_monitored.pop_front();
        ++m_dropped;
    }
    if (queueFull(size) && monitored) {
        ++m_dropped;
        return;
    }
    // A connected frame with a queue full of connected data cannot happen: readSocket
    // stops decoding as soon as the queue holds nothing it may drop.
    m_queuedBytes += size;
    (monitored ? m_monitored : m_connected).push_back(Queued{m_seq++, std::move(frame)});
}
