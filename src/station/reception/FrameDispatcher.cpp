#include "FrameDispatcher.h"

#include "Announcer.h"
#include "BeaconAndCapture.h"
#include "BrowserPanes.h"
#include "Channels.h"
#include "Conference.h"
#include "EngineLink.h"
#include "HeardList.h"
#include "MonitorFilter.h"
#include "MonitorValues.h"
#include "PageStore.h"
#include "PrhPages.h"
#include "TabSelection.h"
#include "TextRoutines.h"
#include "TimeStamp.h"

#include <QElapsedTimer>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
using Type = EngineEvent::Type;

// Why a link ended, in the few words a listener needs.
QString endReason(const QString& notice) {
    if (notice.contains(QLatin1String("went away")))
        return QStringLiteral("the packet engine went away");
    if (notice.contains(QLatin1String("RETRYOUT"), Qt::CaseInsensitive))
        return QStringLiteral("no answer");
    return QStringLiteral("disconnected");
}
} // namespace

void FrameDispatcher::endLinkOfLostEngine(int channel) {
    const QString call = m_state.channels.call(channel);
    releaseChannel(channel, call,
                   QStringLiteral("*** Link to %1 ended: the packet engine went away\r").arg(call));
}

bool FrameDispatcher::dispatchWaiting(int budgetMs, bool timerPoll) {
    // Take what is waiting, not just one event, so a busy channel never leaves the monitor
    // behind the air; the time budget keeps the window responsive whatever an event costs.
    QElapsedTimer spent;
    spent.start();
    m_takenAtMs = m_clock.nowMs();
    bool more = true;
    // A helping of frames reaches the screen once, not frame by frame.
    m_parts.channels.texts().hold();
    for (bool first = true; more && (first || spent.elapsed() < budgetMs); first = false) {
        const std::optional<EngineEvent> event = take(first && timerPoll);
        more = event.has_value();
        if (more)
            dispatch(*event);
    }
    m_parts.channels.texts().release();
    reportSkippedMonitorFrames();
    m_parts.announcer.flush();
    return more;
}

std::optional<EngineEvent> FrameDispatcher::take(bool showEmptyPoll) {
    std::optional<EngineEvent> event = m_engine.nextEvent();
    // An empty poll shows only when it is the timer's one poll; otherwise the monitor keeps the
    // last event of the helping.
    if ((event || showEmptyPoll) && m_view.isMonitorVisible()) {
        const MonitorValues v = monitorValues(event);
        m_view.showMonitorValues(v.result, v.from, v.data, v.length, v.kind, v.port);
    }
    return event;
}

void FrameDispatcher::reportSkippedMonitorFrames() {
    const quint64 skipped = m_engine.skippedMonitorFrames();
    if (skipped == m_skippedShown)
        return;
    m_skippedShown = skipped;
    m_view.showNotice(QStringLiteral("monitor skipped %1 frames").arg(groupedCount(skipped)));
}

void FrameDispatcher::dispatch(const EngineEvent& event) {
    if (event.type != Type::StationData) {
        // The engine's notices show in All Traffic with the frames heard.
        if (m_parts.filter.shows(event)) {
            QString traffic = event.text;
            m_parts.channels.appendAllTraffic(traffic);
        }
        hear(event);
        const qsizetype cr = event.text.indexOf(QLatin1Char('\r'));
        QString capture = cr >= 0 ? event.text.mid(cr + 1) : event.text;
        m_parts.beacon.captureDxWx(capture);
    } else {
        hear(event);
    }

    if (event.type == Type::Refused) {
        m_beeper.beep();
        m_view.showNotice(event.call +
                          QStringLiteral(" called, but all %1 channels are busy: refused")
                              .arg(ChannelTable::kChannels));
        return;
    }
    int channel = m_state.channels.channelOf(event.call);
    if ((event.type == Type::Connected || event.type == Type::Disconnected) &&
        channel != ChannelTable::kNone && m_state.channels.route(channel).port != event.port) {
        refuseSecondLink(event, channel);
        return;
    }
    if (event.type == Type::Connected || event.type == Type::Disconnected) {
        m_beeper.beep();
        m_view.restoreNormal();
        if (event.type == Type::Disconnected) {
            if (m_endedAtMs.size() >= kMaxEndedRemembered)
                m_endedAtMs.clear(); // a storm of notices costs at most late frames shown aside
            m_endedAtMs.insert(event.call.toUpper(), m_takenAtMs);
            if (channel != ChannelTable::kNone)
                releaseChannel(channel, event.call, event.text);
            return;
        }
        channel = acceptConnection(event);
        // Before the window rises.
        if (channel != ChannelTable::kNone)
            for (LinkListener* listener : m_linkListeners)
                listener->linkOpened(event.call, channel);
        m_parts.channels.bringToFront();
        if (channel == ChannelTable::kNone) {
            // Left unanswered as before, but the operator learns of it.
            m_view.showNotice(event.call +
                              QStringLiteral(" connected, but all %1 channels are busy")
                                  .arg(ChannelTable::kChannels));
            return;
        }
    }
    if (channel == ChannelTable::kNone && event.type == Type::StationData)
        channel = adoptUnannouncedLink(event);
    // A binary transfer takes its link's data: none of it is text for the channel.
    if (channel != ChannelTable::kNone && event.type == Type::StationData &&
        m_parts.transfers.takeData(channel, event.call, event.text)) {
        m_state.idle.activity();
        return;
    }
    // Whatever a station on a channel sends reaches its channel, frames heard from it too.
    if (channel != ChannelTable::kNone)
        channelData(channel, event);
}

void FrameDispatcher::hear(const EngineEvent& event) {
    if (event.type == Type::StationData) {
        // A station working us is heard on every frame it sends; its path is the link's.
        const HeardStation* known = m_parts.heard.find(event.call);
        m_parts.heard.hear(event.call, m_takenAtMs, event.port, m_state.callSign,
                           known ? QStringView(known->path) : QStringView());
        return;
    }
    // What this station's engine sent is not heard, nor its echo from a digipeater, and notices
    // are not frames.
    if (event.type != Type::Monitored || event.frameClass == EngineEvent::FrameClass::Transmitted ||
        event.call.compare(m_state.callSign, Qt::CaseInsensitive) == 0)
        return;
    m_parts.heard.hear(event.call, m_takenAtMs, event.port, event.frame.destination,
                       event.frame.pathText());
}

int FrameDispatcher::adoptUnannouncedLink(const EngineEvent& event) {
    const auto ended = m_endedAtMs.constFind(event.call.toUpper());
    const bool late = ended != m_endedAtMs.cend() && m_takenAtMs - ended.value() <= kLateFrameMs;
    const bool busy = !late && m_state.channels.firstFree() == ChannelTable::kNone;
    if (late || busy) {
        QString text = event.call +
                       (late ? QStringLiteral(" after its link ended: ")
                             : QStringLiteral(" with no channel free: ")) +
                       event.text;
        m_parts.channels.appendAllTraffic(text);
        if (busy)
            m_view.showNotice(event.call +
                              QStringLiteral(" sent data, but all %1 channels are busy")
                                  .arg(ChannelTable::kChannels));
        return ChannelTable::kNone;
    }
    const int x = acceptConnection(event, false);
    m_parts.channels.appendToView(
        channelView(x),
        QStringLiteral("*** Link with %1: the packet engine had not announced it").arg(event.call) +
            kCrLf);
    return x;
}

void FrameDispatcher::refuseSecondLink(const EngineEvent& event, int held) {
    // The station's link to that call stays; one on another port would share its channel.
    if (event.type == Type::Disconnected)
        return;
    m_engine.send(DisconnectCommand{event.call.toLatin1(), quint8(event.port)});
    m_view.showNotice(QStringLiteral("%1 connected on port %2, but is already on channel %3; "
                                     "that link was ended")
                          .arg(event.call)
                          .arg(event.port)
                          .arg(held + 1));
}

int FrameDispatcher::acceptConnection(const EngineEvent& event, bool welcome) {
    const int x = m_state.channels.channelForLink(event.call, event.port);
    if (x == ChannelTable::kNone)
        return x;
    // A station already on a channel answers the operator's :C there, on the route it was called.
    const bool held = !m_state.channels.isFree(x);
    // Kept unless it answers the operator's :C or lands on the tab the operator looks at.
    const bool keep =
        m_state.operating.keepSendTarget && m_state.channels.isFree(x) && m_state.currentTab != x;
    const LinkRoute route = held ? m_state.channels.route(x) : LinkRoute{quint8(event.port), {}};
    m_parts.channels.assign(x, event.call, route);
    // The operator moves there when ready; its tab is marked as the connect notice comes in.
    if (keep)
        m_parts.tabs.describeSendLine(); // the selected station may have come back
    else
        m_parts.tabs.select(x); // the new station becomes the one a line goes to
    m_parts.pages.empty(x);
    m_parts.channels.appendToView(channelView(x), kCrLf + formatTimeStamp(m_clock.now()) + kCrLf);
    // The one who connected, whether or not the operator moved there.
    if (welcome)
        Conference::sendWelcome(m_state, m_engine, m_state.channels.call(x));
    return x;
}

void FrameDispatcher::releaseChannel(int n, const QString& call, const QString& notice) {
    const QString expanded = expandLineBreaks(notice);
    const QString stamp = formatTimeStamp(m_clock.now());
    m_parts.channels.release(n);
    const QString why = endReason(notice);
    for (LinkListener* listener : m_linkListeners)
        listener->linkEnded(call, n, why);
    m_parts.tabs.describeSendLine();
    m_parts.channels.appendToView(channelView(n), kCrLf + expanded + stamp + kCrLf + kCrLf + kCrLf);
    m_parts.channels.appendToView(TextView::Conf, call + kCrLf + expanded + kCrLf + kCrLf);
    m_parts.pages.append(n, expanded + stamp + kCrLf);
    if (!m_parts.pages.write(n))
        m_beeper.beep();
    else
        m_parts.panes.appendToPage(n, expanded + stamp + kCrLf);
    m_beeper.beep();
}

void FrameDispatcher::channelData(int n, const EngineEvent& event) {
    StationState& s = m_state;
    s.idle.activity();
    if (m_state.currentTab != n && s.channels.setUnseen(n, true))
        m_view.setTabMarker(n, true);
    QString display = expandLineBreaks(event.text);
    updatePage(n, event);
    m_parts.channels.appendReceived(
        n, display,
        s.operating.timeStamps ? m_clock.now().toLocalTime().toString(u"HH:mm") : QString());
    if (event.type == Type::StationData)
        for (LinkListener* listener : m_linkListeners)
            listener->dataReceived(event.call, n, event.text);
    if (s.conferenceTurn.take(event.call))
        display = kCrLf + QStringLiteral("de ") + event.call + QStringLiteral(": ") + display;
    m_parts.channels.appendToView(TextView::Conf, display);
    if (s.conference == 1 && display != kCrLf)
        m_parts.channels.relayToConference(display);
    if (event.text.size() > 3)
        m_parts.channels.bringToFront();
    if (m_view.isMinimizedOrMaximized()) {
        m_beeper.beep();
        m_view.restoreNormal();
    }
}

void FrameDispatcher::updatePage(int n, const EngineEvent& event) {
    m_parts.pages.append(n, event.text);
    const bool prhSeen = event.text.contains(QStringLiteral("<PRH"), Qt::CaseInsensitive);
    if (prhSeen)
        m_parts.prh.showPrhPage(n, event.text, event.call);
    const qsizetype html = event.text.indexOf(QStringLiteral("<HTML>"), 0, Qt::CaseInsensitive);
    const bool anew = m_state.clearHtmlData && html >= 0;
    if (anew)
        m_parts.pages.replace(n, event.text.mid(html));
    if (!m_parts.pages.write(n))
        m_beeper.beep();
    // A pane adds each line to what it shows; only a page begun anew is rendered again.
    if (m_state.channels.paneShown(n) && !prhSeen && anew)
        m_parts.panes.showPageFile(n);
    else if (!prhSeen)
        m_parts.panes.appendToPage(n, event.text);
}
