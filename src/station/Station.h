#pragma once

#include "Announcer.h"
#include "BeaconAndCapture.h"
#include "BrowserPanes.h"
#include "Channels.h"
#include "FileNotices.h"
#include "FileSender.h"
#include "FrameDispatcher.h"
#include "HeardFile.h"
#include "HeardList.h"
#include "Housekeeping.h"
#include "LineHistory.h"
#include "LinkBacklog.h"
#include "MenuActions.h"
#include "MonitorFilter.h"
#include "PageStore.h"
#include "PrhPages.h"
#include "Registration.h"
#include "SendLine.h"
#include "SessionLog.h"
#include "StationContext.h"
#include "TabSelection.h"
#include "TrafficTap.h"
#include "YappTransfers.h"

#include <QLockFile>
#include <QTimer>

#include <memory>

// The station behind the main window: start-up, the window's events and the
// menu actions, each delegated to the subsystem that owns it.
class Station : public QObject {
    Q_OBJECT
public:
    static constexpr auto kBeaconSuffix = " packet station.  Please connect and say hi!";
    static constexpr auto kFolderLockName = ".PacketMonitor.lock";

    explicit Station(StationContext ctx);

    StationContext& context() { return m_ctx; }
    Registration& registration() { return m_registration; }
    Channels& channels() { return m_channels; }
    // What the views show; the window follows it.
    StationTexts& texts() { return m_texts; }
    FrameDispatcher& dispatcher() { return m_dispatcher; }
    SendLine& sendLine() { return m_sendLine; }
    BrowserPanes& browserPanes() { return m_panes; }
    PageStore& pages() { return m_pages; }
    BeaconAndCapture& beacon() { return m_beacon; }
    FileSender& fileSender() { return m_fileSender; }
    YappTransfers& transfers() { return m_transfers; }
    const HeardList& heard() const { return m_heard; }
    Announcer& announcer() { return m_announcer; }
    const MonitorFilterSettings& monitorFilter() const { return m_filter.settings(); }
    const LineHistory& history() const { return m_history; }
    MenuActions& menus() { return m_menus; }

    // The load sequence of the main window, in its fixed order. False, with a message and
    // nothing touched, when another station works in the program folder.
    bool startUp();

    void onActivated();
    void onRetryClicked() { m_registration.connectToEngine(); }
    void onCallSignMenu() { m_registration.callSignAction(); }
    void onPortMenu() { m_registration.portAction(); }
    void onSendLineEnter();
    void onSendLineChanged();
    // Up (1) and Down (-1) in the send line walk the lines sent before.
    void onRecall(int step);
    // Settings > Options chose the operating comforts: kept in the per-user store, in force now.
    void onOperatingChosen(const OperatingOptions& options) { m_menus.onOperatingChosen(options); }
    void onConferenceClicked(int newValue);
    void onBrowserDisplayClicked();
    // The "Connect To:" list: a pick connects to that station.
    void onConnectMenu();
    void onSendFileMenu();
    void onStopSendFile() { m_fileSender.stop(); }
    void onSendBinaryFileMenu();
    void onChangeBeaconTextMenu() { m_menus.onChangeBeaconText(); }
    void onWeatherPathMenu() { m_menus.onWeatherPath(); }
    // A link was followed in a channel's pane.
    void onLinkClicked(int channel, const QString& target);
    void onMenuCheck(MenuCheck item) { m_menus.onMenuCheck(item); }
    // Asks for the engine's host:port; true when a new address was stored and handed to the
    // link for its next connection.
    bool onEngineAddressMenu() { return m_menus.onEngineAddress(); }
    // A tick that lets events run (bringing the window to the front) never starts another.
    void tick();
    // The engine sent something: dispatch it now, in short slices with the window answered
    // between them, rather than at the next tick.
    void onFramesArrived();
    // The operator chose which monitored frames All Traffic shows; kept in the per-user store.
    void onMonitorFilterChosen(const MonitorFilterSettings& filter) {
        m_menus.onMonitorFilterChosen(filter);
    }
    // Ctrl+Plus (1), Ctrl+Minus (-1) and Ctrl+0 (0, back to the designed size); kept in the
    // per-user store.
    void onZoom(int change) { m_menus.onZoom(change); }
    // A station picked in the heard list: its connect command waits in the send line.
    void onHeardCallChosen(const QString& call);
    // Makes the tab current and runs the reaction to its selection.
    void selectTab(int tab);
    // The reaction to a tab becoming current, by the operator or by the station.
    void onTabSelected(int tab);

    // The operator chose Exit: the engine is left as it is.
    void requestExit() { m_exitRequested = true; }
    bool exitRequested() const { return m_exitRequested; }
    // The window is gone for good, once: the lists are saved, the engine is closed unless Exit
    // was chosen, and the folder is free for another station.
    void release();

private:
    bool lockProgramFolder();
    void showBrowsersOnStartup();
    // An engine that goes away drops the links this station held on it.
    void endLinksOfLostEngine();

    // The station reaches its engine through the tap, which the context names in its place.
    FileNotices m_fileNotices;
    SessionLog m_log;
    LinkBacklog m_backlog;
    TrafficTap m_tap;
    StationContext m_ctx;
    Announcer m_announcer;
    Registration m_registration;
    StationTexts m_texts;
    Channels m_channels;
    PageStore m_pages;
    BrowserPanes m_panes;
    TabSelection m_tabs;
    PrhPages m_prh;
    BeaconAndCapture m_beacon;
    HeardList m_heard;
    HeardFile m_heardFile;
    MonitorFilter m_filter;
    MenuActions m_menus;
    SendLine m_sendLine;
    LineHistory m_history;
    bool m_recalling = false; // a recalled line is shown, not typed: it never wraps out
    YappTransfers m_transfers;
    Housekeeping m_housekeeping;
    FrameDispatcher m_dispatcher;
    FileSender m_fileSender;
    // Those the dispatcher tells of what happened on the links, in this order.
    AnnouncerListener m_announcerHears;
    SendLineListener m_sendLineHears;
    NotificationListener m_notificationsHear;
    bool m_exitRequested = false;
    bool m_ticking = false;
    bool m_linksOwedEnd = false; // the engine went away; its links end once its frames are in
    QTimer m_nextSlice;          // more frames are waiting than one slice takes
    bool m_released = false;
    // Held while the station works in its folder: a second one would overwrite its pages.
    std::unique_ptr<QLockFile> m_folderLock;
};
