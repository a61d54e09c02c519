#pragma once

#include "EngineLink.h"
#include "LinkBacklog.h"
#include "SessionLog.h"
#include "StationState.h"

#include <QScopedValueRollback>

// Stands between the station and its engine: everything passes through unchanged, and on the way
// the session log sees each connected channel's traffic and the link backlog what was sent.
class TrafficTap : public EngineLink {
public:
    TrafficTap(EngineLink& engine, const StationState& state, SessionLog& log, LinkBacklog& backlog)
        : m_engine(engine), m_state(state), m_log(log), m_backlog(backlog) {}

    // Marks what goes out while the result lives as typed by the operator, for the session log.
    [[nodiscard]] QScopedValueRollback<bool> typedByOperator() {
        return QScopedValueRollback<bool>(m_typing, true);
    }

    qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) override {
        return m_engine.startPoll(callSign, appName);
    }
    std::optional<EngineEvent> nextEvent() override;
    qint16 send(const EngineCommand& command) override;
    void close() override { m_engine.close(); }
    void beginAttach(const QByteArray& callSign, const QByteArray& appName) override {
        m_engine.beginAttach(callSign, appName);
    }
    std::optional<qint16> attachResult() override { return m_engine.attachResult(); }
    bool isAttached() const override { return m_engine.isAttached(); }
    quint64 skippedMonitorFrames() const override { return m_engine.skippedMonitorFrames(); }
    void setAddress(const EngineAddress& address) override { m_engine.setAddress(address); }
    QString address() const override { return m_engine.address(); }
    QString lastError() const override { return m_engine.lastError(); }
    std::optional<QList<EnginePort>> ports() const override { return m_engine.ports(); }
    bool reportsOutstanding() const override { return m_engine.reportsOutstanding(); }
    void askOutstanding(const QByteArray& call, quint8 port) override {
        m_engine.askOutstanding(call, port);
    }
    std::optional<quint32> takeOutstanding(const QByteArray& call) override {
        return m_engine.takeOutstanding(call);
    }
    void forgetOutstanding(const QByteArray& call) override { m_engine.forgetOutstanding(call); }

private:
    void logReceived(const EngineEvent& event);

    bool m_typing = false;
    EngineLink& m_engine;
    const StationState& m_state;
    SessionLog& m_log;
    LinkBacklog& m_backlog;
};
