#include "MonitorFilterSettings.h"

#include <algorithm>
#include <utility>

namespace {
// Split by hand: a regular expression would load and compile its engine at start-up for this
// alone.
QStringList words(const QString& text) {
    QStringList out;
    QString word;
    // Enough for every port and the most calls: a pasted novel is not split whole.
    for (const QChar c : QStringView(text).left(8192)) {
        if (!c.isSpace() && c != QLatin1Char(',') && c != QLatin1Char(';'))
            word += c;
        else if (!word.isEmpty())
            out.append(std::exchange(word, QString()));
    }
    if (!word.isEmpty())
        out.append(word);
    return out;
}

bool isCall(const QString& word) {
    if (word.size() > MonitorFilterSettings::kMaxCallLength)
        return false;
    return std::all_of(word.begin(), word.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-');
    });
}
} // namespace

QList<int> MonitorFilterSettings::portsFromText(const QString& text) {
    QList<int> ports;
    for (const QString& word : words(text)) {
        bool ok = false;
        const int port = word.toInt(&ok);
        if (ok && port >= 0 && port <= 255 && !ports.contains(port))
            ports.append(port);
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

QStringList MonitorFilterSettings::callsFromText(const QString& text) {
    QStringList calls;
    for (const QString& word : words(text)) {
        const QString call = word.toUpper();
        if (calls.size() < kMaxCalls && isCall(call) && !calls.contains(call))
            calls.append(call);
    }
    return calls;
}

QString MonitorFilterSettings::portsText(const QList<int>& ports) {
    QStringList out;
    for (int port : ports)
        out.append(QString::number(port));
    return out.join(QLatin1Char(' '));
}
