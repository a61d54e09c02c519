#pragma once

#include "MainWindowView.h"
#include "Seams.h"
#include "StationState.h"

class EngineLink;

#include <QString>

class Announcer;
class BeaconAndCapture;
class BrowserPanes;
class Channels;
class HeardFile;
class HeardList;
class MonitorFilter;
class PageStore;
class PrhPages;
class Registration;
class SendLine;
class TabSelection;

// One beat of the poll timer: the tick counters, then the frames waiting at
// the engine, each dispatched to the views, the channels and their pages. A step
// that fails beeps and the tick goes on with the next one.
class PollTick {
public:
    static constexpr float kIdleLimit = 900;
    static constexpr float kBeaconLimit = 900;
    // Frames are taken while the tick has spent less than this; the first one always.
    static constexpr int kTickBudgetMs = 30;
    // A slice of work on frames that just arrived, between which the window stays answered.
    static constexpr int kSliceMs = 5;

    // The subsystems a frame or a count reaches.
    struct Parts {
        Registration& registration;
        SendLine& sendLine;
        BeaconAndCapture& beacon;
        Channels& channels;
        PageStore& pages;
        PrhPages& prh;
        BrowserPanes& panes;
        TabSelection& tabs;
        HeardList& heard;
        HeardFile& heardFile;
        const MonitorFilter& filter; // what the All Traffic views show; nothing else
        Announcer& announcer;
    };

    PollTick(StationState& state, MainWindowView& view, EngineLink& engine, Beeper& beeper,
             Clock& clock, Parts parts)
        : m_state(state), m_view(view), m_engine(engine), m_beeper(beeper), m_clock(clock),
          m_parts(parts) {}

    // The timer's beat: the counters, then what is waiting; true when frames are still waiting.
    bool run();
    // The engine took the channel's link with it when it went: the channel ends as if the
    // station had left.
    void endLinkOfLostEngine(int channel);
    // Dispatches waiting frames for about `budgetMs` of work (at least one); true when the
    // budget ran out before the frames did.
    bool drain(int budgetMs);
    void setBudgetMs(int ms) { m_budgetMs = ms; }

private:
    struct Frame {
        int kind = 0;
        int port = 0;
        QString sender;
        QString data;
    };

    bool takeWaiting(int budgetMs, bool tickPoll);
    bool takeFrame(Frame& out, bool showEmptyPoll);
    void dispatch(const Frame& frame);
    void hear(const Frame& frame);
    // Returns the channel the connect notice took, or 7 when none was free.
    int acceptConnection(const Frame& frame);
    void releaseChannel(int channel, const Frame& frame);
    void channelData(int channel, const Frame& frame);
    void updatePage(int channel, const Frame& frame);
    void writePage(int channel);
    void reportSkippedMonitorFrames();

    // Runs one step under the tick's error policy.
    template <typename Step> void guarded(Step&& step);

    StationState& m_state;
    MainWindowView& m_view;
    EngineLink& m_engine;
    Beeper& m_beeper;
    Clock& m_clock;
    Parts m_parts;
    quint64 m_skippedShown = 0;
    qint64 m_takenAtMs = 0; // the frames of one helping are heard at one time
    int m_budgetMs = kTickBudgetMs;
};

// 189858 as "189 858", the way the status line counts.
QString groupedCount(quint64 count);
