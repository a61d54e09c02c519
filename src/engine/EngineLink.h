#pragma once

#include "EngineAddress.h"
#include "EngineEvent.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <variant>

// What the station asks of its engine: one struct a command, each on the radio port it names.
struct ConnectCommand {
    QByteArray call;
    QList<QByteArray> via; // the digipeaters on the way, in order
    quint8 port = 0;
};
struct DisconnectCommand {
    QByteArray call;
    quint8 port = 0;
};
struct LinkDataCommand { // data on the link to a connected station
    QByteArray call;
    QByteArray data;
    quint8 port = 0;
};
struct UnprotoCommand { // a frame for whoever hears it
    QByteArray destination;
    QByteArray data;
    QList<QByteArray> via;
    quint8 port = 0;
    quint8 pid = 0xF0; // no layer 3
};
using EngineCommand =
    std::variant<ConnectCommand, DisconnectCommand, LinkDataCommand, UnprotoCommand>;

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

    // Hands one command to the engine: 0 when it was refused or could not go out.
    virtual qint16 send(const EngineCommand& command) = 0;

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
    virtual void setAddress(const EngineAddress& address) { Q_UNUSED(address) }
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
