#pragma once

#include "EngineAddress.h"
#include "EngineLink.h"
#include "KissFraming.h"
#include "KissParameters.h"
#include "LinkTable.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class QSerialPort;
class TcpStream;

// The engine link over a KISS TNC, on TCP or a serial device. The TNC only sends and hears
// frames: this link frames them, shows the frames heard and sent as the monitor of an AGWPE
// engine would, sends unproto frames, and holds the station's connected links itself.
// Use it from one thread only.
class KissLink : public QObject, public EngineLink {
    Q_OBJECT
public:
    static constexpr int kOpenTimeoutMs = 2000;
    static constexpr int kMaxQueuedEvents = 1000;
    static constexpr int kMaxInfo = 256; // longer unproto text goes in several frames

    KissLink(const EngineAddress& address, const KissParameters& parameters);
    ~KissLink() override;
    KissLink(const KissLink&) = delete;
    KissLink& operator=(const KissLink&) = delete;

    // Take effect at the next attach; an open link is left alone.
    void setAddress(const EngineAddress& address) override { m_address = address; }
    void setParameters(const KissParameters& parameters) { m_parameters = parameters; }

    qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) override;
    std::optional<EngineEvent> nextEvent() override;
    qint16 send(const EngineCommand& command) override;
    void close() override;
    bool isAttached() const override;
    quint64 skippedMonitorFrames() const override { return m_skipped + m_decoder.dropped(); }
    QString address() const override { return m_address.text(); }
    QString lastError() const override { return m_lastError; }
    bool reportsOutstanding() const override { return true; }
    std::optional<quint32> takeOutstanding(const QByteArray& call) override;
    // I frames sent again since the link was made, over every connected link.
    quint64 retransmitted() const { return m_links.retransmitted(); }

signals:
    void bytesArrived(); // only with an event loop

private:
    bool open();
    bool write(const QByteArray& bytes);
    void readTransport();
    void queue(EngineEvent event);
    void lost(const QString& why);
    qint16 sendOnLink(const EngineCommand& command);
    // Puts the links' frames on the air and hands their notices on.
    void serviceLinks();

    EngineAddress m_address;
    KissParameters m_parameters;
    std::unique_ptr<TcpStream> m_tcp;
    std::unique_ptr<QSerialPort> m_serial;
    kiss::Decoder m_decoder;
    LinkTable m_links;
    QElapsedTimer m_clock;
    std::deque<EngineEvent> m_events;
    QByteArray m_call;
    QString m_lastError;
    quint64 m_skipped = 0;
};
