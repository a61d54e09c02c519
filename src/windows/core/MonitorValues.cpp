#include "MonitorValues.h"

namespace {
// Control characters would garble a label; show them as dots.
QString printable(const QByteArray& bytes) {
    QString out = QString::fromLatin1(bytes);
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('.');
    }
    return out;
}
} // namespace

MonitorValues monitorValues(qint16 result, const ReceivedFrame& frame) {
    return {QString::number(result),     printable(frame.senderField),
            printable(frame.data),       QString::number(frame.length),
            QString::number(frame.kind), QString::number(frame.port)};
}
