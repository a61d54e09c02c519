#include "LinkTable.h"

#include <algorithm>

namespace {
// A frame sent through digipeaters is ours only once the last of them has repeated it.
bool arrived(const Ax25Frame& frame) {
    return std::all_of(frame.via.cbegin(), frame.via.cend(),
                       [](const Ax25Address& digi) { return digi.bit7; });
}

bool sameStation(const Ax25Address& a, const Ax25Address& b) {
    return a.call == b.call && a.ssid == b.ssid;
}
} // namespace

bool LinkTable::connect(const Ax25Address& remote, const QList<Ax25Address>& via, quint8 port,
                        qint64 nowMs) {
    if (m_links.contains(remote.text()) || m_links.size() >= size_t(kMaxLinks))
        return false;
    auto it =
        m_links
            .emplace(remote.text(), Entry{Ax25Link(m_self, remote, via, m_parameters), port, true})
            .first;
    it->second.link.connect(nowMs);
    collect(it);
    return true;
}

void LinkTable::disconnect(const Ax25Address& remote, quint8 port, qint64 nowMs) {
    const auto it = m_links.find(remote.text());
    if (it == m_links.end()) {
        notice(EngineEvent::Type::Disconnected, remote.text(), port,
               QStringLiteral("*** DISCONNECTED From Station %1\r")
                   .arg(QString::fromLatin1(remote.text())));
        return;
    }
    it->second.link.disconnect(nowMs);
    collect(it);
}

bool LinkTable::send(const Ax25Address& remote, const QByteArray& data, qint64 nowMs) {
    const auto it = m_links.find(remote.text());
    if (it == m_links.end() || !it->second.link.send(data, nowMs))
        return false;
    collect(it);
    return true;
}

std::optional<quint32> LinkTable::outstanding(const Ax25Address& remote) const {
    const auto it = m_links.find(remote.text());
    if (it == m_links.end())
        return std::nullopt;
    return quint32(it->second.link.outstanding());
}

void LinkTable::receive(const Ax25Frame& frame, quint8 port, qint64 nowMs) {
    for (auto& [call, entry] : m_links)
        if (entry.port == port)
            entry.link.channelBusy(frame);
    if (!sameStation(frame.destination, m_self) || !arrived(frame) || frame.kind == Ax25Kind::UI)
        return;
    const QByteArray from = frame.source.text();
    auto it = m_links.find(from);
    if (it != m_links.end() && it->second.port != port) {
        refuse(frame, port); // one link a call: the one on the other port stays
        return;
    }
    if (it == m_links.end()) {
        if (frame.kind != Ax25Kind::SABM) {
            refuse(frame, port);
            return;
        }
        if (m_links.size() >= size_t(kMaxLinks)) {
            refuse(frame, port);
            notice(EngineEvent::Type::Refused, from, port,
                   QStringLiteral("*** %1 called, but all %2 channels are busy: refused\r")
                       .arg(QString::fromLatin1(from))
                       .arg(kMaxLinks));
            return;
        }
        // The answer goes back the way the call came.
        QList<Ax25Address> back(frame.via.crbegin(), frame.via.crend());
        it = m_links
                 .emplace(from,
                          Entry{Ax25Link(m_self, frame.source, back, m_parameters), port, false})
                 .first;
    }
    it->second.link.receive(frame, nowMs);
    collect(it);
}

void LinkTable::tick(qint64 nowMs) {
    for (auto it = m_links.begin(); it != m_links.end();) {
        it->second.link.tick(nowMs);
        it = collect(it);
    }
}

QList<LinkTable::Outgoing> LinkTable::takeOutgoing() {
    // An acknowledgement owed for a burst goes out once the whole burst is in.
    for (auto& [call, entry] : m_links)
        for (Ax25Frame& frame : entry.link.takeOutgoing())
            m_out.append({entry.port, std::move(frame)});
    return std::exchange(m_out, {});
}

quint64 LinkTable::retransmitted() const {
    quint64 sum = m_retransmittedByEnded;
    for (const auto& [call, entry] : m_links)
        sum += entry.link.retransmitted();
    return sum;
}

void LinkTable::notice(EngineEvent::Type type, const QByteArray& call, quint8 port,
                       const QString& text) {
    EngineEvent event;
    event.type = type;
    event.call = QString::fromLatin1(call);
    event.text = text;
    event.port = port;
    m_events.append(std::move(event));
}

void LinkTable::refuse(const Ax25Frame& frame, quint8 port) {
    // Only a command is answered; SABME among them, so a newer peer falls back to SABM.
    const bool answered = frame.kind != Ax25Kind::XID && frame.kind != Ax25Kind::TEST &&
                          frame.kind != Ax25Kind::Unknown;
    if (frame.command && answered)
        m_out.append({port, Ax25Link::refusal(frame)});
}

LinkTable::Links::iterator LinkTable::collect(Links::iterator it) {
    Entry& entry = it->second;
    const QByteArray call = it->first;
    const QString name = QString::fromLatin1(call);
    for (const Ax25Link::Event& event : entry.link.takeEvents()) {
        switch (event.kind) {
        case Ax25Link::Event::Up:
            // A peer's restart of a live link changes nothing the station sees.
            if (event.reason.isEmpty())
                notice(EngineEvent::Type::Connected, call, entry.port,
                       (entry.weCalled ? QStringLiteral("*** CONNECTED With Station %1\r")
                                       : QStringLiteral("*** CONNECTED To Station %1\r"))
                           .arg(name));
            break;
        case Ax25Link::Event::Data:
            notice(EngineEvent::Type::StationData, call, entry.port,
                   QString::fromLatin1(event.data));
            break;
        case Ax25Link::Event::Down:
            notice(EngineEvent::Type::Disconnected, call, entry.port,
                   (event.reason == QLatin1String("retry-out")
                        ? QStringLiteral("*** DISCONNECTED RETRYOUT With %1\r")
                        : QStringLiteral("*** DISCONNECTED From Station %1\r"))
                       .arg(name));
            break;
        }
    }
    if (entry.link.state() != Ax25Link::State::Disconnected)
        return std::next(it);
    // Its last frames (the UA to a DISC, the DM after a retry-out) still go out.
    for (Ax25Frame& frame : entry.link.takeOutgoing())
        m_out.append({entry.port, std::move(frame)});
    m_retransmittedByEnded += entry.link.retransmitted();
    return m_links.erase(it);
}
