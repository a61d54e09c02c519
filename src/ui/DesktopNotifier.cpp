#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr size_t kMaxWaiting = 8;
constexpr int kCallTimeoutMs = 5000;

// The text as one line of printable characters, at most `limit` of them.
QString oneLine(const QString& text, qsizetype limit) {
    QString out;
    bool gap = false;
    for (const QChar c : text) {
        const QChar::Category kind = c.category();
        if (c.isSpace() || c.isSurrogate() || kind == QChar::Other_Control ||
            kind == QChar::Other_Format) {
            gap = !out.isEmpty();
            continue;
        }
        if (gap)
            out += QLatin1Char(' ');
        gap = false;
        out += c;
        if (out.size() > limit) {
            out.truncate(limit - 1);
            out += QChar(0x2026); // an ellipsis: the rest is in the channel's view
            break;
        }
    }
    return out;
}
} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent, QDBusConnection bus)
    : QObject(parent), m_bus(std::move(bus)) {
    // Only the service's own signals count, whenever it appears on the bus.
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
}

void DesktopNotifier::notify(int channel, const QString& summary, const QString& body) {
    if (channel < 0 || channel >= ChannelTable::kChannels || !m_bus.isConnected())
        return;
    m_waiting.push_back({channel, oneLine(summary, kMaxSummaryChars),
                         oneLine(body, kMaxBodyChars).toHtmlEscaped()});
    if (m_waiting.size() > kMaxWaiting)
        m_waiting.pop_front();
    sendNext();
}

void DesktopNotifier::sendNext() {
    if (m_calling || m_waiting.empty())
        return;
    const Notice notice = std::move(m_waiting.front());
    m_waiting.pop_front();
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("packet-monitor")}};
    call << QStringLiteral("Packet Monitor") << m_ids[notice.channel] << QString() << notice.summary
         << notice.body << QStringList{QStringLiteral("default"), QStringLiteral("Show")} << hints
         << -1;
    m_calling = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, channel = notice.channel](QDBusPendingCallWatcher* answered) {
                // An error (no service, no answer in time) only loses this notice.
                const QDBusPendingReply<uint> reply = *answered;
                if (reply.isValid())
                    m_ids[channel] = reply.value();
                answered->deleteLater();
                m_calling = false;
                sendNext();
            });
}

void DesktopNotifier::onActionInvoked(uint id, const QString&) {
    // Each notice offers one action, so whichever the service names means "show me".
    for (int channel = 0; id != 0 && channel < ChannelTable::kChannels; ++channel) {
        if (m_ids[channel] == id) {
            emit activated(channel);
            return;
        }
    }
}
