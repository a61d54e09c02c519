#include "LinkBacklog.h"

#include "EngineLink.h"
#include "TextRoutines.h"

void LinkBacklog::noteSent(const QString& call, quint8 port, int frames) {
    // Only a connected station has a link at the engine to ask about.
    if (!m_engine.reportsOutstanding() || m_state.channels.channelOf(call) == ChannelTable::kNone)
        return;
    Link* link = find(call);
    if (!link) {
        m_links.append(Link{call, port});
        link = &m_links.last();
    }
    link->sinceAnswered += quint64(frames);
    link->sinceAsked += quint64(frames);
}

void LinkBacklog::step(bool tick) {
    if (m_state.engineLost)
        m_links.clear(); // the engine dropped its links with the connection
    for (auto it = m_links.begin(); it != m_links.end();) {
        Link& link = *it;
        if (link.askedTicks >= 0) {
            if (const std::optional<quint32> answer =
                    m_engine.takeOutstanding(link.call.toLatin1())) {
                link.answered = *answer;
                link.sinceAnswered = link.sinceAsked;
                link.askedTicks = -1;
                link.silentTicks = 0;
            } else if (tick) {
                ++link.silentTicks;
                if (++link.askedTicks > kAnswerTicks)
                    link.askedTicks = -1;
            }
        }
        const bool ended = m_state.channels.channelOf(link.call) == ChannelTable::kNone;
        if (ended || (link.askedTicks < 0 && link.answered == 0 && link.sinceAnswered == 0)) {
            // An unanswered question must not hold one of the engine link's few places.
            m_engine.forgetOutstanding(link.call.toLatin1());
            it = m_links.erase(it);
            continue;
        }
        if (tick && link.askedTicks < 0) {
            link.sinceAsked = 0;
            link.askedTicks = 0;
            m_engine.askOutstanding(link.call.toLatin1(), link.port);
        }
        ++it;
    }
    showFront();
}

quint64 LinkBacklog::waiting(const QString& call) const {
    const Link* link = find(call);
    return link ? link->answered + link->sinceAnswered : 0;
}

int LinkBacklog::silentTicks(const QString& call) const {
    const Link* link = find(call);
    return link ? link->silentTicks : 0;
}

void LinkBacklog::showFront() {
    QString text;
    if (const Link* link = find(m_state.selectedCall); link && link->answered > 0)
        text = (link->answered == 1 ? QStringLiteral("1 frame waiting to go out to %2")
                                    : QStringLiteral("%1 frames waiting to go out to %2")
                                          .arg(groupedCount(link->answered)))
                   .arg(link->call);
    // Cleared once nothing waits, when there was something to say before.
    if (text != m_notice) {
        m_notice = text;
        m_view.showNotice(text);
    }
}

LinkBacklog::Link* LinkBacklog::find(const QString& call) {
    for (Link& link : m_links)
        if (link.call.compare(call, Qt::CaseInsensitive) == 0)
            return &link;
    return nullptr;
}

const LinkBacklog::Link* LinkBacklog::find(const QString& call) const {
    return const_cast<LinkBacklog*>(this)->find(call);
}
