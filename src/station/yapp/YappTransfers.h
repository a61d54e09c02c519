#pragma once

#include "DownloadFiles.h"
#include "LinkListeners.h"
#include "MainWindowView.h"
#include "Seams.h"
#include "SessionLog.h"
#include "StationState.h"
#include "YappReceiver.h"
#include "YappSender.h"

#include <QObject>
#include <array>
#include <memory>

class Channels;
class EngineLink;
class LinkBacklog;

// Where a binary transfer stands, for its progress window.
struct TransferProgress {
    int channel = 0;
    QString call;
    QString file;
    bool sending = false;
    qint64 done = 0; // bytes sent or stored, a resume's first part included
    qint64 total = 0;
    qint64 elapsedMs = 0; // since the file's data began
    qint64 doneAtStart = 0;
    bool running = false;
};

// The binary file transfers by YAPP, one a channel: the operator's sends, and receives started by
// a station's SI at the start of a frame. While one runs its link belongs to it: the dispatcher
// hands it the channel's data, and nothing else is sent there.
class YappTransfers : public QObject, public LinkListener, public LinkDataTaker {
    Q_OBJECT
public:
    static constexpr qint64 kSilenceMs = 60 * 1000;
    static constexpr qint64 kMaxSendBytes = 64 * 1024 * 1024;
    // A DT packet of this much data fills one frame of 256 bytes, checksum included.
    static constexpr int kBlockBytes = 253;
    static constexpr int kMaxOutstanding = 4;
    // An engine that does not count its frames, or stops answering, gets a block every few ticks.
    static constexpr int kAnswerWaitTicks = 30;
    static constexpr int kTicksPerBlock = 6;
    // An SI the engine dropped (a link reset discards what it held) is never answered: it is sent
    // again this often while the minute of silence runs.
    static constexpr qint64 kInitAgainMs = 20 * 1000;

    struct Parts {
        StationState& state;
        MainWindowView& view;
        EngineLink& engine;
        LinkBacklog& backlog;
        Channels& channels;
        SessionLog& log;
        FileNotices& notices;
        Prompts& prompts;
        Beeper& beeper;
        Clock& clock;
    };
    explicit YappTransfers(Parts parts);
    ~YappTransfers() override;

    // File > Send Binary File: asks for a file and offers it to the selected station.
    void sendFile();
    // A station's data on its channel; true when a transfer took it.
    bool takeData(int channel, const QString& call, const QString& text) override;
    // The operator's answer to `offered`.
    void answer(int channel, bool accept);
    void stop(int channel);
    // Paces the blocks going out and ends transfers whose peer fell silent. `tick`: the poll tick
    // rather than an arrival.
    void step(bool tick);
    bool running(int channel) const { return m_slots[channel] != nullptr; }

    void linkOpened(const QString&, int) override {}
    void linkEnded(const QString& call, int channel, const QString& why) override;
    void dataReceived(const QString&, int, const QString&) override {}

signals:
    void progress(const TransferProgress& progress);
    // A station offers a file: the operator accepts or refuses it by `answer`.
    void offered(int channel, const QString& call, const QString& file, qint64 size);
    // The link is free again: text held for the station may go.
    void linkFreed(const QString& call);

private:
    struct Slot;

    void startReceive(int channel, const QString& call, const QByteArray& rest);
    void afterReceiver(int channel, const QByteArray& reply);
    void afterSender(int channel, const QByteArray& reply);
    void pace(int channel, bool tick);
    void send(int channel, const QByteArray& bytes);
    void report(int channel, const QString& line);
    void showProgress(int channel);
    void finish(int channel, const QString& line);
    QString endOfReceive(const Slot& slot) const;
    QString endOfSend(const Slot& slot) const;

    Parts m_parts;
    std::array<std::unique_ptr<Slot>, ChannelTable::kChannels> m_slots;
};
