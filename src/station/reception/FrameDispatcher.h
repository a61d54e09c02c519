#pragma once

#include "EngineEvent.h"
#include "LinkListeners.h"
#include "MainWindowView.h"
#include "Seams.h"
#include "StationState.h"

#include <QHash>
#include <QList>
#include <QString>

class Announcer;
class BeaconAndCapture;
class BrowserPanes;
class Channels;
class EngineLink;
class HeardList;
class MonitorFilter;
class PageStore;
class PrhPages;
class TabSelection;

// Takes what the engine sent as it arrives and hands each event to the views, the channels and
// their pages, the heard list, the DX/WX capture and the announcer. Work is done in slices of a
// time budget so the window stays answered whatever a frame costs.
class FrameDispatcher {
public:
    // Data this soon after a station's disconnect notice is a late frame of the ended link.
    static constexpr qint64 kLateFrameMs = 5000;
    static constexpr int kMaxEndedRemembered = 64;
    // Events are taken while less than this has been spent; the first one always.
    static constexpr int kTickBudgetMs = 30;
    // A slice of work on events that just arrived, between which the window stays answered.
    static constexpr int kSliceMs = 5;

    // The subsystems an event reaches.
    struct Parts {
        BeaconAndCapture& beacon;
        Channels& channels;
        PageStore& pages;
        PrhPages& prh;
        BrowserPanes& panes;
        TabSelection& tabs;
        HeardList& heard;
        const MonitorFilter& filter; // what the All Traffic views show; nothing else
        Announcer& announcer;
        LinkDataTaker& transfers; // binary file transfers
    };

    FrameDispatcher(StationState& state, MainWindowView& view, EngineLink& engine, Beeper& beeper,
                    Clock& clock, Parts parts)
        : m_state(state), m_view(view), m_engine(engine), m_beeper(beeper), m_clock(clock),
          m_parts(parts) {}

    // Dispatches waiting events for about `budgetMs` of work (at least one poll); true when the
    // budget ran out before the events did. The timer's own poll shows in the monitor window even
    // when it finds nothing.
    bool dispatchWaiting(int budgetMs, bool timerPoll);
    // Told, in the order they were added, of every link opened and ended and every line received.
    void addLinkListener(LinkListener* listener) { m_linkListeners.append(listener); }
    // The timer's poll, with the budget it is given.
    bool dispatchOnTimer() { return dispatchWaiting(m_budgetMs, true); }
    void setBudgetMs(int ms) { m_budgetMs = ms; }
    // The engine took the channel's link with it when it went: the channel ends as if the
    // station had left.
    void endLinkOfLostEngine(int channel);

private:
    std::optional<EngineEvent> take(bool showEmptyPoll);
    void dispatch(const EngineEvent& event);
    void hear(const EngineEvent& event);
    // Returns the channel the connect took, or kNone when none was free. A link the engine
    // never announced gets no welcome: it is not new.
    // A connect or disconnect notice from a call that holds a channel, on another port.
    void refuseSecondLink(const EngineEvent& event, int held);
    int acceptConnection(const EngineEvent& event, bool welcome = true);
    // Connected data from a station without a channel: the engine holds a link all the same.
    // Returns the channel it now has, or kNone when its text went to All Traffic.
    int adoptUnannouncedLink(const EngineEvent& event);
    void releaseChannel(int channel, const QString& call, const QString& notice);
    void channelData(int channel, const EngineEvent& event);
    void updatePage(int channel, const EngineEvent& event);
    void reportSkippedMonitorFrames();

    StationState& m_state;
    MainWindowView& m_view;
    EngineLink& m_engine;
    Beeper& m_beeper;
    Clock& m_clock;
    Parts m_parts;
    quint64 m_skippedShown = 0;
    qint64 m_takenAtMs = 0; // the events of one helping are heard at one time
    int m_budgetMs = kTickBudgetMs;
    // Stations whose disconnect notice came lately (upper case), and when: a frame of theirs
    // that was on its way is not a new link.
    QHash<QString, qint64> m_endedAtMs;
    QList<LinkListener*> m_linkListeners;
};
