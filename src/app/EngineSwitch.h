#pragma once

#include "AgwTcpLink.h"
#include "KissLink.h"

#include <QObject>

// The station's one engine link, on whichever kind of engine its address names: an AGWPE engine
// or a KISS TNC. A new address of the other kind ends the open link; the station then attaches
// to the new one as after any lost link.
class EngineSwitch : public QObject, public EngineLink {
    Q_OBJECT
public:
    EngineSwitch(const EngineAddress& address, const KissParameters& kiss);

    void setAddress(const EngineAddress& address) override;
    EngineLink& active() { return m_kissActive ? static_cast<EngineLink&>(m_kiss) : m_agw; }
    const EngineLink& active() const {
        return m_kissActive ? static_cast<const EngineLink&>(m_kiss) : m_agw;
    }

    qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) override {
        return active().startPoll(callSign, appName);
    }
    std::optional<EngineEvent> nextEvent() override { return active().nextEvent(); }
    qint16 send(const EngineCommand& command) override { return active().send(command); }
    void close() override { active().close(); }
    void beginAttach(const QByteArray& callSign, const QByteArray& appName) override {
        active().beginAttach(callSign, appName);
    }
    std::optional<qint16> attachResult() override { return active().attachResult(); }
    bool isAttached() const override { return active().isAttached(); }
    quint64 skippedMonitorFrames() const override { return active().skippedMonitorFrames(); }
    QString address() const override { return active().address(); }
    QString lastError() const override { return active().lastError(); }
    std::optional<QList<EnginePort>> ports() const override { return active().ports(); }
    bool reportsOutstanding() const override { return active().reportsOutstanding(); }
    void askOutstanding(const QByteArray& call, quint8 port) override {
        active().askOutstanding(call, port);
    }
    std::optional<quint32> takeOutstanding(const QByteArray& call) override {
        return active().takeOutstanding(call);
    }
    void forgetOutstanding(const QByteArray& call) override { active().forgetOutstanding(call); }

signals:
    void bytesArrived();

private:
    AgwTcpLink m_agw;
    KissLink m_kiss;
    bool m_kissActive = false;
};
