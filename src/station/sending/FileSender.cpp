#include "FileSender.h"

#include "BoundedRead.h"
#include "CallSign.h"
#include "EngineLink.h"
#include "LinkBacklog.h"
#include "SafeFile.h"
#include "TextRoutines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace SendFile {

QList<QByteArray> pieces(const QByteArray& contents) {
    QList<QByteArray> out;
    for (qsizetype i = 0; i < contents.size(); i += kPieceLength)
        out.append(contents.mid(i, kPieceLength));
    return out;
}

} // namespace SendFile

void FileSender::start() {
    const StationState& s = m_state;
    if (running()) {
        m_beeper.beep(); // one file at a time
        m_view.showNotice(QStringLiteral("Still sending %1 to %2").arg(m_shown.file, m_shown.to));
        return;
    }
    const QString path = m_prompts.openFile(QStringLiteral("All Files (*.*) | *.*"),
                                            QDir(s.programDir).filePath(QStringLiteral("*.*")));
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!SafeFile::openForRead(file, SafeFile::Links::Follow))
        return refuse(name, QFileInfo(path).exists() && !QFileInfo(path).isFile()
                                ? QStringLiteral("it is not a regular file")
                                : QStringLiteral("it cannot be read"));
    if (file.size() > SendFile::kMaxFileBytes)
        return refuse(name, QStringLiteral("it is larger than %1 bytes")
                                .arg(groupedCount(quint64(SendFile::kMaxFileBytes))));
    m_contents = readBounded(file, SendFile::kMaxFileBytes);
    file.close();
    if (!CallSign::isValid(s.callSign))
        return refuse(name, QStringLiteral("this station has no call sign"));
    // With nobody to send to, nothing goes out.
    if (s.selectedCall.isEmpty() ||
        s.selectedCall.compare(ChannelTable::kOpenCaption, Qt::CaseInsensitive) == 0)
        return refuse(name, QStringLiteral("no station selected"));
    if (s.channels.transferringTo(s.selectedCall))
        return refuse(name, QStringLiteral("a binary file transfer holds the link"));
    m_to = s.selectedCall.toLatin1();
    m_port = s.portOf(s.selectedCall);
    m_next = 0;
    m_phase = Phase::Sending;
    m_byTime = false;
    m_ticks = 0;
    m_shown = {name, s.selectedCall, 0, m_contents.size(), true};
    if (!m_engine.reportsOutstanding()) {
        const auto idle = qScopeGuard([this] {
            m_phase = Phase::Idle;
            m_contents.clear();
        });
        while (m_phase == Phase::Sending)
            sendNext();
        return;
    }
    emit progress(m_shown);
    step(false);
}

void FileSender::refuse(const QString& name, const QString& why) {
    m_contents.clear();
    m_beeper.beep();
    m_view.showNotice(QStringLiteral("%1 not sent: %2").arg(name, why));
}

void FileSender::step(bool tick) {
    if (m_phase == Phase::Idle)
        return;
    if (m_state.engineLost)
        return end(QStringLiteral("the packet engine went away"));
    if (m_state.channels.channelOf(m_shown.to) == ChannelTable::kNone)
        return end(QStringLiteral("the link ended"));
    if (!m_byTime && m_backlog.silentTicks(m_shown.to) >= kAnswerWaitTicks) {
        m_byTime = true;
        m_view.showNotice(QStringLiteral("The packet engine does not report its queue; %1 goes "
                                         "to %2 a piece a second")
                              .arg(m_shown.file, m_shown.to));
    }
    if (m_byTime)
        return stepByTime(tick);
    quint64 waiting = m_backlog.waiting(m_shown.to);
    for (; m_phase == Phase::Sending && waiting < kMaxOutstanding; ++waiting)
        sendNext();
    // Done once the engine says the station has every frame.
    if (m_phase == Phase::Draining && waiting == 0)
        return finish(QStringLiteral("%1 sent to %2").arg(m_shown.file, m_shown.to));
    if (m_shown.sent != m_next) {
        m_shown.sent = m_next;
        emit progress(m_shown);
    }
}

void FileSender::stepByTime(bool tick) {
    if (!tick || ++m_ticks % kTicksPerPiece != 0)
        return;
    sendNext();
    // Without a count, handed over whole is as far as the station can know.
    if (m_phase == Phase::Draining)
        return finish(QStringLiteral("%1 sent to %2").arg(m_shown.file, m_shown.to));
    m_shown.sent = m_next;
    emit progress(m_shown);
}

void FileSender::sendNext() {
    // The pieces and the closing CR exactly as an unpaced send makes them.
    if (m_next < m_contents.size()) {
        const QByteArray piece = m_contents.mid(m_next, SendFile::kPieceLength);
        m_next += piece.size();
        m_engine.send(LinkDataCommand{m_to, piece, m_port});
        return;
    }
    m_phase = Phase::Draining;
    m_engine.send(LinkDataCommand{m_to, QByteArray("\r"), m_port});
}

void FileSender::end(const QString& why) {
    if (m_phase == Phase::Idle)
        return;
    // Every byte was handed over; only the engine's word that the last frame arrived is missing.
    if (m_phase == Phase::Draining)
        return finish(QStringLiteral("%1 sent to %2; the packet engine never confirmed the last "
                                     "frame")
                          .arg(m_shown.file, m_shown.to) +
                      (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
    QString notice = QStringLiteral("%1 to %2 stopped after %3 of %4 bytes")
                         .arg(m_shown.file, m_shown.to, groupedCount(quint64(m_next)),
                              groupedCount(quint64(m_contents.size())));
    if (!why.isEmpty())
        notice += QStringLiteral(": ") + why;
    finish(notice);
}

void FileSender::finish(const QString& notice) {
    m_phase = Phase::Idle;
    m_contents.clear();
    m_shown.sent = m_next;
    m_shown.running = false;
    m_view.showNotice(notice);
    emit progress(m_shown);
}
