#include "YappTransfers.h"

#include "BinaryTransfer.h"
#include "BoundedRead.h"
#include "Channels.h"
#include "EngineLink.h"
#include "LinkBacklog.h"
#include "SafeFile.h"
#include "TextRoutines.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString bytes(qint64 n) {
    return groupedCount(quint64(qMax<qint64>(0, n)));
}

// What the operator reads of a name from the air: no control characters.
QString shownName(const QByteArray& sent) {
    QString why;
    const QString clean = DownloadFiles::cleanName(sent, &why);
    if (!clean.isEmpty())
        return clean;
    QString raw = QString::fromLatin1(sent.left(64));
    for (QChar& c : raw)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    return raw;
}

Yapp::DosStamp dosStamp(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    if (d.year() < 1980 || d.year() > 2107)
        return {0x0021, 0}; // 1980-01-01: DOS dates cannot say more
    return {quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day()),
            quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2))};
}

} // namespace

struct YappTransfers::Slot {
    QString call;
    QString file; // as the operator reads it
    std::unique_ptr<YappSender> sender;
    std::unique_ptr<YappReceiver> receiver;
    std::unique_ptr<DownloadFiles> files;
    qint64 heardMs = 0;    // when the peer last sent anything
    qint64 dataFromMs = 0; // when the file's data began
    qint64 initMs = 0;     // when SI last went
    bool started = false;  // the start line went out
    bool reported = false; // the end line went out
    bool asked = false;    // the operator was offered the file
    int ticks = 0;
};

YappTransfers::YappTransfers(Parts parts) : m_parts(parts) {}

YappTransfers::~YappTransfers() = default;

void YappTransfers::sendFile() {
    StationState& s = m_parts.state;
    const auto refuse = [this](const QString& why) {
        m_parts.beeper.beep();
        m_parts.view.showNotice(QStringLiteral("No binary file sent: ") + why);
    };
    const int channel = s.channels.channelOf(s.selectedCall);
    if (s.selectedCall.isEmpty() || channel == ChannelTable::kNone)
        return refuse(QStringLiteral("no connected station selected"));
    if (m_slots[channel])
        return refuse(QStringLiteral("a transfer with %1 is running").arg(s.selectedCall));
    const QString path =
        m_parts.prompts.openFile(QStringLiteral("All Files (*.*) | *.*"),
                                 QDir(s.programDir).filePath(QStringLiteral("*.*")));
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    QFile file(path);
    if (!SafeFile::openForRead(file, SafeFile::Links::Follow))
        return refuse(QStringLiteral("%1 cannot be read").arg(info.fileName()));
    if (file.size() > kMaxSendBytes)
        return refuse(QStringLiteral("%1 is larger than %2 bytes")
                          .arg(info.fileName(), bytes(kMaxSendBytes)));
    const QByteArray contents = readBounded(file, kMaxSendBytes);
    // The link may have ended while the operator chose.
    if (s.channels.call(channel).compare(s.selectedCall, Qt::CaseInsensitive) != 0)
        return refuse(QStringLiteral("the link ended"));
    auto slot = std::make_unique<Slot>();
    slot->call = s.channels.call(channel);
    slot->file = info.fileName();
    Yapp::Header header{info.fileName().toLatin1(), 0, dosStamp(info.lastModified())};
    slot->sender = std::make_unique<YappSender>(header, contents, kBlockBytes);
    slot->heardMs = slot->initMs = m_parts.clock.nowMs();
    m_slots[channel] = std::move(slot);
    s.channels.setTransferring(channel, true);
    report(channel, QStringLiteral("Sending %1 (%2 bytes) to %3 by YAPP")
                        .arg(info.fileName(), bytes(contents.size()), s.channels.call(channel)));
    m_slots[channel]->started = true;
    send(channel, m_slots[channel]->sender->start());
    showProgress(channel);
}

bool YappTransfers::takeData(int channel, const QString& call, const QString& text) {
    const QByteArray data = text.toLatin1();
    Slot* slot = m_slots[channel].get();
    if (!slot) {
        // Only a frame that begins with SI starts a transfer: a line that merely holds the two
        // bytes further on is text.
        if (!startsBinaryTransfer(text))
            return false;
        startReceive(channel, call, data.mid(2));
        return true;
    }
    slot->heardMs = m_parts.clock.nowMs();
    if (slot->sender)
        afterSender(channel, slot->sender->received(data));
    else
        afterReceiver(channel, slot->receiver->received(data));
    return true;
}

void YappTransfers::startReceive(int channel, const QString& call, const QByteArray& rest) {
    const StationState& s = m_parts.state;
    auto slot = std::make_unique<Slot>();
    slot->call = call;
    slot->files = std::make_unique<DownloadFiles>(s.programDir, call, m_parts.notices);
    slot->receiver = std::make_unique<YappReceiver>(*slot->files, s.receiving.maxBytes);
    slot->heardMs = m_parts.clock.nowMs();
    m_slots[channel] = std::move(slot);
    m_parts.state.channels.setTransferring(channel, true);
    YappReceiver& receiver = *m_slots[channel]->receiver;
    QByteArray reply = receiver.start();
    reply += receiver.received(rest);
    afterReceiver(channel, reply);
}

void YappTransfers::afterReceiver(int channel, const QByteArray& reply) {
    Slot& slot = *m_slots[channel];
    YappReceiver& receiver = *slot.receiver;
    send(channel, reply);
    const auto state = receiver.state();
    if (state == YappReceiver::State::Deciding && slot.asked && slot.reported) {
        slot.asked = slot.started = slot.reported = false; // the next file of a batch
        slot.file.clear();
    }
    if (slot.file.isEmpty() && receiver.hasHeader())
        slot.file = shownName(receiver.header().name);
    if (state == YappReceiver::State::Deciding && !slot.asked) {
        slot.asked = true;
        if (m_parts.state.receiving.autoAccept)
            return answer(channel, true);
        m_parts.beeper.beep();
        m_parts.view.showNotice(QStringLiteral("%1 offers %2 (%3 bytes) by YAPP")
                                    .arg(slot.call, slot.file, bytes(receiver.header().size)));
        emit offered(channel, slot.call, slot.file, receiver.header().size);
        return;
    }
    if (state == YappReceiver::State::Receiving && !slot.started) {
        slot.started = true;
        slot.dataFromMs = m_parts.clock.nowMs();
        QString line =
            QStringLiteral("Receiving %1 (%2 bytes) from %3 by %4")
                .arg(slot.file, bytes(receiver.header().size), slot.call,
                     receiver.checksums() ? QStringLiteral("YAPP-C") : QStringLiteral("YAPP"));
        if (receiver.resumedFrom() > 0)
            line += QStringLiteral(", resuming after %1 bytes").arg(bytes(receiver.resumedFrom()));
        report(channel, line);
    }
    if (receiver.outcome() != YappReceiver::Outcome::Running && !slot.reported) {
        slot.reported = true;
        report(channel, slot.file.isEmpty() ? QStringLiteral("A file transfer from %1 ended: %2")
                                                  .arg(slot.call, receiver.reason())
                                            : endOfReceive(slot));
    }
    showProgress(channel);
    if (state == YappReceiver::State::Done)
        finish(channel, QString());
}

QString YappTransfers::endOfReceive(const Slot& slot) const {
    const YappReceiver& r = *slot.receiver;
    using O = YappReceiver::Outcome;
    switch (r.outcome()) {
    case O::Received:
        return QStringLiteral("%1 received from %2: %3 bytes, in %4")
            .arg(slot.file, slot.call, bytes(r.stored()),
                 QDir(m_parts.state.programDir).relativeFilePath(slot.files->storedPath()));
    case O::Refused:
        return QStringLiteral("%1 from %2 refused%3")
            .arg(slot.file, slot.call,
                 r.reason().isEmpty() ? QString() : QStringLiteral(": ") + r.reason());
    default:
        break;
    }
    QString line = QStringLiteral("%1 from %2 %3 after %4 of %5 bytes%6")
                       .arg(slot.file, slot.call,
                            r.outcome() == O::Cancelled ? QStringLiteral("cancelled by it")
                                                        : QStringLiteral("broken off"),
                            bytes(r.stored()), bytes(r.header().size),
                            r.reason().isEmpty() ? QString() : QStringLiteral(": ") + r.reason());
    if (r.stored() > 0)
        line += QStringLiteral("; what came is kept in %1 for a resume")
                    .arg(QDir(m_parts.state.programDir).relativeFilePath(slot.files->storedPath()));
    return line;
}

void YappTransfers::afterSender(int channel, const QByteArray& reply) {
    Slot& slot = *m_slots[channel];
    send(channel, reply);
    if (slot.sender->state() == YappSender::State::Sending && slot.dataFromMs == 0) {
        slot.dataFromMs = m_parts.clock.nowMs();
        if (slot.sender->sent() > 0)
            report(channel, QStringLiteral("%1 resumes after %2 bytes")
                                .arg(slot.call, bytes(slot.sender->sent())));
        pace(channel, false);
    }
    if (m_slots[channel] && slot.sender->outcome() != YappSender::Outcome::Running &&
        !slot.reported) {
        slot.reported = true;
        report(channel, endOfSend(slot));
    }
    if (!m_slots[channel])
        return;
    showProgress(channel);
    if (slot.sender->state() == YappSender::State::Done)
        finish(channel, QString());
}

QString YappTransfers::endOfSend(const Slot& slot) const {
    const YappSender& s = *slot.sender;
    using O = YappSender::Outcome;
    switch (s.outcome()) {
    case O::Sent:
        return QStringLiteral("%1 sent to %2").arg(slot.file, slot.call);
    case O::Refused:
        return QStringLiteral("%1 refused by %2%3")
            .arg(slot.file, slot.call,
                 s.reason().isEmpty() ? QString() : QStringLiteral(": ") + s.reason());
    case O::Cancelled:
        return QStringLiteral("%1 cancelled by %2%3")
            .arg(slot.file, slot.call,
                 s.reason().isEmpty() ? QString() : QStringLiteral(": ") + s.reason());
    default:
        break;
    }
    return QStringLiteral("%1 to %2 broken off after %3 of %4 bytes: %5")
        .arg(slot.file, slot.call, bytes(s.sent()), bytes(s.total()), s.reason());
}

void YappTransfers::answer(int channel, bool accept) {
    Slot* slot =
        channel >= 0 && channel < ChannelTable::kChannels ? m_slots[channel].get() : nullptr;
    if (!slot || !slot->receiver || slot->receiver->state() != YappReceiver::State::Deciding)
        return;
    slot->heardMs = m_parts.clock.nowMs();
    afterReceiver(channel, accept ? slot->receiver->accept() : slot->receiver->refuse());
}

void YappTransfers::stop(int channel) {
    Slot* slot =
        channel >= 0 && channel < ChannelTable::kChannels ? m_slots[channel].get() : nullptr;
    if (!slot)
        return;
    const QString why = QStringLiteral("stopped by the operator");
    if (slot->sender)
        afterSender(channel, slot->sender->stop(why));
    else
        afterReceiver(channel, slot->receiver->stop(why));
}

void YappTransfers::step(bool tick) {
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        Slot* slot = m_slots[n].get();
        if (!slot)
            continue;
        const bool deciding =
            slot->receiver && slot->receiver->state() == YappReceiver::State::Deciding;
        if (!deciding && m_parts.clock.nowMs() - slot->heardMs >= kSilenceMs) {
            slot->heardMs = m_parts.clock.nowMs(); // a cancel waits its own minute
            if (slot->sender)
                afterSender(n, slot->sender->silence());
            else
                afterReceiver(n, slot->receiver->silence());
            continue;
        }
        if (slot->sender && slot->sender->state() == YappSender::State::AwaitReady &&
            m_parts.clock.nowMs() - slot->initMs >= kInitAgainMs) {
            slot->initMs = m_parts.clock.nowMs();
            send(n, slot->sender->start());
        }
        if (slot->sender)
            pace(n, tick);
    }
}

void YappTransfers::pace(int channel, bool tick) {
    Slot& slot = *m_slots[channel];
    YappSender& sender = *slot.sender;
    if (sender.state() != YappSender::State::Sending)
        return;
    // Without the engine's count of waiting frames, a block goes every few ticks.
    const bool counted = m_parts.engine.reportsOutstanding() &&
                         m_parts.backlog.silentTicks(slot.call) < kAnswerWaitTicks;
    int room = 0;
    if (counted)
        room = kMaxOutstanding -
               int(qMin<quint64>(kMaxOutstanding, m_parts.backlog.waiting(slot.call)));
    else if (tick && ++slot.ticks % kTicksPerBlock == 0)
        room = 1;
    for (; room > 0 && sender.state() == YappSender::State::Sending; --room)
        send(channel, sender.nextBlocks(1));
    if (sender.state() != YappSender::State::Sending)
        slot.heardMs = m_parts.clock.nowMs(); // the answer to EF has its minute from now
    showProgress(channel);
}

void YappTransfers::send(int channel, const QByteArray& data) {
    if (data.isEmpty())
        return;
    const StationState& s = m_parts.state;
    m_parts.engine.send(
        LinkDataCommand{m_slots[channel]->call.toLatin1(), data, s.channels.route(channel).port});
}

void YappTransfers::report(int channel, const QString& line) {
    const QString call = m_slots[channel]->call;
    m_parts.channels.appendToView(channelView(channel),
                                  kCrLf + QStringLiteral("*** ") + line + kCrLf);
    if (m_parts.state.logSessions)
        m_parts.log.write(call, SessionLog::Mark::Link, line.toLatin1());
    m_parts.view.showNotice(line);
}

void YappTransfers::showProgress(int channel) {
    const Slot& slot = *m_slots[channel];
    TransferProgress p;
    p.channel = channel;
    p.call = slot.call;
    p.file = slot.file;
    p.sending = slot.sender != nullptr;
    if (slot.sender) {
        p.done = slot.sender->sent();
        p.total = slot.sender->total();
        p.running = slot.sender->outcome() == YappSender::Outcome::Running;
    } else {
        p.done = slot.receiver->stored();
        p.total = slot.receiver->header().size;
        p.doneAtStart = slot.receiver->resumedFrom();
        p.running = slot.receiver->outcome() == YappReceiver::Outcome::Running;
    }
    if (slot.file.isEmpty())
        return; // nothing to show before the header names the file
    p.elapsedMs = slot.dataFromMs > 0 ? m_parts.clock.nowMs() - slot.dataFromMs : 0;
    emit progress(p);
}

void YappTransfers::finish(int channel, const QString& line) {
    if (!line.isEmpty())
        report(channel, line);
    const QString call = m_slots[channel]->call;
    m_slots[channel].reset();
    m_parts.state.channels.setTransferring(channel, false);
    emit linkFreed(call);
}

void YappTransfers::linkEnded(const QString& call, int channel, const QString& why) {
    Q_UNUSED(call)
    Slot* slot = m_slots[channel].get();
    if (!slot)
        return;
    QString line;
    if (!slot->reported && !slot->file.isEmpty()) {
        if (slot->receiver) {
            slot->receiver->stop(QStringLiteral("the link ended (%1)").arg(why));
            line = endOfReceive(*slot);
        } else {
            slot->sender->stop(QStringLiteral("the link ended (%1)").arg(why));
            line = endOfSend(*slot);
        }
        slot->reported = true;
    }
    showProgress(channel);
    finish(channel, line);
}
