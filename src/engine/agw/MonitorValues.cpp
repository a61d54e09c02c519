#include "MonitorValues.h"

#include "AgwTranslation.h"

namespace {
// The fixed fields the engine's client library fills: the sender, ended by a NUL, and the data,
// neither cut to the call nor to the data length.
constexpr int kSenderFieldSize = 25;
constexpr int kDataFieldSize = 4000;

QString field(const QByteArray& bytes, int size) {
    QByteArray out = bytes.left(size);
    out.append(QByteArray(size - out.size(), '\0'));
    return QString::fromLatin1(out);
}
} // namespace

MonitorValues monitorValues(const std::optional<EngineEvent>& event) {
    if (!event)
        return {QStringLiteral("0"), field({}, kSenderFieldSize), field({}, kDataFieldSize),
                QStringLiteral("0"), QStringLiteral("0"),         QStringLiteral("0")};
    return {QStringLiteral("1"),
            field(event->call.toLatin1(), kSenderFieldSize),
            field(event->text.toLatin1(), kDataFieldSize),
            QString::number(event->text.size()),
            QString::number(kindLetter(*event)),
            QString::number(event->port)};
}
