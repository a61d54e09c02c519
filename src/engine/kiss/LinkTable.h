#pragma once

#include "Ax25Link.h"
#include "EngineEvent.h"

#include <QByteArray>
#include <QList>

#include <map>
#include <optional>

// The station's connected links over a TNC, one per remote call: frames heard go to their link,
// what no link takes is refused as AX.25 asks, and what the links do reaches the station as the
// notices an AGWPE engine gives. No I/O and no clock: the caller hands in the time.
class LinkTable {
public:
    static constexpr int kMaxLinks = 7; // the station's channels

    struct Outgoing {
        quint8 port = 0;
        Ax25Frame frame;
    };

    void setOwnCall(const Ax25Address& call) { m_self = call; }
    void setParameters(const Ax25LinkParameters& parameters) { m_parameters = parameters; }

    // False when the call already has a link or no link is free.
    bool connect(const Ax25Address& remote, const QList<Ax25Address>& via, quint8 port,
                 qint64 nowMs);
    // A call with no link gets its disconnect notice at once, so no channel waits for one.
    void disconnect(const Ax25Address& remote, quint8 port, qint64 nowMs);
    bool send(const Ax25Address& remote, const QByteArray& data, qint64 nowMs);
    // Frames handed over for the link and not yet acknowledged; none without a link.
    std::optional<quint32> outstanding(const Ax25Address& remote) const;

    void receive(const Ax25Frame& frame, quint8 port, qint64 nowMs);
    void tick(qint64 nowMs);
    // Every link ends at once, without a frame: the TNC went away.
    void clear() { m_links.clear(); }

    QList<Outgoing> takeOutgoing();
    QList<EngineEvent> takeEvents() { return std::exchange(m_events, {}); }
    quint64 retransmitted() const;

private:
    struct Entry {
        Ax25Link link;
        quint8 port;
        bool weCalled;
    };
    using Links = std::map<QByteArray, Entry>;

    void notice(EngineEvent::Type type, const QByteArray& call, quint8 port, const QString& text);
    void refuse(const Ax25Frame& frame, quint8 port);
    // Takes the link's frames and events; forgets the link once it is down.
    Links::iterator collect(Links::iterator it);

    Ax25Address m_self;
    Ax25LinkParameters m_parameters;
    Links m_links;
    QList<Outgoing> m_out;
    QList<EngineEvent> m_events;
    quint64 m_retransmittedByEnded = 0;
};
