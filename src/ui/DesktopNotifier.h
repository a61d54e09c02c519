#pragma once

#include "ChannelTable.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <array>
#include <deque>

// Notices on the desktop through the session bus's notification service. Nothing ever waits on
// the service: with none running (or no bus at all) a notice is simply lost.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxSummaryChars = 64;
    static constexpr qsizetype kMaxBodyChars = 240;

    explicit DesktopNotifier(QObject* parent = nullptr,
                             QDBusConnection bus = QDBusConnection::sessionBus());

    // Shows a notice for the channel in place of its last one. Both texts may come from the air:
    // they are made one printable line and cut here, and the body, which the service may read as
    // markup, is escaped.
    void notify(int channel, const QString& summary, const QString& body);

signals:
    // The operator clicked a notice of the channel.
    void activated(int channel);

private slots:
    void onActionInvoked(uint id, const QString& action);

private:
    struct Notice {
        int channel;
        QString summary, body;
    };
    void sendNext();

    QDBusConnection m_bus;
    // One call at a time; a service slow to answer makes notices wait here, the oldest dropped.
    std::deque<Notice> m_waiting;
    bool m_calling = false;
    std::array<uint, ChannelTable::kChannels> m_ids{}; // the service's id of each last notice
};
