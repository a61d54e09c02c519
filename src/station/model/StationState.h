#pragma once

#include "ChannelTable.h"
#include "OperatingOptions.h"

#include <QString>
#include <QtGlobal>
#include <array>

// Ticks since anything went over a link, toward the keep-alive. Whoever sees traffic resets it
// here; only the tick counts it up.
class IdleCount {
public:
    void activity() { m_ticks = 0; }
    void tick() { m_ticks += 1; }
    float ticks() const { return m_ticks; }

private:
    float m_ticks = 0;
};

// Who spoke last in the conference: a line from someone else gets a header naming its speaker.
class ConferenceTurn {
public:
    // True when `call` takes the turn from someone else, who is then `call`.
    bool take(const QString& call) {
        if (m_speaker.compare(call, Qt::CaseInsensitive) == 0)
            return false;
        m_speaker = call;
        return true;
    }
    // Whether a line from `call` now would need a header.
    bool changesTo(const QString& call) const {
        return m_speaker.compare(call, Qt::CaseInsensitive) != 0;
    }
    const QString& speaker() const { return m_speaker; }

private:
    QString m_speaker;
};

// Everything the station remembers while it runs. Subsystems share this one
// struct by reference; the widgets only show it.
struct StationState {
    // Fixed when the main window starts to load.
    QString programDir;

    // Operator settings.
    QString callSign;
    quint8 radioPort = 0;
    bool clearHtmlData = true; // "Clear Data on New Page"
    bool browserOnStart = false;
    bool beaconOn = true;
    bool weatherOn = false;
    bool moveToFront = true;
    bool logSessions = false; // Settings > Log Sessions
    int textZoom = 0;         // steps above the designed text size
    int conference = 0;       // value of the conference box
    QString beaconText;
    QString weatherPath;
    OperatingOptions operating;
    ReceiveOptions receiving;

    // How many radio ports the engine said it has; 0 before it has said. Only the registration
    // writes it.
    int enginePortCount = 0;
    // True while a registered engine has gone away and the station re-attaches.
    bool engineLost = false;

    // Conversation state.
    ChannelTable channels;
    QString selectedCall;
    int currentTab = 0; // the tab in front; only the tab selection writes it
    ConferenceTurn conferenceTurn;
    QString connectTarget;
    IdleCount idle;

    // The radio port of the link to `call`; Settings > Port for a station on no channel.
    quint8 portOf(const QString& call) const {
        const int n = channels.channelOf(call);
        return n == ChannelTable::kNone ? radioPort : channels.route(n).port;
    }
    // The link on `channel` for the operator; its port is named where the engine has several, or
    // it is not the first.
    QString linkWords(int channel) const {
        return channels.linkWords(channel,
                                  enginePortCount > 1 || channels.route(channel).port != 0);
    }
};
