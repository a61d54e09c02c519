#include "PollTick.h"

#include "Announcer.h"
#include "BeaconAndCapture.h"
#include "BrowserPanes.h"
#include "Channels.h"
#include "Conference.h"
#include "EngineLink.h"
#include "HeardFile.h"
#include "HeardList.h"
#include "MonitorFilter.h"
#include "MonitorHeader.h"
#include "MonitorValues.h"
#include "PageStore.h"
#include "PrhPages.h"
#include "Registration.h"
#include "SendLine.h"
#include "TabSelection.h"
#include "TextRoutines.h"
#include "TimeStamp.h"

#include <QDir>
#include <QElapsedTimer>
#include <exception>
#include <stdexcept>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

bool containsNoCase(const QString& text, const QString& what) {
    return text.contains(what, Qt::CaseInsensitive);
}
} // namespace

template <typename Step> void PollTick::guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
        m_beeper.beep();
    }
}

bool PollTick::run() {
    StationState& s = m_state;
    guarded([this] { m_parts.registration.watchLink(); });
    s.idleTicks += 1;
    s.beaconTicks += 1;
    if (s.idleTicks > kIdleLimit) {
        guarded([this] { m_parts.sendLine.sendKeepAlive(); });
    }
    if (s.beaconTicks > kBeaconLimit) {
        guarded([this] { m_parts.beacon.sendBeacon(); });
    }
    guarded([this] { m_parts.heardFile.saveIfDue(m_clock.now().toMSecsSinceEpoch()); });

    return takeWaiting(m_budgetMs, true);
}

void PollTick::endLinkOfLostEngine(int channel) {
    Frame notice;
    notice.kind = Kind::DisconnectNotice;
    notice.port = m_state.radioPort;
    notice.sender = m_state.channels.call(channel);
    notice.data =
        QStringLiteral("*** Link to %1 ended: the packet engine went away\r").arg(notice.sender);
    releaseChannel(channel, notice);
}

bool PollTick::drain(int budgetMs) {
    return takeWaiting(budgetMs, false);
}

bool PollTick::takeWaiting(int budgetMs, bool tickPoll) {
    // Take what is waiting, not just one frame, so a busy channel never leaves the monitor
    // behind the air; the time budget keeps the window responsive whatever a frame costs.
    QElapsedTimer spent;
    spent.start();
    m_takenAtMs = m_clock.now().toMSecsSinceEpoch();
    bool more = true;
    for (bool first = true; more && (first || spent.elapsed() < budgetMs); first = false) {
        Frame frame;
        // The tick's own poll shows in the monitor window even when it finds nothing.
        more = takeFrame(frame, first && tickPoll);
        if (more)
            dispatch(frame);
    }
    reportSkippedMonitorFrames();
    m_parts.announcer.flush();
    return more;
}

void PollTick::reportSkippedMonitorFrames() {
    const quint64 skipped = m_engine.skippedMonitorFrames();
    if (skipped == m_skippedShown)
        return;
    m_skippedShown = skipped;
    guarded([&] {
        m_view.showNotice(QStringLiteral("monitor skipped %1 frames").arg(groupedCount(skipped)));
    });
}

QString groupedCount(quint64 count) {
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

void PollTick::dispatch(const Frame& frame) {
    if (frame.kind != Kind::ConnectedData) {
        if (m_parts.filter.shows(frame.kind, frame.port, frame.sender, frame.data)) {
            guarded([&] {
                QString traffic = frame.data;
                m_parts.channels.appendAllTraffic(traffic);
            });
        }
        guarded([&] { hear(frame); });
        guarded([&] {
            const qsizetype cr = frame.data.indexOf(QLatin1Char('\r'));
            QString capture = cr >= 0 ? frame.data.mid(cr + 1) : frame.data;
            m_parts.beacon.captureDxWx(capture);
        });
    } else {
        guarded([&] { hear(frame); });
    }

    int channel = m_state.channels.channelOf(frame.sender);

    if (frame.kind == Kind::ConnectNotice || frame.kind == Kind::DisconnectNotice) {
        m_beeper.beep();
        guarded([this] { m_view.restoreNormal(); });
        if (frame.kind == Kind::ConnectNotice) {
            channel = acceptConnection(frame);
            if (channel != ChannelTable::kNone)
                m_parts.announcer.connected(frame.sender, channel);
            guarded([this] { m_parts.channels.bringToFront(); });
            if (channel == ChannelTable::kNone) {
                // Left unanswered as before, but the operator learns of it.
                guarded([&] {
                    m_view.showNotice(frame.sender + QStringLiteral(" connected, but all %1 "
                                                                    "channels are busy")
                                                         .arg(ChannelTable::kChannels));
                });
                return;
            }
        } else {
            if (channel != ChannelTable::kNone) {
                releaseChannel(channel, frame);
                m_parts.announcer.disconnected(frame.sender);
            }
            return;
        }
    }

    if (channel != ChannelTable::kNone)
        channelData(channel, frame);
}

void PollTick::hear(const Frame& frame) {
    if (frame.kind == Kind::ConnectedData) {
        // A station working us is heard on every frame it sends; its path is the link's.
        const HeardStation* known = m_parts.heard.find(frame.sender);
        m_parts.heard.hear(frame.sender, m_takenAtMs, frame.port, m_state.callSign,
                           known ? QStringView(known->path) : QStringView());
        return;
    }
    // What this station's engine sent is not heard, and notices are not frames.
    if (frame.kind != 'U' && frame.kind != 'I' && frame.kind != 'S')
        return;
    const MonitorHeader header = parseMonitorHeader(frame.data);
    m_parts.heard.hear(frame.sender, m_takenAtMs, frame.port, header.destination, header.path);
}

bool PollTick::takeFrame(Frame& out, bool showEmptyPoll) {
    ReceivedFrame raw;
    qint16 result = 0;
    guarded([&] { result = m_engine.getData(raw); });
    // An empty poll shows only when it is the tick's one poll; otherwise the
    // monitor keeps the last frame of the tick.
    if ((result != 0 || showEmptyPoll) && m_view.isMonitorVisible()) {
        guarded([&] {
            const MonitorValues v = monitorValues(result, raw);
            m_view.showMonitorValues(v.result, v.from, v.data, v.length, v.kind, v.port);
        });
    }
    if (result == 0)
        return false;

    out.kind = raw.kind;
    out.port = raw.port;
    const qsizetype nul = raw.senderField.indexOf('\0');
    if (nul >= 0)
        out.sender = QString::fromLatin1(raw.senderField.left(nul));
    else
        m_beeper.beep(); // a sender without its end is no sender
    if (raw.length < 0)
        m_beeper.beep();
    else
        out.data = QString::fromLatin1(raw.data.left(raw.length));
    return true;
}

int PollTick::acceptConnection(const Frame& frame) {
    const int x = m_state.channels.channelForIncoming(frame.sender);
    if (x == ChannelTable::kNone)
        return x;
    StationState& s = m_state;
    guarded([&] { m_parts.channels.assign(x, frame.sender); });
    s.selectedCall = frame.sender;
    guarded([&] { m_parts.tabs.select(x); });
    guarded([&] { m_parts.pages.empty(x); });
    guarded([&] {
        m_parts.channels.appendToView(channelView(x),
                                      kCrLf + formatTimeStamp(m_clock.now()) + kCrLf);
    });
    guarded([this] { Conference::sendWelcome(m_state, m_engine); });
    return x;
}

void PollTick::releaseChannel(int n, const Frame& frame) {
    const QString expanded = expandLineBreaks(frame.data);
    const QString stamp = formatTimeStamp(m_clock.now());
    guarded([&] { m_parts.channels.release(n); });
    guarded([&] {
        m_parts.channels.appendToView(channelView(n),
                                      kCrLf + expanded + stamp + kCrLf + kCrLf + kCrLf);
    });
    guarded([&] {
        m_parts.channels.appendToView(TextView::Conf,
                                      frame.sender + kCrLf + expanded + kCrLf + kCrLf);
    });
    guarded([&] {
        m_parts.pages.append(n, expanded + stamp + kCrLf);
        writePage(n);
        if (m_state.browserShown[n] == 1)
            m_parts.panes.showPageFile(n);
    });
    m_beeper.beep();
}

void PollTick::channelData(int n, const Frame& frame) {
    StationState& s = m_state;
    s.idleTicks = 0;
    guarded([&] {
        if (m_view.currentTab() != n)
            m_view.setTabMarker(n, true);
    });
    guarded([&] { QDir::setCurrent(s.programDir); });
    QString display = expandLineBreaks(frame.data);
    updatePage(n, frame);
    guarded([&] { m_parts.channels.appendToView(channelView(n), display); });
    if (frame.kind == Kind::ConnectedData && m_parts.announcer.wantsLines())
        m_parts.announcer.lineReceived(frame.sender, frame.data, m_view.currentTab() == n);
    guarded([&] {
        if (s.lastSpeaker.compare(frame.sender, Qt::CaseInsensitive) != 0) {
            display = kCrLf + QStringLiteral("de ") + frame.sender + QStringLiteral(": ") + display;
            s.lastSpeaker = frame.sender;
        }
        m_parts.channels.appendToView(TextView::Conf, display);
    });
    guarded([&] {
        if (s.conference == 1 && display != kCrLf)
            m_parts.channels.relayToConference(display);
    });
    if (frame.data.size() > 3)
        guarded([this] { m_parts.channels.bringToFront(); });
    guarded([this] {
        if (m_view.isMinimizedOrMaximized()) {
            m_beeper.beep();
            m_view.restoreNormal();
        }
    });
}

void PollTick::updatePage(int n, const Frame& frame) {
    StationState& s = m_state;
    bool prhSeen = false;
    guarded([&] { m_parts.pages.append(n, frame.data); });
    guarded([&] {
        if (containsNoCase(frame.data, QStringLiteral("<PRH"))) {
            prhSeen = true;
            m_parts.prh.showPrhPage(n, frame.data, frame.sender);
        }
    });
    guarded([&] {
        const qsizetype p = frame.data.indexOf(QStringLiteral("<HTML>"), 0, Qt::CaseInsensitive);
        if (s.clearHtmlData && p >= 0) {
            m_parts.pages.replace(n, frame.data.mid(p));
        }
    });
    guarded([&] { writePage(n); });
    guarded([&] {
        if (s.browserShown[n] == 1 && !prhSeen)
            m_parts.panes.showPageFile(n);
    });
}

void PollTick::writePage(int n) {
    if (!m_parts.pages.write(n))
        throw std::runtime_error("page file not written");
}
