#pragma once

#include "FileNotices.h"
#include "Seams.h"
#include "StationState.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTime>

// Settings > Log Sessions: what passes on each connected channel, appended as it happens to
// logs/<CALL>/<YYYY-MM-DD>.log below the program folder. One line a line of text:
// "HH:MM:SS <mark> <text>", the text's bytes as they went, its line break (CR, LF or CR LF)
// becoming one LF.
class SessionLog {
public:
    enum class Mark : char {
        Received = '<', // from the station
        Typed = '>',    // typed by the operator
        Sent = '=',     // sent by this station on its own: welcome, relays, keep-alive, files
        Link = '*',     // connected, disconnected
    };
    static constexpr int kMaxCallLength = 10;

    SessionLog(const StationState& state, Clock& clock, FileNotices& notices)
        : m_state(state), m_clock(clock), m_notices(notices) {}

    // Appends to the call's log of today; nothing while logging is off.
    void write(const QString& call, Mark mark, const QByteArray& data);

    // The call as the name of its folder, upper case; empty when it could not be one.
    static QString folderName(const QString& call);
    // The lines one piece of traffic makes in the log. A piece that ends inside a line leaves
    // it `open`, to be carried on (`continues`) by the next piece of the same kind.
    static QByteArray lines(const QTime& time, Mark mark, const QByteArray& data,
                            bool continues = false, bool* open = nullptr);

private:
    const StationState& m_state;
    Clock& m_clock;
    FileNotices& m_notices;
    // Logs whose last line may have been cut by a failed write that could not be taken back.
    QSet<QString> m_cut;
    // Logs whose last line goes on in the next piece of the same kind, and that kind.
    QHash<QString, Mark> m_openLine;
};
