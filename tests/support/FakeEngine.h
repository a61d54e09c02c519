#pragma once

#include "AgwFrame.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <optional>

class FakeEngineServer;

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
    int receivedCount() const;
    void clearReceived();
    int connectionsAccepted() const;
    int clientCount() const;

    void setRegisterAnswer(quint8 answer);
    void setAnswerRegistration(bool answer);

    // Written to every connected client before these return.
    void send(const AgwFrame& frame);
    void sendRaw(const QByteArray& bytes);
    void dropClients();

    bool waitForFrames(int count, int timeoutMs);
    bool waitForClients(int count, int timeoutMs);

private:
    friend class FakeEngineServer;

    void record(const AgwFrame& frame);
    std::optional<quint8> registerAnswer() const;
    void clientsChanged(int delta);

    QThread m_thread;
    FakeEngineServer* m_server = nullptr;
    quint16 m_port = 0;

    mutable QMutex m_mutex;
    QWaitCondition m_changed;
    QList<AgwFrame> m_received;
    int m_accepted = 0;
    int m_clients = 0;
    quint8 m_registerAnswer = 1;
    bool m_answerRegistration = true;
};
