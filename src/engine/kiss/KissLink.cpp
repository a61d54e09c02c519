#include "KissLink.h"

#include "Ax25Frame.h"
#include "KissMonitor.h"
#include "TcpStream.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTime>

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
} // namespace

KissLink::KissLink(const EngineAddress& address, const KissParameters& parameters)
    : m_address(address), m_parameters(parameters) {}

KissLink::~KissLink() {
    close();
}

QString KissLink::whyNoLinks() const {
    return QStringLiteral("the station cannot hold a link over a KISS TNC yet");
}

qint16 KissLink::startPoll(const QByteArray& callSign, const QByteArray& appName) {
    Q_UNUSED(appName)
    if (!isAttached() && !open())
        return 0;
    // The TNC registers nobody: the call only goes into the frames this link makes.
    m_call = callSign.toUpper();
    return addressOf(m_call) ? 1 : 0;
}

bool KissLink::open() {
    close();
    m_decoder.reset();
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
        if (const std::optional<Ax25Frame> frame = decodeAx25(in->payload))
            queue(monitoredEvent(*frame, in->port, false, QTime::currentTime()));
        else
            ++m_skipped;
    }
}

void KissLink::queue(EngineEvent event) {
    if (m_events.size() >= size_t(kMaxQueuedEvents)) {
        ++m_skipped; // the oldest goes: the air is what it is now
        m_events.pop_front();
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

qint16 KissLink::send(const EngineCommand& command) {
    const auto* unproto = std::get_if<UnprotoCommand>(&command);
    const std::optional<Ax25Address> from = addressOf(m_call);
    const std::optional<Ax25Address> to = unproto ? addressOf(unproto->destination) : std::nullopt;
    // A KISS port is a nibble: a higher one would go out on another radio.
    if (!unproto || !from || !to || unproto->via.size() > Ax25Frame::kMaxDigipeaters ||
        unproto->port > 15 || !isAttached())
        return 0;
    QList<Ax25Address> via;
    for (const QByteArray& call : unproto->via) {
        const std::optional<Ax25Address> digi = addressOf(call);
        if (!digi)
            return 0;
        via.append(*digi);
    }
    for (qsizetype at = 0; at < qMax<qsizetype>(unproto->data.size(), 1); at += kMaxInfo) {
        const Ax25Frame frame =
            Ax25Frame::ui(*to, *from, via, unproto->pid, unproto->data.mid(at, kMaxInfo));
        if (!write(kiss::encode(unproto->port, kiss::Command::Data, encodeAx25(frame))))
            return 0;
        // The TNC does not echo what it sends; the monitor shows it as an engine would.
        queue(monitoredEvent(frame, unproto->port, true, QTime::currentTime()));
    }
    return 1;
}
