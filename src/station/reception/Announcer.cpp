#include "Announcer.h"

#include <QDateTime>

namespace {
// The lines of a piece of traffic as they are worth saying: no control characters, no blank
// lines, none longer than a person would listen to.
QStringList sayableLines(const QString& data) {
    QStringList lines;
    QString line;
    const auto finish = [&] {
        line = line.trimmed();
        if (!line.isEmpty())
            lines.append(line.left(Announcer::kMaxLineChars));
        line.clear();
    };
    for (const QChar c : data) {
        if (c == u'\r' || c == u'\n')
            finish();
        else if (c == u'\t')
            line += u' ';
        else if (c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() > 0x9f))
            line += c;
    }
    finish();
    return lines;
}
} // namespace

void Announcer::setLevel(int level) {
    m_level = qBound(int(Off), level, int(ChannelLines));
    if (m_level == Off)
        m_queues.clear();
}

bool Announcer::active(int needed) const {
    return m_level >= needed && m_output && m_output->listening();
}

void Announcer::lineReceived(const QString& call, const QString& data, bool inFront) {
    if (!active(ChannelLines))
        return;
    QStringList lines = sayableLines(data);
    if (lines.isEmpty())
        return;
    const QString key = call.toUpper();
    // The station is named once in front of what it said while its channel was behind.
    const bool named = !inFront && !m_queues.value(key).named;
    if (named)
        lines.first().prepend(key + QStringLiteral(": "));
    add(key, lines, !inFront);
}

void Announcer::connected(const QString& call, int channel) {
    if (active(ConnectsAndNotices))
        add(call.toUpper(),
            {QStringLiteral("%1 connected on channel %2").arg(call.toUpper()).arg(channel + 1)},
            false);
}

void Announcer::linkEnded(const QString& call, const QString& why) {
    if (active(ConnectsAndNotices))
        add(call.toUpper(), {QStringLiteral("Link to %1 ended: %2").arg(call.toUpper(), why)},
            false);
}

void Announcer::sendTarget(const QString& target) {
    // Its own queue, so a busy station's lines never hold it back.
    if (active(ConnectsAndNotices))
        add(QStringLiteral("\x01target"), {QStringLiteral("Plain lines go to ") + target}, false,
            true);
}

void Announcer::notice(const QString& text) {
    if (active(ConnectsAndNotices))
        add(QString(), sayableLines(text), false);
}

void Announcer::engineStatus(const QString& text) {
    if (!active(ConnectsAndNotices) || text == m_engineStatus)
        return;
    m_engineStatus = text;
    add(QString(), sayableLines(text), false);
}

void Announcer::add(const QString& key, const QStringList& lines, bool named, bool replace) {
    if (lines.isEmpty())
        return;
    Queue& queue = m_queues[key];
    if (replace)
        queue.lines.clear(), queue.dropped = 0;
    for (const QString& line : lines) {
        if (queue.lines.size() < kKeptLines)
            queue.lines.append(line);
        else
            ++queue.dropped;
    }
    queue.named = queue.named || named;
    const qint64 now = m_clock.nowMs();
    if (now - queue.saidAtMs >= kIntervalMs)
        say(queue, now);
}

void Announcer::flush() {
    if (m_queues.isEmpty())
        return;
    const qint64 now = m_clock.nowMs();
    for (auto it = m_queues.begin(); it != m_queues.end();) {
        if (it->lines.isEmpty() && now - it->saidAtMs >= kIntervalMs) {
            it = m_queues.erase(it); // quiet for a second: nothing left to hold back
            continue;
        }
        if (!it->lines.isEmpty() && now - it->saidAtMs >= kIntervalMs)
            say(*it, now);
        ++it;
    }
}

void Announcer::say(Queue& queue, qint64 now) {
    QString text = queue.lines.join(u'\n');
    if (queue.dropped == 1)
        text += QStringLiteral(" and 1 more line");
    else if (queue.dropped > 1)
        text += QStringLiteral(" and %1 more lines").arg(queue.dropped);
    queue.lines.clear();
    queue.dropped = 0;
    queue.named = false;
    queue.saidAtMs = now;
    if (m_output && m_output->listening())
        m_output->announce(text);
}
