#pragma once

#include "MainWindowView.h"
#include "Seams.h"
#include "StationState.h"

class EngineLink;
class LinkBacklog;

#include <QByteArray>
#include <QList>
#include <QObject>

namespace SendFile {
constexpr int kPieceLength = 80;
// Larger files would tie the link up for hours; they are refused with a beep.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

// The pieces a file's contents go out in, at most 80 characters each.
QList<QByteArray> pieces(const QByteArray& contents);
} // namespace SendFile

// Where a file being sent stands, for the window to show.
struct FileSendProgress {
    QString file; // its name, without the folder
    QString to;
    qint64 sent = 0; // bytes handed to the engine
    qint64 total = 0;
    bool running = false;
};

// File > Send File: asks for a file and sends it to the selected station in pieces, then a
// closing CR. Over a link whose engine counts the frames it still holds, no more than
// kMaxOutstanding wait there at a time: the rest follows from the tick and from arrivals as they
// go out, and the operator can stop it. An engine that leaves the count unanswered for
// kAnswerWaitTicks gets a piece every kTicksPerPiece instead. Otherwise everything goes at once.
class FileSender : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxOutstanding = 4;
    static constexpr int kAnswerWaitTicks = 30; // 10 s of poll ticks
    static constexpr int kTicksPerPiece = 3;    // a second

    FileSender(const StationState& state, MainWindowView& view, EngineLink& engine,
               LinkBacklog& backlog, Prompts& prompts, Beeper& beeper)
        : m_state(state), m_view(view), m_engine(engine), m_backlog(backlog), m_prompts(prompts),
          m_beeper(beeper) {}

    void start();
    // Sends what the engine has room for; ends the send once the station has it all. `tick`: the
    // poll tick rather than an arrival.
    void step(bool tick);
    // The operator's Stop: nothing more goes out.
    void stop() { end(QString()); }
    bool running() const { return m_phase != Phase::Idle; }

signals:
    void progress(const FileSendProgress& progress);

private:
    enum class Phase { Idle, Sending, Draining };

    void sendNext();
    void stepByTime(bool tick);
    // Nothing goes: the beep and the notice say why.
    void refuse(const QString& name, const QString& why);
    // Ends a send that did not reach the station whole; `why` follows the notice.
    void end(const QString& why);
    void finish(const QString& notice);

    const StationState& m_state;
    MainWindowView& m_view;
    EngineLink& m_engine;
    LinkBacklog& m_backlog;
    Prompts& m_prompts;
    Beeper& m_beeper;

    Phase m_phase = Phase::Idle;
    bool m_byTime = false; // the engine does not answer: paced by the tick
    int m_ticks = 0;
    QByteArray m_contents;
    qsizetype m_next = 0;
    QByteArray m_to;
    quint8 m_port = 0;
    FileSendProgress m_shown;
};
