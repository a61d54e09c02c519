#include "KissLink.h"

#include "Ax25Frame.h"
#include "KissMonitor.h"
#include "TcpStream.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTime>

#include <algorithm>

namespace {
constexpr qsizetype kReadLimit = 1 << 20;
constexpr qsizetype kReadChunk = 1 << 16; // a poll's work stays bounded on a fast TNC

QByteArray initBytes(const QString& text) {
    QString expanded = text;
    expanded.replace(QLatin1String("\\r"), QLatin1String("\r"));
    expanded.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return expanded.toLatin1();
}

std::optional<Ax25Address> addressOf(const QByteArray& call) {
    return Ax25Address::fromText(call);
}

std::optional<QList<Ax25Address>> pathOf(const QList<QByteArray>& calls) {
    if (calls.size() > Ax25Frame::kMaxDigipeaters)
        return std::nullopt;
    QList<Ax25Address> path;
    for (const QByteArray& call : calls) {
        const std::optional<Ax25Address> digi = addressOf(call);
        if (!digi)
            return std::nullopt;
        path.append(*digi);
    }
    return path;
}

// As an AGWPE engine does, the frames of the station's own links are not shown as monitored.
bool ofOwnLink(const Ax25Frame& frame, const QByteArray& ownCall) {
    return frame.kind != Ax25Kind::UI && frame.destination.text() == ownCall;
}
} // namespace

KissLink::KissLink(const EngineAddress& address, const KissParameters& parameters)
    : m_address(address), m_parameters(parameters) {
    m_clock.start();
}

KissLink::~KissLink() {
    close();
}

qint16 KissLink::startPoll(const QByteArray& callSign, const QByteArray& appName) {
    Q_UNUSED(appName)
    if (!isAttached() && !open())
        return 0;
    // The TNC registers nobody: the call only goes into the frames this link makes.
    const std::optional<Ax25Address> self = addressOf(callSign);
    if (!self)
        return 0;
    m_call = self->text();
    m_links.setOwnCall(*self);
    return 1;
}

bool KissLink::open() {
    close();
    m_decoder.reset();
    m_links.clear(); // the station ends its channels' links itself when the TNC goes
    m_links.setParameters(m_parameters.link);
    if (m_address.isSerial()) {
        m_serial = std::make_unique<QSerialPort>(m_address.device);
        m_serial->setBaudRate(m_address.baud);
        if (!m_serial->open(QIODevice::ReadWrite)) {
            lost(m_serial->errorString());
            return false;
        }
        connect(m_serial.get(), &QSerialPort::readyRead, this, &KissLink::bytesArrived);
    } else {
        m_tcp = std::make_unique<TcpStream>(kReadLimit);
        m_tcp->connectToHost(m_address.host, m_address.port);
        if (!m_tcp->waitForConnected(kOpenTimeoutMs)) {
            lost(m_tcp->errorString().isEmpty() ? QStringLiteral("no answer")
                                                : m_tcp->errorString());
            return false;
        }
        m_tcp->setLowDelay();
        connect(m_tcp.get(), &TcpStream::readyRead, this, &KissLink::bytesArrived);
    }
    QByteArray hello = initBytes(m_parameters.init);
    hello += kiss::encode(0, kiss::Command::TxDelay, QByteArray(1, char(m_parameters.txDelay)));
    hello +=
        kiss::encode(0, kiss::Command::Persistence, QByteArray(1, char(m_parameters.persistence)));
    hello += kiss::encode(0, kiss::Command::SlotTime, QByteArray(1, char(m_parameters.slotTime)));
    return write(hello);
}

void KissLink::close() {
    if (m_tcp)
        m_tcp->disconnectFromHost();
    m_tcp.reset();
    if (m_serial)
        m_serial->close();
    m_serial.reset();
}

bool KissLink::isAttached() const {
    if (m_serial)
        return m_serial->isOpen();
    return m_tcp && m_tcp->state() == TcpStream::State::Connected;
}

void KissLink::lost(const QString& why) {
    m_lastError = QStringLiteral("%1: %2").arg(m_address.text(), why);
    close();
}

bool KissLink::write(const QByteArray& bytes) {
    if (m_serial && m_serial->write(bytes) == bytes.size())
        return true;
    if (m_tcp && m_tcp->write(bytes))
        return true;
    if (m_serial || m_tcp)
        lost(m_serial ? m_serial->errorString() : m_tcp->errorString());
    return false;
}

void KissLink::readTransport() {
    QByteArray bytes;
    // The waits of no time fill the buffers when no event loop runs.
    if (m_serial) {
        if (m_serial->bytesAvailable() <= 0)
            m_serial->waitForReadyRead(0);
        bytes = m_serial->read(kReadChunk);
        if (m_serial->error() == QSerialPort::ResourceError)
            lost(m_serial->errorString()); // the device went away
    } else if (m_tcp) {
        if (m_tcp->bytesAvailable() <= 0)
            m_tcp->waitForReadyRead(0);
        bytes = m_tcp->read(kReadChunk);
        if (m_tcp->state() != TcpStream::State::Connected)
            lost(m_tcp->errorString().isEmpty() ? QStringLiteral("the TNC closed the connection")
                                                : m_tcp->errorString());
    }
    m_decoder.feed(bytes);
    while (std::optional<kiss::KissFrame> in = m_decoder.next()) {
        if (in->command != kiss::Command::Data)
            continue; // TNCs answer nothing else; anything more is noise
        const std::optional<Ax25Frame> frame = decodeAx25(in->payload);
        if (!frame) {
            ++m_skipped;
            continue;
        }
        m_links.receive(*frame, in->port, m_clock.elapsed());
        if (!ofOwnLink(*frame, m_call))
            queue(monitoredEvent(*frame, in->port, false, QTime::currentTime()));
    }
    serviceLinks();
}

void KissLink::serviceLinks() {
    m_links.tick(m_clock.elapsed());
    for (const LinkTable::Outgoing& out : m_links.takeOutgoing())
        if (!write(kiss::encode(out.port, kiss::Command::Data, encodeAx25(out.frame))))
            break;
    for (EngineEvent& event : m_links.takeEvents())
        queue(std::move(event));
}

void KissLink::queue(EngineEvent event) {
    if (m_events.size() >= size_t(kMaxQueuedEvents)) {
        // The oldest frame heard goes: the air is what it is now. What a link said never goes.
        const auto heard = std::find_if(m_events.begin(), m_events.end(), [](const auto& e) {
            return e.type == EngineEvent::Type::Monitored;
        });
        if (heard != m_events.end()) {
            ++m_skipped;
            m_events.erase(heard);
        }
    }
    m_events.push_back(std::move(event));
}

std::optional<EngineEvent> KissLink::nextEvent() {
    readTransport();
    if (m_events.empty())
        return std::nullopt;
    EngineEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

std::optional<quint32> KissLink::takeOutstanding(const QByteArray& call) {
    const std::optional<Ax25Address> remote = addressOf(call);
    return remote ? m_links.outstanding(*remote) : std::nullopt;
}

qint16 KissLink::sendOnLink(const EngineCommand& command) {
    const qint64 now = m_clock.elapsed();
    bool done = true;
    if (const auto* c = std::get_if<ConnectCommand>(&command)) {
        const std::optional<Ax25Address> to = addressOf(c->call);
        const std::optional<QList<Ax25Address>> via = pathOf(c->via);
        done = to && via && m_links.connect(*to, *via, c->port, now);
    } else if (const auto* d = std::get_if<DisconnectCommand>(&command)) {
        const std::optional<Ax25Address> to = addressOf(d->call);
        if (to)
            m_links.disconnect(*to, d->port, now);
        done = to.has_value();
    } else if (const auto* data = std::get_if<LinkDataCommand>(&command)) {
        const std::optional<Ax25Address> to = addressOf(data->call);
        done = to && m_links.send(*to, data->data, now);
    }
    serviceLinks();
    return done && isAttached() ? 1 : 0;
}

qint16 KissLink::send(const EngineCommand& command) {
    // A KISS port is a nibble: a higher one would go out on another radio.
    const auto portOf = [](const auto& c) { return c.port; };
    if (!isAttached() || m_call.isEmpty() || std::visit(portOf, command) > 15)
        return 0;
    const auto* unproto = std::get_if<UnprotoCommand>(&command);
    if (!unproto)
        return sendOnLink(command);
    const std::optional<Ax25Address> from = addressOf(m_call);
    const std::optional<Ax25Address> to = addressOf(unproto->destination);
    const std::optional<QList<Ax25Address>> via = pathOf(unproto->via);
    if (!from || !to || !via)
        return 0;
    for (qsizetype at = 0; at < qMax<qsizetype>(unproto->data.size(), 1); at += kMaxInfo) {
        const Ax25Frame frame =
            Ax25Frame::ui(*to, *from, *via, unproto->pid, unproto->data.mid(at, kMaxInfo));
        if (!write(kiss::encode(unproto->port, kiss::Command::Data, encodeAx25(frame))))
            return 0;
        // The TNC does not echo what it sends; the monitor shows it as an engine would.
        queue(monitoredEvent(frame, unproto->port, true, QTime::currentTime()));
    }
    return 1;
}
