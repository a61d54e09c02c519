#pragma once

#include "MainWindowView.h"
#include "StationState.h"

#include <QList>
#include <QString>

class EngineLink;

// Frames the engine still holds for each connected station, from its own count. A link is asked
// about only while something sent on it may still be waiting, at most one question at a time,
// until the engine says none is left. The status line tells about the station in front.
class LinkBacklog {
public:
    // An answer that has not come within this many ticks is given up, and the question asked anew.
    static constexpr int kAnswerTicks = 9;

    LinkBacklog(const StationState& state, MainWindowView& view, EngineLink& engine)
        : m_state(state), m_view(view), m_engine(engine) {}

    // Connected data went to `call` in that many frames.
    void noteSent(const QString& call, quint8 port, int frames);
    // Takes the answers that came; on a tick, also asks where something may still be waiting.
    void step(bool tick);
    // Frames waiting for `call` as far as known: the last answer and what went after its question.
    quint64 waiting(const QString& call) const;
    // Ticks the engine has let pass without a usable answer about `call` since it last gave one;
    // 0 when nothing is asked about it.
    int silentTicks(const QString& call) const;

private:
    struct Link {
        QString call;
        quint8 port = 0;
        quint32 answered = 0;      // the engine's last count
        quint64 sinceAnswered = 0; // frames sent after the question of that count
        quint64 sinceAsked = 0;    // frames sent after the question in flight
        int askedTicks = -1;       // ticks since the question in flight; -1: none
        int silentTicks = 0;       // ticks asked about without an answer
    };

    Link* find(const QString& call);
    const Link* find(const QString& call) const;
    void showFront();

    const StationState& m_state;
    MainWindowView& m_view;
    EngineLink& m_engine;
    QList<Link> m_links;
    QString m_notice;
};
