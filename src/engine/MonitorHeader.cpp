#include "MonitorHeader.h"

#include <QString>

namespace {
// The word that starts at `at`, up to the next blank or the end.
QStringView wordAt(QStringView line, qsizetype at) {
    qsizetype end = at;
    while (end < line.size() && line[end] != QLatin1Char(' ') && line[end] != QLatin1Char('>'))
        ++end;
    return line.mid(at, end - at);
}
} // namespace

MonitorHeader parseMonitorHeader(QStringView data) {
    QStringView line = data.left(kMaxHeaderLength);
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\r') || line[i] == QLatin1Char('\n')) {
            line = line.left(i);
            break;
        }
    }
    MonitorHeader header;
    const qsizetype open = line.indexOf(QLatin1Char('<'));
    const QStringView addresses = open < 0 ? line : line.left(open);
    if (open >= 0)
        header.control = wordAt(line, open + 1);
    const qsizetype from = addresses.indexOf(QLatin1String("Fm "));
    if (from < 0)
        return header;
    const qsizetype to = addresses.indexOf(QLatin1String(" To "), from);
    if (to < 0)
        return header;
    header.destination = wordAt(addresses, to + 4);
    const qsizetype via = to + 4 + header.destination.size();
    if (addresses.mid(via).startsWith(QLatin1String(" Via ")))
        header.path = wordAt(addresses, via + 5);
    return header;
}
