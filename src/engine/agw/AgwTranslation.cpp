#include "AgwTranslation.h"

#include <QtEndian>

#include <algorithm>
#include <cctype>

#include <utility>

namespace {

void stripOneNul(QByteArray& text) {
    if (text.endsWith('\0'))
        text.chop(1);
}

std::optional<EngineEvent::FrameClass> frameClassOf(char kind) {
    switch (kind) {
    case 'I':
        return EngineEvent::FrameClass::Information;
    case 'S':
        return EngineEvent::FrameClass::LinkControl;
    case 'U':
        return EngineEvent::FrameClass::Unproto;
    case 'T':
        return EngineEvent::FrameClass::Transmitted;
    default:
        return std::nullopt;
    }
}

constexpr int kMaxVia = 7;
constexpr int kViaField = 10; // a call, NUL padded

// The digipeaters as 'v' and 'V' frames carry them: their count, then one field each. Empty when
// the engine could not take them.
QByteArray viaFields(const QList<QByteArray>& via) {
    if (via.size() > kMaxVia)
        return {};
    QByteArray fields(1, char(via.size()));
    for (const QByteArray& call : via) {
        if (call.isEmpty() || call.size() >= kViaField)
            return {};
        fields += call.leftJustified(kViaField, '\0');
    }
    return fields;
}

// The engine monitors our own connections too; the station sees those as connected data.
bool belongsToOwnLink(const AgwFrame& frame, const QByteArray& ownCall, bool registered) {
    if (frame.kind == 'I' || frame.kind == 'S')
        return registered && frame.callTo.compare(ownCall, Qt::CaseInsensitive) == 0;
    if (frame.kind == 'T') {
        const qsizetype lineEnd = frame.data.indexOf('\r');
        const QByteArray header = lineEnd < 0 ? frame.data : frame.data.left(lineEnd);
        return !header.contains("<UI");
    }
    return false;
}

constexpr qsizetype kMaxPortDescription = 80;

// "Port2 first soundcard right" numbers itself; an entry without that takes its place in the list.
std::optional<EnginePort> portEntry(QByteArray entry, int place) {
    entry = entry.trimmed();
    if (entry.isEmpty() || entry.toUpper().contains("INVALID"))
        return std::nullopt;
    int number = place;
    if (entry.left(4).compare("port", Qt::CaseInsensitive) == 0) {
        qsizetype end = 4;
        while (end < entry.size() && end < 8 && std::isdigit(static_cast<uchar>(entry[end])))
            ++end;
        bool ok = false;
        const int named = entry.mid(4, end - 4).toInt(&ok);
        if (ok) {
            number = named;
            entry = entry.mid(end).trimmed();
        }
    }
    if (number < 1 || number > 256)
        return std::nullopt;
    QString description = QString::fromLatin1(entry.left(kMaxPortDescription));
    for (QChar& c : description)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return EnginePort{quint8(number - 1), description};
}

} // namespace

QList<EnginePort> parsePortList(const QByteArray& answer) {
    QList<EnginePort> ports;
    const qsizetype nul = answer.indexOf('\0');
    const QList<QByteArray> fields = (nul < 0 ? answer : answer.left(nul)).split(';');
    // The first field is the engine's count, which the entries themselves tell better.
    for (qsizetype i = 1; i < fields.size() && i <= 256; ++i) {
        const std::optional<EnginePort> port = portEntry(fields[i], int(i));
        if (port && std::none_of(ports.cbegin(), ports.cend(), [&](const EnginePort& known) {
                return known.number == port->number;
            }))
            ports.append(*port);
    }
    return ports;
}

FromEngine toReceived(AgwFrame&& frame, const QByteArray& ownCall, bool registered) {
    FromEngine result;
    EngineEvent::Type type = EngineEvent::Type::Monitored;
    switch (frame.kind) {
    case 'C':
        type = EngineEvent::Type::Connected;
        stripOneNul(frame.data);
        break;
    case 'd':
        type = EngineEvent::Type::Disconnected;
        stripOneNul(frame.data);
        break;
    case 'D':
        type = EngineEvent::Type::StationData; // the bytes as they came off the air, NULs and all
        break;
    case 'G':
        result.ports = parsePortList(frame.data);
        return result;
    case 'X':
        result.registerAnswer = frame.data.isEmpty() ? quint8(0) : quint8(frame.data.at(0));
        return result;
    case 'Y':
        // A count is four bytes and nothing else. The engine names our call in one field and the
        // remote station in the other; which one is not ours is the link asked about.
        if (frame.data.size() == 4) {
            const bool remoteIsTo = frame.callTo.compare(ownCall, Qt::CaseInsensitive) != 0;
            result.outstanding = OutstandingAnswer{
                remoteIsTo ? frame.callTo : frame.callFrom,
                qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(frame.data.constData()))};
        }
        return result;
    default: {
        const std::optional<EngineEvent::FrameClass> heard = frameClassOf(frame.kind);
        if (!heard || belongsToOwnLink(frame, ownCall, registered))
            return result;
        stripOneNul(frame.data);
        result.monitored = true;
        // The parse gives back the text it took apart, byte for byte: written once is enough.
        QString text = QString::fromLatin1(frame.data);
        MonitoredFrame parsed = parseMonitoredFrame(text, frame.port);
        result.event = EngineEvent::monitored(*heard, QString::fromLatin1(frame.callFrom),
                                              std::move(parsed), std::move(text));
        return result;
    }
    }
    EngineEvent event;
    event.type = type;
    event.call = QString::fromLatin1(frame.callFrom);
    event.text = QString::fromLatin1(frame.data);
    event.port = frame.port;
    result.event = std::move(event);
    return result;
}

int kindLetter(const EngineEvent& event) {
    switch (event.type) {
    case EngineEvent::Type::Connected:
        return 'c';
    case EngineEvent::Type::Disconnected:
    case EngineEvent::Type::Refused:
        return 'd';
    case EngineEvent::Type::StationData:
        return 'D';
    case EngineEvent::Type::Monitored:
        break;
    }
    switch (event.frameClass) {
    case EngineEvent::FrameClass::Information:
        return 'I';
    case EngineEvent::FrameClass::LinkControl:
        return 'S';
    case EngineEvent::FrameClass::Transmitted:
        return 'T';
    case EngineEvent::FrameClass::Unproto:
        break;
    }
    return 'U';
}

ToEngine toEngine(const EngineCommand& command, const QByteArray& ownCall) {
    ToEngine result;
    AgwFrame frame;
    bool split = false;
    QByteArray head; // the digipeaters of an unproto frame, before each piece of its data
    if (const auto* c = std::get_if<ConnectCommand>(&command)) {
        const QByteArray via = viaFields(c->via);
        // The engine keeps retrying a connect without both calls and never gives up on it.
        result.refused = c->call.isEmpty() || ownCall.isEmpty() || via.isEmpty();
        frame = c->via.isEmpty() ? AgwFrame{c->port, 'C', 0, ownCall, c->call, {}}
                                 : AgwFrame{c->port, 'v', 0, ownCall, c->call, via};
    } else if (const auto* d = std::get_if<DisconnectCommand>(&command)) {
        result.refused = d->call.isEmpty();
        frame = {d->port, 'd', 0, ownCall, d->call, {}};
    } else if (const auto* l = std::get_if<LinkDataCommand>(&command)) {
        result.refused = l->call.isEmpty() || l->data.isEmpty();
        frame = {l->port, 'D', 0xF0, ownCall, l->call, l->data};
        split = true;
    } else if (const auto* u = std::get_if<UnprotoCommand>(&command)) {
        const QByteArray via = viaFields(u->via);
        result.refused = u->destination.isEmpty() || via.isEmpty();
        head = u->via.isEmpty() ? QByteArray() : via;
        frame = {u->port, u->via.isEmpty() ? 'M' : 'V', u->pid, ownCall, u->destination, u->data};
        split = true;
    }
    if (result.refused)
        return result;

    const QByteArray payload = frame.data;
    if (!split || payload.size() <= kMaxAgwOutgoingData) {
        frame.data = split ? head + payload : payload;
        result.frames.append(frame);
        return result;
    }
    for (qsizetype at = 0; at < payload.size(); at += kMaxAgwOutgoingData) {
        frame.data = head + payload.mid(at, kMaxAgwOutgoingData);
        result.frames.append(frame);
    }
    return result;
}
