#include "FakeEngine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

FakeEngine::FakeEngine(QObject* parent, quint16 port) : QObject(parent) {
    m_server = new QTcpServer;
    m_server->moveToThread(&m_thread);
    m_thread.start();
    onServer([this, port] {
        connect(m_server, &QTcpServer::newConnection, m_server, [this] { acceptClients(); });
        m_port = m_server->listen(QHostAddress::LocalHost, port) ? m_server->serverPort() : 0;
    });
}

FakeEngine::~FakeEngine() {
    onServer([this] {
        dropAll();
        m_server->deleteLater(); // with its sockets, in their own thread as it finishes
    });
    m_thread.quit();
    m_thread.wait();
}

void FakeEngine::onServer(const std::function<void()>& work) {
    QMetaObject::invokeMethod(m_server, work, Qt::BlockingQueuedConnection);
}

QList<AgwFrame> FakeEngine::received() const {
    const QMutexLocker lock(&m_mutex);
    return m_received;
}

void FakeEngine::sendRaw(const QByteArray& bytes) {
    onServer([&] {
        for (auto& [socket, decoder] : m_sockets) {
            socket->write(bytes);
            socket->flush();
        }
    });
}

bool FakeEngine::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (QMutexLocker lock(&m_mutex); !done(); lock.relock()) {
        if (deadline.hasExpired())
            return false;
        // Short slices, so writes still queued in this thread's sockets get their turn.
        m_changed.wait(&m_mutex, QDeadlineTimer(qMin<qint64>(deadline.remainingTime(), 10)));
        lock.unlock();
        QCoreApplication::processEvents();
    }
    return true;
}

void FakeEngine::acceptClients() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        m_sockets.emplace(socket, AgwFrameDecoder());
        connect(socket, &QTcpSocket::readyRead, m_server, [this, socket] { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, m_server,
                [this, socket] { forget(socket, false); });
        ++m_accepted;
        ++m_clients;
        readClient(socket);
    }
}

void FakeEngine::readClient(QTcpSocket* socket) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    it->second.feed(socket->readAll());
    while (std::optional<AgwFrame> frame = it->second.next()) {
        {
            const QMutexLocker lock(&m_mutex);
            m_received.append(*frame);
            m_changed.wakeAll();
        }
        if (frame->kind == 'X' && m_answerRegistration) {
            const QByteArray answer(1, char(m_registerAnswer.load()));
            socket->write(
                encodeAgwFrame(AgwFrame{frame->port, 'X', 0, frame->callFrom, {}, answer}));
            socket->flush();
        }
    }
}

void FakeEngine::forget(QTcpSocket* socket, bool close) {
    if (!m_sockets.erase(socket))
        return;
    socket->disconnect(m_server);
    if (close) {
        socket->flush();
        socket->disconnectFromHost();
    }
    socket->deleteLater();
    --m_clients;
}

void FakeEngine::dropAll() {
    while (!m_sockets.empty())
        forget(m_sockets.begin()->first, true);
}
