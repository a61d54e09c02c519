#pragma once

#include "AgwFrame.h"
#include "AgwTranslation.h"
#include "EngineLink.h"
#include "ReceiveQueue.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class TcpStream;

// The engine link over one TCP connection to an AGWPE-compatible engine. Works with or without
// a running event loop: every read is a non-blocking poll of the socket, every wait is bounded.
// Use it from one thread only.
class AgwTcpLink : public QObject, public EngineLink {
    Q_OBJECT
public:
    static constexpr int kDefaultConnectTimeoutMs = 2000;
    static constexpr int kDefaultAnswerTimeoutMs = 3000;
    static constexpr int kDefaultQueueLimit = ReceiveQueue::kDefaultFrameLimit;
    static constexpr qsizetype kMaxQueuedBytes = ReceiveQueue::kMaxBytes;
    static constexpr int kMaxOutgoingData = kMaxAgwOutgoingData;
    static constexpr int kMaxAskedLinks = 32;

    AgwTcpLink(const QString& host, quint16 port);
    ~AgwTcpLink() override;

    AgwTcpLink(const AgwTcpLink&) = delete;
    AgwTcpLink& operator=(const AgwTcpLink&) = delete;

    // Takes effect at the next connection; an open one is left alone.
    void setAddress(const QString& host, quint16 port);
    void setAddress(const EngineAddress& address) override {
        setAddress(address.host, address.port);
    }
    void setTimeouts(int connectMs, int answerMs);
    void setQueueLimit(int frames);

    qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) override;
    std::optional<EngineEvent> nextEvent() override;
    qint16 send(const EngineCommand& command) override;
    void close() override;
    // Connects and registers in steps, each a non-blocking look at the socket, so the window
    // stays answered while a silent engine takes its time.
    void beginAttach(const QByteArray& callSign, const QByteArray& appName) override;
    std::optional<qint16> attachResult() override;
    std::optional<QList<EnginePort>> ports() const override { return m_ports; }
    bool reportsOutstanding() const override { return true; }
    void askOutstanding(const QByteArray& call, quint8 port) override;
    std::optional<quint32> takeOutstanding(const QByteArray& call) override;
    void forgetOutstanding(const QByteArray& call) override {
        m_outstanding.remove(call.toUpper());
    }

    // Reads what the socket holds into the queue without handing anything out. nextEvent does
    // this itself; exposed so a caller can keep the socket drained between ticks.
    void poll();

    bool isConnected() const;
    bool isAttached() const override { return isConnected(); }
    QString address() const override { return m_host + QLatin1Char(':') + QString::number(m_port); }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    QByteArray registeredCall() const { return m_call; }
    int queuedFrames() const { return m_queue.queuedFrames(); }
    qsizetype queuedBytes() const { return m_queue.queuedBytes(); }

signals:
    // The engine sent something: events may be waiting for nextEvent. Only with an event loop.
    void bytesArrived();

public:
    // For the diagnostic window.
    // Monitored frames lost to a full queue.
    quint64 droppedFrames() const { return m_queue.droppedFrames(); }
    quint64 skippedMonitorFrames() const override { return m_queue.droppedFrames(); }
    quint64 refusedFrames() const { return m_refused; }     // station frames we could not send
    quint64 discardedFrames() const { return m_discarded; } // engine frames not for the station
    quint64 framesReceived() const { return m_framesIn; }
    quint64 framesSent() const { return m_framesOut; }
    quint64 bytesReceived() const { return m_bytesIn; }
    quint64 bytesSent() const { return m_bytesOut; }
    std::optional<quint8> lastRegisterAnswer() const { return m_registerAnswer; }
    QString lastError() const override { return m_lastError; }

private:
    enum class Attach { None, Connecting, Registering };

    bool openConnection();
    void startSocket();
    bool sendGreeting();
    bool sendRegistration(const QByteArray& callSign);
    qint16 registrationResult(const QByteArray& callSign);
    std::optional<qint16> attachStep();
    void dropConnection(const QString& why);
    bool writeFrame(const AgwFrame& frame);
    void readSocket(int waitMs);
    void accept(AgwFrame&& frame);

    QString m_host;
    quint16 m_port;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    int m_answerTimeoutMs = kDefaultAnswerTimeoutMs;

    std::unique_ptr<TcpStream> m_socket;
    AgwFrameDecoder m_decoder;
    QByteArray m_call;
    std::optional<quint8> m_registerAnswer;
    bool m_registered = false; // an empty call can be registered too
    Attach m_attach = Attach::None;
    QByteArray m_attachCall;
    QDeadlineTimer m_attachDeadline;
    std::optional<qint16> m_attachOutcome = qint16(0);

    std::optional<QList<EnginePort>> m_ports; // asked once per connection

    ReceiveQueue m_queue;
    // Links asked about (upper case) and the engine's answer once it came. Answers about links
    // nobody asked about are dropped, so this never holds more than the station asks.
    QHash<QByteArray, std::optional<quint32>> m_outstanding;

    quint64 m_refused = 0;
    quint64 m_discarded = 0;
    quint64 m_framesIn = 0;
    quint64 m_framesOut = 0;
    quint64 m_bytesIn = 0;
    quint64 m_bytesOut = 0;
    QString m_lastError;
};
