#include "FakeEngine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

// Lives in the fake's thread; only FakeEngine talks to it, through blocking queued calls.
class FakeEngineServer : public QObject {
public:
    explicit FakeEngineServer(FakeEngine* owner) : m_owner(owner), m_server(new QTcpServer(this)) {
        connect(m_server, &QTcpServer::newConnection, this, &FakeEngineServer::acceptClients);
    }

    quint16 listen(quint16 port) {
        return m_server->listen(QHostAddress::LocalHost, port) ? m_server->serverPort() : 0;
    }

    void write(const QByteArray& bytes) {
        for (auto& [socket, decoder] : m_clients) {
            socket->write(bytes);
            socket->flush();
        }
    }

    void dropClients() {
        while (!m_clients.empty())
            forget(m_clients.begin()->first, true);
    }

    void shutdown(QThread* home) {
        dropClients();
        // Accepted sockets are children of the server; end them here, in their own thread.
        qDeleteAll(m_server->findChildren<QTcpSocket*>());
        m_server->close();
        moveToThread(home);
    }

private:
    void acceptClients() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            m_clients.emplace(socket, AgwFrameDecoder());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readClient(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (m_clients.count(socket))
                    forget(socket, false);
            });
            m_owner->clientsChanged(+1);
            readClient(socket);
        }
    }

    void readClient(QTcpSocket* socket) {
        auto it = m_clients.find(socket);
        if (it == m_clients.end())
            return;
        AgwFrameDecoder& decoder = it->second;
        decoder.feed(socket->readAll());
        while (std::optional<AgwFrame> frame = decoder.next()) {
            m_owner->record(*frame);
            answer(socket, *frame);
        }
    }

    void answer(QTcpSocket* socket, const AgwFrame& frame) {
        AgwFrame reply;
        reply.port = frame.port;
        reply.kind = frame.kind;
        if (frame.kind == 'X') {
            const std::optional<quint8> result = m_owner->registerAnswer();
            if (!result)
                return;
            reply.callFrom = frame.callFrom;
            reply.data = QByteArray(1, char(*result));
        } else if (frame.kind == 'R') {
            // Two little-endian u32: major 2005, minor 127.
            reply.data = QByteArray("\xd5\x07\x00\x00\x7f\x00\x00\x00", 8);
        } else {
            return;
        }
        socket->write(encodeAgwFrame(reply));
        socket->flush();
    }

    void forget(QTcpSocket* socket, bool close) {
        m_clients.erase(socket);
        socket->disconnect(this);
        if (close) {
            socket->flush();
            socket->disconnectFromHost();
        }
        socket->deleteLater();
        m_owner->clientsChanged(-1);
    }

    FakeEngine* m_owner;
    QTcpServer* m_server;
    std::map<QTcpSocket*, AgwFrameDecoder> m_clients;
};

FakeEngine::FakeEngine(QObject* parent, quint16 port) : QObject(parent) {
    m_thread.setObjectName(QStringLiteral("FakeEngine"));
    m_server = new FakeEngineServer(this);
    m_server->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_server, [this, port] { m_port = m_server->listen(port); }, Qt::BlockingQueuedConnection);
}

FakeEngine::~FakeEngine() {
    QThread* home = thread();
    QMetaObject::invokeMethod(
        m_server, [this, home] { m_server->shutdown(home); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_server;
}

QList<AgwFrame> FakeEngine::received() const {
    QMutexLocker lock(&m_mutex);
    return m_received;
}

int FakeEngine::receivedCount() const {
    QMutexLocker lock(&m_mutex);
    return int(m_received.size());
}

void FakeEngine::clearReceived() {
    QMutexLocker lock(&m_mutex);
    m_received.clear();
}

int FakeEngine::connectionsAccepted() const {
    QMutexLocker lock(&m_mutex);
    return m_accepted;
}

int FakeEngine::clientCount() const {
    QMutexLocker lock(&m_mutex);
    return m_clients;
}

void FakeEngine::setRegisterAnswer(quint8 answer) {
    QMutexLocker lock(&m_mutex);
    m_registerAnswer = answer;
}

void FakeEngine::setAnswerRegistration(bool answer) {
    QMutexLocker lock(&m_mutex);
    m_answerRegistration = answer;
}

void FakeEngine::send(const AgwFrame& frame) {
    sendRaw(encodeAgwFrame(frame));
}

void FakeEngine::sendRaw(const QByteArray& bytes) {
    QMetaObject::invokeMethod(
        m_server, [this, bytes] { m_server->write(bytes); }, Qt::BlockingQueuedConnection);
}

void FakeEngine::dropClients() {
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->dropClients(); }, Qt::BlockingQueuedConnection);
}

bool FakeEngine::waitForFrames(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            if (m_received.size() >= count)
                return true;
            if (deadline.hasExpired())
                return false;
            // Short slices, so writes still queued in this thread's sockets get their turn.
            m_changed.wait(&m_mutex, QDeadlineTimer(qMin<qint64>(deadline.remainingTime(), 10)));
        }
        QCoreApplication::processEvents();
    }
}

bool FakeEngine::waitForClients(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_clients != count) {
        if (deadline.hasExpired())
            return false;
        m_changed.wait(&m_mutex, deadline);
    }
    return true;
}

void FakeEngine::record(const AgwFrame& frame) {
    QMutexLocker lock(&m_mutex);
    m_received.append(frame);
    m_changed.wakeAll();
}

std::optional<quint8> FakeEngine::registerAnswer() const {
    QMutexLocker lock(&m_mutex);
    if (!m_answerRegistration)
        return std::nullopt;
    return m_registerAnswer;
}

void FakeEngine::clientsChanged(int delta) {
    QMutexLocker lock(&m_mutex);
    m_clients += delta;
    if (delta > 0)
        ++m_accepted;
    m_changed.wakeAll();
}
