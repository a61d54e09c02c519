#pragma once

#include "YappPackets.h"

#include <QByteArray>
#include <QString>

// Where received files go: the receiver only says what to store.
class YappSink {
public:
    virtual ~YappSink() = default;
    // Makes ready to store `header`'s file: the bytes already held of it from a broken transfer
    // (0 for none), or -1 with `why` when it cannot be stored.
    virtual qint64 open(const Yapp::Header& header, QString* why) = 0;
    // False when the bytes could not be stored (a full disk): the transfer ends.
    virtual bool append(QByteArrayView block) = 0;
    // The file is whole: it takes its name.
    virtual bool finish(const Yapp::Header& header) = 0;
    // The transfer broke off: what came is kept for a resume.
    virtual void keepPart() = 0;
};

// The receiving side of YAPP, started by a peer's SI, as a state machine with no I/O of its own.
// Between the header and the answer it waits for the operator's choice.
class YappReceiver {
public:
    enum class State { AwaitHeader, Deciding, Receiving, CancelWait, Done };
    enum class Outcome { Running, Received, Refused, Cancelled, Failed };

    YappReceiver(YappSink& sink, qint64 maxBytes) : m_sink(sink), m_maxBytes(maxBytes) {}

    QByteArray start(); // RR, the answer to SI
    QByteArray received(QByteArrayView bytes);
    QByteArray accept();
    QByteArray refuse();
    QByteArray silence();
    QByteArray stop(const QString& why);

    State state() const { return m_state; }
    Outcome outcome() const { return m_outcome; }
    QString reason() const { return m_reason; }
    const Yapp::Header& header() const { return m_header; }
    bool hasHeader() const { return m_hasHeader; }
    qint64 stored() const { return m_stored; }
    qint64 resumedFrom() const { return m_resumedFrom; }
    bool checksums() const { return m_checksums; }

private:
    static constexpr qsizetype kMaxEarlyBytes = 4096;

    QByteArray onPacket(const Yapp::Packet& packet);
    QByteArray onHeader(const Yapp::Packet& packet);
    QByteArray onData(const Yapp::Packet& packet);
    QByteArray onEof();
    QByteArray abort(const QString& why);
    void end(Outcome outcome, const QString& why);

    YappSink& m_sink;
    const qint64 m_maxBytes;
    Yapp::Reader m_reader;
    Yapp::Header m_header;
    State m_state = State::AwaitHeader;
    Outcome m_outcome = Outcome::Running;
    QString m_reason;
    bool m_checksums = false;
    qint64 m_stored = 0;
    qint64 m_resumedFrom = 0;
    bool m_hasHeader = false;
};
