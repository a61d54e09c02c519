#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <list>

// One station heard on the air.
struct HeardStation {
    QString call;           // upper case
    qint64 lastHeardMs = 0; // UTC, milliseconds since 1970
    quint32 frames = 0;
    int port = 0; // counted from 0, as Settings > Port counts them
    QString destination;
    QString path;           // the digipeaters of the last frame, comma separated
    quint64 generation = 0; // the list's count of changes when this station last changed

    bool sameAs(const HeardStation& o) const {
        return call == o.call && lastHeardMs == o.lastHeardMs && frames == o.frames &&
               port == o.port && destination == o.destination && path == o.path;
    }
};

// Every station heard, most recently heard first, at most kMaxStations: the least recently
// heard goes first. A frame costs a hash lookup; the order is kept by moving one entry.
class HeardList {
public:
    static constexpr int kMaxStations = 1000;
    static constexpr int kMaxCallLength = 12;
    static constexpr int kMaxPathLength = 90;

    HeardList() = default;
    HeardList(const HeardList&) = delete; // the index points into the list
    HeardList& operator=(const HeardList&) = delete;

    // A frame from `call`; false when the sender is no call and nothing was kept. The
    // destination and path are cut to their bounds and kept only in printable characters.
    bool hear(const QString& call, qint64 whenMs, int port, QStringView destination,
              QStringView path);

    int size() const { return int(m_recent.size()); }
    const HeardStation* find(const QString& call) const;
    // Grows with every change; a view compares it with the one it last showed.
    quint64 generation() const { return m_generation; }
    // Calls `visit` with each station, most recent first, while it returns true.
    template <typename Visit> void forEachRecent(Visit&& visit) const {
        for (const HeardStation& s : m_recent)
            if (!visit(s))
                return;
    }
    QList<HeardStation> stations() const;
    void clear();

    // Heard.lst: one station a line, most recent first, tab-separated fields (call, last heard
    // in UTC ISO 8601, frames, port, destination, path), CR LF line ends.
    QByteArray encode() const;
    // Replaces the list by the file's; false, with the list empty, when the file is not one
    // this list writes.
    bool decode(const QByteArray& bytes);

private:
    HeardStation& add(const QString& call);

    std::list<HeardStation> m_recent;
    QHash<QString, std::list<HeardStation>::iterator> m_index;
    quint64 m_generation = 0;
};
