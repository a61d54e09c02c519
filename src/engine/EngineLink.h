#pragma once

#include "EngineEvent.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// What the station hands its engine to send.
namespace Kind {
constexpr int ConnectRequest = 'c';
constexpr int ConnectCompanion = 'P';
constexpr int Disconnect = 'd';
constexpr int ConnectedData = 'D';
constexpr int Unproto = 'U';
} // namespace Kind

// A radio port of the engine: its number as frames carry it (from 0), and what the engine calls it.
struct EnginePort {
    quint8 number = 0;
    QString description;
    friend bool operator==(const EnginePort&, const EnginePort&) = default;
};

// The four operations the station needs from its packet engine. The shapes
// follow the engine client library the station was designed around; the real
// implementation speaks the AGWPE TCP/IP API.
class EngineLink {
public:
    virtual ~EngineLink() = default;

    // Registers the call sign; 0 on any failure, non-zero on success.
    virtual qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) = 0;

    // Never blocks. The next event the engine sent, or none when nothing is waiting.
    virtual std::optional<EngineEvent> nextEvent() = 0;

    // Hands one frame to the engine. The result is informational only.
    virtual qint16 putData(const QByteArray& destination, const QByteArray& data, int kind,
                           int length, quint8 port) = 0;

    // Ends the registration.
    virtual void close() = 0;

    // Starts registering again without waiting for the engine; attachResult() tells how it went.
    // Links that cannot do that register at once.
    virtual void beginAttach(const QByteArray& callSign, const QByteArray& appName) {
        m_attachResult = startPoll(callSign, appName);
    }
    // None while the attach begun last is under way; then its startPoll result.
    virtual std::optional<qint16> attachResult() { return m_attachResult; }

    // False once an open connection to the engine has gone away.
    virtual bool isAttached() const { return true; }
    // Monitored frames given up so far because the station fell behind the air.
    virtual quint64 skippedMonitorFrames() const { return 0; }
    // Where to find the engine from the next connection on; an open one is left alone.
    virtual void setAddress(const QString& host, quint16 port) {
        Q_UNUSED(host)
        Q_UNUSED(port)
    }
    // Where the engine is, for the operator.
    virtual QString address() const { return {}; }
    // Why the last attempt to reach or register with the engine failed, for the operator.
    virtual QString lastError() const { return {}; }
    // The engine's radio ports, once it has said which it has; none before, or when it cannot.
    virtual std::optional<QList<EnginePort>> ports() const { return std::nullopt; }

    // Whether the engine can tell how many frames handed to it for a connected station have not
    // gone out (or not been acknowledged) yet. A link that cannot never answers the question.
    virtual bool reportsOutstanding() const { return false; }
    // Asks that count for the link to `call`; the answer comes later, through takeOutstanding.
    virtual void askOutstanding(const QByteArray& call, quint8 port) {
        Q_UNUSED(call)
        Q_UNUSED(port)
    }
    // The answer about `call` once it has come, handed out once.
    virtual std::optional<quint32> takeOutstanding(const QByteArray& call) {
        Q_UNUSED(call)
        return std::nullopt;
    }
    // No answer about `call` is wanted any more: the station left.
    virtual void forgetOutstanding(const QByteArray& call) { Q_UNUSED(call) }

private:
    std::optional<qint16> m_attachResult;
};
