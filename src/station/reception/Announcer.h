#pragma once

#include "Seams.h"

#include <QHash>
#include <QString>
#include <QStringList>

// Where announcements go: the accessibility bus in the window, a list in tests.
class AnnouncementOutput {
public:
    virtual ~AnnouncementOutput() = default;
    // False while no screen reader or braille program listens: nothing is worth preparing.
    virtual bool listening() const = 0;
    virtual void announce(const QString& text) = 0;
};

// What a sighted operator notices without moving the eyes, said to a screen reader without
// moving the focus. Each station (and the station's own notices) speaks at most once a second:
// what arrives meanwhile is joined into its next announcement, and past a few lines only counted.
class Announcer {
public:
    enum Level { Off = 0, ConnectsAndNotices = 1, ChannelLines = 2 };
    static constexpr int kIntervalMs = 1000;
    static constexpr int kKeptLines = 4;      // joined into one announcement; the rest counted
    static constexpr int kMaxLineChars = 200; // of one line, as it is said

    explicit Announcer(Clock& clock) : m_clock(clock) {}

    void setOutput(AnnouncementOutput* output) { m_output = output; }
    void setLevel(int level);
    int level() const { return m_level; }

    // Connected data from a station; named when its channel is not the one in front.
    void lineReceived(const QString& call, const QString& data, bool inFront);
    void connected(const QString& call, int channel);
    // A link ended, and why in a few words.
    void linkEnded(const QString& call, const QString& why);
    // Where a plain line goes now: a call, "the conference" or "no station". Only the latest
    // waiting is said: the operator wants where lines go now, not where they went.
    void sendTarget(const QString& target);
    // A status-line notice, and the engine's state when it changes.
    void notice(const QString& text);
    void engineStatus(const QString& text);
    // Says what waited for its second to pass; called by every tick and after each arrival.
    void flush();
    // Whether lines are worth handing over at all: without a listener they cost nothing.
    bool wantsLines() const { return active(ChannelLines); }

private:
    struct Queue {
        qint64 saidAtMs = -kIntervalMs;
        QStringList lines;
        int dropped = 0;
        bool named = false; // a line came while the channel was behind
    };

    bool active(int needed) const;
    void add(const QString& key, const QStringList& lines, bool named, bool replace = false);
    void say(Queue& queue, qint64 now);

    Clock& m_clock;
    AnnouncementOutput* m_output = nullptr;
    int m_level = ChannelLines;
    QHash<QString, Queue> m_queues; // by station call; the empty key is the station itself
    QString m_engineStatus;
};
