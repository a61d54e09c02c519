#pragma once

#include "AgwFrame.h"

#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

// A scripted stand-in for the packet engine on 127.0.0.1, in a thread of its own so that the
// link's blocking calls in the test's thread are still answered. Every member is thread-safe.
class FakeEngine : public QObject {
public:
    // Port 0 takes any free port; a given port lets a test restart "the same" engine.
    explicit FakeEngine(QObject* parent = nullptr, quint16 port = 0) : QObject(parent) {
        m_thread.setObjectName(QStringLiteral("fake engine")); // benchmarks leave it out
        m_server->moveToThread(&m_thread);
        m_thread.start();
        onServer([this, port] {
            connect(m_server, &QTcpServer::newConnection, m_server, [this] { accept(); });
            m_port = m_server->listen(QHostAddress::LocalHost, port) ? m_server->serverPort() : 0;
        });
    }
    ~FakeEngine() override {
        dropClients();
        m_server->deleteLater(); // with its sockets, in their own thread as it finishes
        m_thread.quit(), m_thread.wait();
    }

    quint16 port() const { return m_port; }
    QList<AgwFrame> received() const { // every frame any client sent, in arrival order
        const QMutexLocker lock(&m_mutex);
        return m_received;
    }
    int connectionsAccepted() const { return m_accepted; }
    void setRegisterAnswer(quint8 answer) { m_registerAnswer = answer; }
    // The answer to the port list question; none while empty.
    void setPortList(const QByteArray& answer) {
        const QMutexLocker lock(&m_mutex);
        m_portList = answer;
    }
    void setAnswerRegistration(bool answer) { m_answerRegistration = answer; } // false: silent

    // These reach every client before they return.
    void send(const AgwFrame& frame) { sendRaw(encodeAgwFrame(frame)); }
    void sendRaw(const QByteArray& bytes) {
        onClients([&](QTcpSocket* socket) { socket->write(bytes), socket->flush(); });
    }
    void dropClients() { // what is written still goes out first
        onClients([](QTcpSocket* socket) { socket->disconnectFromHost(); });
    }
    bool waitForFrames(int count, int timeoutMs) {
        return QTest::qWaitFor([&] { return received().size() >= count; }, timeoutMs);
    }
    bool waitForClients(int count, int timeoutMs) {
        return QTest::qWaitFor([&] { return m_clients == count; }, timeoutMs);
    }

private:
    template <typename Work> void onServer(Work work) {
        QMetaObject::invokeMethod(m_server, work, Qt::BlockingQueuedConnection);
    }
    // In the server's thread, where a client is a child of the server until it goes away.
    template <typename Work> void onClients(Work work) {
        onServer([&] { std::ranges::for_each(m_server->findChildren<QTcpSocket*>(), work); });
    }
    void accept() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            const auto read = [this, socket, decoder = std::make_shared<AgwFrameDecoder>()] {
                decoder->feed(socket->readAll());
                while (std::optional<AgwFrame> frame = decoder->next()) {
                    const QMutexLocker lock(&m_mutex);
                    m_received.append(*frame);
                    const QByteArray answer(1, char(m_registerAnswer.load()));
                    if (frame->kind == 'X' && m_answerRegistration)
                        socket->write(
                            encodeAgwFrame({frame->port, 'X', 0, frame->callFrom, {}, answer}));
                    if (frame->kind == 'G' && !m_portList.isEmpty())
                        socket->write(encodeAgwFrame({0, 'G', 0, {}, {}, m_portList}));
                }
            };
            connect(socket, &QTcpSocket::readyRead, m_server, read);
            connect(socket, &QTcpSocket::disconnected, m_server, [this, socket] {
                socket->setParent(nullptr), socket->deleteLater(), --m_clients;
            });
            ++m_accepted, ++m_clients;
            read();
        }
    }

    QThread m_thread;
    QTcpServer* m_server = new QTcpServer;
    quint16 m_port = 0;
    QByteArray m_portList;
    mutable QMutex m_mutex;
    QList<AgwFrame> m_received;
    std::atomic<int> m_accepted = 0, m_clients = 0;
    std::atomic<quint8> m_registerAnswer = 1;
    std::atomic<bool> m_answerRegistration = true;
};
