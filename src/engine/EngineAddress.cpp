#include "EngineAddress.h"

#include <QStringList>

namespace {

std::optional<std::pair<QString, quint16>> hostAndPort(const QString& text) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        return std::nullopt;
    return std::pair{text.left(colon).trimmed(), quint16(port)};
}

// A device path, or a Windows port name ("COM3"): never mistaken for a host.
bool looksLikeDevice(const QString& word) {
    return word.startsWith(QLatin1Char('/')) ||
           word.startsWith(QLatin1String("COM"), Qt::CaseInsensitive);
}

} // namespace

QString EngineAddress::text() const {
    const QString tcp = host + QLatin1Char(':') + QString::number(port);
    if (protocol == Protocol::Agw)
        return tcp;
    return QStringLiteral("kiss ") +
           (isSerial() ? device + QLatin1Char(' ') + QString::number(baud) : tcp);
}

std::optional<EngineAddress> EngineAddress::parse(const QString& text) {
    QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    EngineAddress address;
    if (!words.isEmpty() &&
        words.first().compare(QLatin1String("kiss"), Qt::CaseInsensitive) == 0) {
        address.protocol = Protocol::Kiss;
        words.removeFirst();
    }
    if (address.protocol == Protocol::Kiss && !words.isEmpty() && looksLikeDevice(words.first())) {
        address.device = words.first();
        bool ok = words.size() == 1;
        if (words.size() == 2)
            address.baud = words[1].toInt(&ok);
        if (!ok || address.baud < 300 || address.baud > 921600)
            return std::nullopt;
        return address;
    }
    const auto tcp = hostAndPort(words.join(QLatin1Char(' ')));
    if (!tcp)
        return std::nullopt;
    address.host = tcp->first;
    address.port = tcp->second;
    return address;
}
