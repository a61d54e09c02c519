#include "MonitorValues.h"

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

MonitorValues monitorValues(qint16 result, const ReceivedFrame& frame) {
    return {QString::number(result),           field(frame.senderField, kSenderFieldSize),
            field(frame.data, kDataFieldSize), QString::number(frame.length),
            QString::number(frame.kind),       QString::number(frame.port)};
}
