#include "HeardList.h"

#include <QDateTime>
#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

namespace {
// Calls, paths and times are printable ASCII without blanks; that also keeps the tab and the
// line end free for the file.
bool isPrintable(QChar c) {
    return c.unicode() > 0x20 && c.unicode() < 0x7F;
}

bool isPrintable(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isPrintable(c); });
}

// Sets `field` to the printable part of `text`, cut to `max`; makes a new string only when the
// field changes, which on a busy frequency it mostly does not.
void assignCleaned(QString& field, QStringView text, qsizetype max) {
    if (text.size() <= max && isPrintable(text)) {
        if (field != text)
            field = text.toString();
        return;
    }
    QString out;
    for (QChar c : text) {
        if (out.size() == max)
            break;
        if (isPrintable(c))
            out += c;
    }
    field = out;
}

QString isoTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

// One line of the file, or nothing when it is not one this list writes.
std::optional<HeardStation> decodeLine(const QString& line) {
    const QStringList f = line.split(QLatin1Char('\t'));
    if (f.size() != 6)
        return std::nullopt;
    HeardStation s;
    s.call = f[0].toUpper();
    const QDateTime when = QDateTime::fromString(f[1], Qt::ISODateWithMs).toUTC();
    bool framesOk = false, portOk = false;
    s.frames = f[2].toUInt(&framesOk);
    s.port = f[3].toInt(&portOk);
    s.destination = f[4];
    s.path = f[5];
    const bool ok = !s.call.isEmpty() && s.call.size() <= HeardList::kMaxCallLength &&
                    isPrintable(s.call) && f[1].size() <= 40 && when.isValid() &&
                    when.date().year() >= 1 && when.date().year() <= 9999 && framesOk &&
                    s.frames > 0 && portOk && s.port >= 0 && s.port <= 255 &&
                    s.destination.size() <= HeardList::kMaxCallLength &&
                    isPrintable(s.destination) && s.path.size() <= HeardList::kMaxPathLength &&
                    isPrintable(s.path);
    if (!ok)
        return std::nullopt;
    s.lastHeardMs = when.toMSecsSinceEpoch();
    return s;
}
} // namespace

bool HeardList::hear(const QString& call, qint64 whenMs, int port, QStringView destination,
                     QStringView path) {
    if (call.isEmpty() || call.size() > kMaxCallLength || !isPrintable(call))
        return false;
    const bool upper = std::none_of(call.begin(), call.end(), [](QChar c) { return c.isLower(); });
    const QString key = upper ? call : call.toUpper();
    HeardStation* station = nullptr;
    const auto found = m_index.constFind(key);
    if (found == m_index.constEnd()) {
        station = &add(key);
    } else {
        m_recent.splice(m_recent.begin(), m_recent, found.value());
        station = &m_recent.front();
    }
    station->lastHeardMs = whenMs;
    if (station->frames < std::numeric_limits<quint32>::max())
        ++station->frames;
    station->port = port;
    assignCleaned(station->destination, destination, kMaxCallLength);
    assignCleaned(station->path, path, kMaxPathLength);
    station->generation = ++m_generation;
    return true;
}

HeardStation& HeardList::add(const QString& call) {
    if (m_recent.size() >= size_t(kMaxStations)) {
        m_index.remove(m_recent.back().call);
        m_recent.pop_back();
    }
    m_recent.push_front(HeardStation{call, 0, 0, 0, {}, {}, 0});
    m_index.insert(call, m_recent.begin());
    return m_recent.front();
}

const HeardStation* HeardList::find(const QString& call) const {
    const auto found = m_index.constFind(call.toUpper());
    return found == m_index.constEnd() ? nullptr : &*found.value();
}

QList<HeardStation> HeardList::stations() const {
    return QList<HeardStation>(m_recent.begin(), m_recent.end());
}

void HeardList::clear() {
    m_recent.clear();
    m_index.clear();
    ++m_generation;
}

QByteArray HeardList::encode() const {
    QByteArray out;
    for (const HeardStation& s : m_recent) {
        out += s.call.toLatin1() + '\t' + isoTime(s.lastHeardMs).toLatin1() + '\t' +
               QByteArray::number(s.frames) + '\t' + QByteArray::number(s.port) + '\t' +
               s.destination.toLatin1() + '\t' + s.path.toLatin1() + "\r\n";
    }
    return out;
}

bool HeardList::decode(const QByteArray& bytes) {
    clear();
    if (bytes.count('\n') > kMaxStations + 1)
        return false;
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // after the last line end
    if (lines.size() > kMaxStations)
        return false;
    QList<HeardStation> read;
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const std::optional<HeardStation> s = decodeLine(QString::fromLatin1(line));
        if (!s || m_index.contains(s->call)) {
            clear();
            return false;
        }
        m_index.insert(s->call, {});
        read.append(*s);
    }
    // Most recent first, whatever order a hand-edited file has.
    std::stable_sort(read.begin(), read.end(), [](const HeardStation& a, const HeardStation& b) {
        return a.lastHeardMs > b.lastHeardMs;
    });
    m_index.clear();
    ++m_generation;
    for (HeardStation& s : read) {
        s.generation = m_generation;
        m_recent.push_back(s);
        m_index.insert(s.call, std::prev(m_recent.end()));
    }
    return true;
}
