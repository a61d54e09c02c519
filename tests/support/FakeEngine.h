#pragma once

#include "AgwFrame.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <map>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A scripted stand-in for the packet engine on 127.0.0.1. The server runs in its own thread so
// a test can call the link's blocking operations (connect, wait for the registration answer)
// from the test thread while the fake still accepts and answers. Every accessor is thread-safe.
class FakeEngine : public QObject {
    Q_OBJECT
public:
    // Port 0 takes any free port; a given port lets a test restart "the same" engine.
    explicit FakeEngine(QObject* parent = nullptr, quint16 port = 0);
    ~FakeEngine() override;

    quint16 port() const { return m_port; }
    // Every frame any client sent, in arrival order.
    QList<AgwFrame> received() const;
    int connectionsAccepted() const { return m_accepted; }

    void setRegisterAnswer(quint8 answer) { m_registerAnswer = answer; }
    // False: registrations go unanswered.
    void setAnswerRegistration(bool answer) { m_answerRegistration = answer; }

    // Written to every connected client before these return.
    void send(const AgwFrame& frame) { sendRaw(encodeAgwFrame(frame)); }
    void sendRaw(const QByteArray& bytes);
    void dropClients() {
        onServer([this] { dropAll(); });
    }

    bool waitForFrames(int count, int timeoutMs) {
        return waitUntil([&] { return m_received.size() >= count; }, timeoutMs);
    }
    bool waitForClients(int count, int timeoutMs) {
        return waitUntil([&] { return m_clients == count; }, timeoutMs);
    }

private:
    void onServer(const std::function<void()>& work);
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);

    // In the server's thread.
    void acceptClients();
    void readClient(QTcpSocket* socket);
    void forget(QTcpSocket* socket, bool close);
    void dropAll();
    QThread m_thread;
    QTcpServer* m_server = nullptr;
    std::map<QTcpSocket*, AgwFrameDecoder> m_sockets;
    quint16 m_port = 0;

    mutable QMutex m_mutex;
    QWaitCondition m_changed;
    QList<AgwFrame> m_received;
    std::atomic<int> m_accepted = 0;
    std::atomic<int> m_clients = 0;
    std::atomic<quint8> m_registerAnswer = 1;
    std::atomic<bool> m_answerRegistration = true;
};
