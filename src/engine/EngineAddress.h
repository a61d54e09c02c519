#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Where the engine is and how to speak to it: an AGWPE engine over TCP, or a KISS TNC over TCP
// or a serial device (USB, Bluetooth rfcomm, a pseudo-terminal).
struct EngineAddress {
    enum class Protocol { Agw, Kiss };
    static constexpr quint16 kDefaultAgwPort = 8000;
    static constexpr quint16 kDefaultKissPort = 8001;
    static constexpr qint32 kDefaultBaud = 9600;

    Protocol protocol = Protocol::Agw;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = kDefaultAgwPort;
    QString device; // KISS over a serial device when not empty
    qint32 baud = kDefaultBaud;

    bool isSerial() const { return protocol == Protocol::Kiss && !device.isEmpty(); }
    // As the operator types it: "host:port", "kiss host:port" or "kiss DEVICE [BAUD]".
    QString text() const;
    // None when the text is none of those; the port 1 to 65535, the baud rate 300 to 921600.
    static std::optional<EngineAddress> parse(const QString& text);
    friend bool operator==(const EngineAddress&, const EngineAddress&) = default;
};
