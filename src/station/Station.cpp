#include "Station.h"

#include "CallSign.h"
#include "Conference.h"
#include "ConnectList.h"
#include "ConnectRequest.h"
#include "EngineLink.h"
#include "FileSender.h"
#include "MonitorValues.h"
#include "PrhTags.h"
#include "SafeFile.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <utility>

Station::Station(StationContext ctx)
    : m_fileNotices(ctx.view), m_log(ctx.state, ctx.clock, m_fileNotices),
      m_backlog(ctx.state, ctx.view, ctx.engine),
      m_tap(ctx.engine, ctx.state, m_log, m_backlog), m_ctx{ctx.state,     ctx.view,   m_tap,
                                                            ctx.prompts,   ctx.beeper, ctx.clock,
                                                            ctx.pollTimer, ctx.store},
      m_announcer(ctx.clock), m_registration(m_ctx, m_announcer),
      m_channels(ctx.state, ctx.view, m_texts, m_tap), m_pages(ctx.state.programDir, m_fileNotices),
      m_panes(ctx.state, ctx.view, m_pages),
      m_tabs(ctx.state, ctx.view, m_panes,
             [this](const QString& target) { m_announcer.sendTarget(target); }),
      m_prh(ctx.state, ctx.view, ctx.prompts, ctx.beeper, m_pages, m_panes),
      m_beacon(ctx.state, m_texts, m_tap, ctx.clock), m_heardFile(m_heard, ctx.view, m_fileNotices),
      m_menus(m_ctx, m_announcer, m_filter, m_registration, m_fileNotices),
      m_sendLine(ctx.state, ctx.view, m_tap, ctx.prompts, ctx.beeper, m_channels, m_tabs,
                 m_fileNotices),
      m_history(m_fileNotices),
      m_transfers({ctx.state, ctx.view, m_tap, m_backlog, m_channels, m_log, m_fileNotices,
                   ctx.prompts, ctx.beeper, ctx.clock}),
      m_housekeeping(ctx.state, ctx.clock,
                     {m_registration, m_sendLine, m_beacon, m_heardFile, m_fileSender}),
      m_dispatcher(ctx.state, ctx.view, m_tap, ctx.beeper, ctx.clock,
                   {m_beacon, m_channels, m_pages, m_prh, m_panes, m_tabs, m_heard, m_filter,
                    m_announcer, m_transfers}),
      m_fileSender(ctx.state, ctx.view, m_tap, m_backlog, ctx.prompts, ctx.beeper),
      m_announcerHears(m_announcer, ctx.state), m_sendLineHears(m_tabs),
      m_notificationsHear(ctx.view, ctx.state) {
    for (LinkListener* listener : std::initializer_list<LinkListener*>{
             &m_transfers, &m_announcerHears, &m_sendLineHears, &m_notificationsHear})
        m_dispatcher.addLinkListener(listener);
    m_nextSlice.setSingleShot(true);
    m_nextSlice.setInterval(0);
    QObject::connect(&m_nextSlice, &QTimer::timeout, &m_nextSlice, [this] { onFramesArrived(); });
    QObject::connect(&m_transfers, &YappTransfers::linkFreed, &m_transfers,
                     [this](const QString& call) {
                         const auto typed = m_tap.typedByOperator();
                         m_sendLine.releaseHeld(call);
                     });
}

bool Station::startUp() {
    StationState& s = m_ctx.state;
    SafeFile::failWritesPastSizeLimit();
    s.programDir = QDir::currentPath();
    if (!lockProgramFolder())
        return false;

    m_ctx.view.fitToWorkArea();
    const QStringList dropped = m_ctx.store.dropOversizedValues();
    if (!dropped.isEmpty())
        m_ctx.view.showNotice(QStringLiteral("%1 ignored: over 64 kB in %2")
                                  .arg(dropped.join(QStringLiteral(", ")),
                                       QFileInfo(m_ctx.store.fileName()).fileName()));
    m_menus.readStore();
    if (s.callSign.isEmpty())
        s.callSign = m_ctx.store.generalCallSign();
    if (QString why; CallSign::normalized(s.callSign, &why).isNull()) {
        // A stored call the air cannot carry is never registered: it is offered for mending.
        const QString stored = std::exchange(s.callSign, QString());
        if (!stored.isEmpty())
            m_ctx.view.showNotice(QStringLiteral("The stored call sign is not used: ") + why);
        m_registration.callSignAction(stored.toUpper());
    }

    const int conference = m_ctx.store.conference();
    if (conference != s.conference) {
        m_ctx.view.setConferenceChecked(conference != 0);
        onConferenceClicked(conference);
    }

    s.beaconText = s.callSign + QString::fromLatin1(kBeaconSuffix);
    m_tabs.describeSendLine();
    m_ctx.view.showWindow();
    m_menus.readSettingsFile();
    m_heardFile.load(s.programDir, m_ctx.clock.nowMs());
    m_history.load(s.programDir);
    m_registration.connectToEngine();
    m_ctx.view.processPendingEvents();
    m_panes.writeHomePages();
    if (s.browserOnStart)
        showBrowsersOnStartup();
    return true;
}

bool Station::lockProgramFolder() {
    const QString folder = QDir::toNativeSeparators(m_ctx.state.programDir);
    auto lock = std::make_unique<QLockFile>(
        QDir(m_ctx.state.programDir).filePath(QString::fromLatin1(kFolderLockName)));
    // A station runs for days: its lock is never old, only left by one that ended without
    // removing it (which QLockFile finds by its process).
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_folderLock = std::move(lock);
        return true;
    }
    // A folder the station cannot write to holds nothing a second station could destroy.
    if (lock->error() != QLockFile::LockFailedError)
        return true;
    qint64 pid = 0;
    QString host, program;
    lock->getLockInfo(&pid, &host, &program);
    m_released = true; // nothing of this folder is this station's to save
    m_ctx.prompts.messageBox(
        QStringLiteral("Another station is working in %1 (process %2). A second station would "
                       "overwrite its page files and lists.\n\nTo run a second station, start it "
                       "from a folder of its own.")
            .arg(folder)
            .arg(pid),
        QString::fromLatin1(Registration::kMessageTitle));
    return false;
}

void Station::onSendLineEnter() {
    const auto typed = m_tap.typedByOperator();
    const QString line = m_ctx.view.sendLineText();
    if (m_sendLine.onEnter())
        m_history.add(line);
}

void Station::onSendLineChanged() {
    if (m_recalling)
        return;
    const auto typed = m_tap.typedByOperator();
    if (const QString sent = m_sendLine.onTextChanged(); !sent.isNull())
        m_history.add(sent);
}

void Station::onRecall(int step) {
    const std::optional<QString> line =
        step > 0 ? m_history.older(m_ctx.view.sendLineText()) : m_history.newer();
    if (!line)
        return;
    const QScopedValueRollback recalling(m_recalling, true);
    m_ctx.view.setSendLineText(*line);
}

void Station::onActivated() {
    // A window that cannot take the focus yet simply keeps it where it is.
    m_ctx.view.focusSendLine();
}

void Station::onConferenceClicked(int newValue) {
    m_ctx.state.conference = newValue;
    m_ctx.view.focusSendLine();
    m_ctx.store.setConference(newValue != 0);
    m_tabs.describeSendLine();
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        if (m_ctx.state.channels.isFree(n))
            continue;
        // Whatever the operator had typed gives way to the announcement.
        m_ctx.view.setSendLineText(Conference::announcement(m_ctx.state.callSign, newValue));
        m_sendLine.sendCommandLine();
        m_ctx.view.setSendLineText(QString());
        break;
    }
}

void Station::onBrowserDisplayClicked() {
    m_panes.onBrowserDisplayClicked();
}

void Station::onConnectMenu() {
    const QString programDir = m_ctx.state.programDir;
    m_ctx.view.setSendLineText(QString());
    const QString picked =
        m_ctx.prompts.chooseConnection(ConnectList::read(ConnectList::path(programDir)));
    const QString line = QStringLiteral(":C ") + picked;
    // Entries of one or two characters, and the empty one, never connect.
    bool refused = false;
    if (line.size() > 5) {
        m_ctx.view.setSendLineText(line);
        refused = !m_sendLine.onEnter(); // stays with its reason, to be mended or dropped
    }
    if (!refused)
        m_ctx.view.setSendLineText(QString());
}

void Station::onSendFileMenu() {
    m_fileSender.start();
}

void Station::onSendBinaryFileMenu() {
    // The text file's pieces would land inside the binary one.
    if (m_fileSender.running()) {
        m_ctx.beeper.beep();
        m_ctx.view.showNotice(QStringLiteral("No binary file sent: a file is still being sent"));
        return;
    }
    m_transfers.sendFile();
}

void Station::onLinkClicked(int channel, const QString& target) {
    // A command link runs instead of navigating; one without its end goes nowhere.
    bool malformed = false;
    const std::optional<QString> command = PrhTags::command(target, &malformed);
    if (malformed)
        return;
    if (!command) {
        m_panes.navigate(channel, target);
    } else if (command->compare(QLatin1String("ShowConnectList"), Qt::CaseInsensitive) == 0) {
        onConnectMenu();
    } else {
        m_ctx.view.setSendLineText(*command);
        m_sendLine.onEnter();
    }
}

void Station::showBrowsersOnStartup() {
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        selectTab(n);
        m_panes.toggleBrowserDisplay();
    }
    selectTab(0);
}

void Station::tick() {
    if (m_ticking)
        return;
    const QScopedValueRollback<bool> ticking(m_ticking, true);
    m_housekeeping.run();
    m_history.saveIfChanged();
    const bool framesWaiting = m_dispatcher.dispatchOnTimer();
    // Links end once every frame the engine sent before it went has been shown.
    m_linksOwedEnd = m_linksOwedEnd || m_ctx.state.engineLost;
    if (m_linksOwedEnd && !framesWaiting) {
        m_linksOwedEnd = false;
        endLinksOfLostEngine();
    }
    m_backlog.step(true);
    m_fileSender.step(true);
    m_transfers.step(true);
}

void Station::onFramesArrived() {
    // Nothing is received before registration, as with the timer; a tick under way takes them.
    if (!m_ctx.pollTimer.isActive())
        return;
    if (m_ticking) {
        m_nextSlice.start();
        return;
    }
    const QScopedValueRollback<bool> ticking(m_ticking, true);
    if (m_dispatcher.dispatchWaiting(FrameDispatcher::kSliceMs, false))
        m_nextSlice.start();
    // The engine's answers about waiting frames come this way too: a file goes on at once.
    m_backlog.step(false);
    m_fileSender.step(false);
    m_transfers.step(false);
}

void Station::endLinksOfLostEngine() {
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        if (m_ctx.state.channels.isFree(n))
            continue;
        if (m_ctx.state.logSessions)
            m_log.write(m_ctx.state.channels.call(n), SessionLog::Mark::Link,
                        "disconnected (the packet engine went away)");
        m_dispatcher.endLinkOfLostEngine(n);
    }
}

void Station::onHeardCallChosen(const QString& call) {
    // Heard calls come off the air as they were sent; one the engine could not call is refused.
    ConnectRequest request;
    if (QString why; (request.call = CallSign::normalized(call, &why)).isNull()) {
        m_ctx.beeper.beep();
        m_ctx.view.showNotice(QStringLiteral("Not connected: ") + why);
        return;
    }
    // Back the way it came, on the port it was heard on.
    if (const HeardStation* heard = m_heard.find(request.call)) {
        request.via = ConnectRequest::wayBack(heard->path);
        if (heard->port != m_ctx.state.radioPort && heard->port >= 0 && heard->port <= 255)
            request.port = quint8(heard->port);
    }
    m_ctx.view.setSendLineText(QStringLiteral(":C ") + request.text());
    m_ctx.view.bringToFront();
    m_ctx.view.focusSendLine();
}

void Station::selectTab(int tab) {
    m_tabs.select(tab);
}

void Station::onTabSelected(int tab) {
    m_tabs.onSelected(tab);
}

void Station::release() {
    if (m_released)
        return;
    m_released = true;
    m_heardFile.save(); // on Exit too
    m_history.saveIfChanged();
    if (!m_exitRequested)
        m_ctx.engine.close();
    m_folderLock.reset(); // the folder is free for the next station
}
