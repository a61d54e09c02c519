#pragma once

#include <QString>

// The text views of the main window. Channel views are Channel0 + n.
enum class TextView {
    Channel0 = 0,
    Conf = 7,
    AllTraffic,       // the strip below the tabs
    AllTrafficMirror, // its copy on the "All Trf" tab
    DX,
    WX,
    Data,
};

inline TextView channelView(int n) {
    return static_cast<TextView>(static_cast<int>(TextView::Channel0) + n);
}

// Check items of the menus whose marks the station state drives.
enum class MenuCheck {
    ClearHtmlData,
    DisplayBrowserOnStart,
    MoveToFront,
    BeaconOn,
    WeatherDataOn,
    LogSessions,
    AnnounceOff, // Settings > Announce, one mark of three
    AnnounceConnects,
    AnnounceLines
};

// What the station logic needs of its main window. The Qt window implements
// it; tests use an in-memory one. Tabs are 0-6 channels, 7 "Conf", 8 "All Trf",
// 9 "DX", 10 "WX", 11 "Data". Texts cross with CR LF line ends.
class MainWindowView {
public:
    static constexpr int kTabCount = 12;

    virtual ~MainWindowView() = default;

    // Gives the window the desktop's work area and scales its controls to it.
    virtual void fitToWorkArea() = 0;
    virtual void showWindow() = 0;
    virtual bool isWindowShown() const = 0;
    virtual bool isMinimizedOrMaximized() const = 0;
    virtual void restoreNormal() = 0;
    // Top of the window order without staying on top, with one event pass between.
    virtual void bringToFront() = 0;
    // Top of the window order, the keyboard left where it is: data arriving must never take
    // keys the operator is typing into another program.
    virtual void raiseWithoutFocus() = 0;
    virtual void processPendingEvents() = 0;

    virtual void setRetryButtonVisible(bool visible) = 0;
    virtual bool isRetryButtonVisible() const = 0;

    // Mirrors the channel table: the channel's tab reads the call, or "Open" when it is empty;
    // `link` is the link in words for its tooltip and accessible name.
    virtual void showChannelCall(int channel, const QString& call, const QString& link) = 0;
    // Changes the current tab without running the tab-selection reaction;
    // the caller runs it.
    virtual void setCurrentTab(int tab) = 0;
    virtual void setTabMarker(int tab, bool unseen) = 0;

    virtual void setSelectedCallLabel(const QString& text) = 0; // Label2
    virtual QString sendLineText() const = 0;
    virtual void setSendLineText(const QString& text) = 0;
    // Where a plain line typed now goes, in words, as the send line's accessible name.
    virtual void describeSendLine(const QString& name) = 0;
    // Where a plain line typed now goes, on screen beside the send line: a call, "conference"
    // or "no station".
    virtual void showSendTarget(const QString& target) = 0;
    // The text of the views and the send line, in steps larger (or smaller) than designed.
    virtual void setTextZoom(int steps) = 0;
    // False when the window cannot take the focus (not shown yet).
    virtual bool focusSendLine() = 0;

    // A channel shows either its text view or its browser pane.
    virtual void showBrowser(int channel, bool shown) = 0;
    // Shows the page file (or content page) at the path in the channel's pane.
    virtual void loadBrowserPage(int channel, const QString& path) = 0;
    // The page file at `path` grew by `text`: a pane showing it adds the text to what it shows;
    // one showing anything else loads the file.
    virtual void appendToBrowserPage(int channel, const QString& path, const QString& text) = 0;

    // The diagnostic "Monitor Info" window.
    virtual bool isMonitorVisible() const = 0;
    virtual void showMonitorValues(const QString& result, const QString& from, const QString& data,
                                   const QString& length, const QString& kind,
                                   const QString& port) = 0;

    // The status line naming the engine and the state of the link to it.
    virtual void setEngineStatus(const QString& text) = 0;
    // A notice for the operator in the status line, beside the engine's state.
    virtual void showNotice(const QString& text) = 0;
    // A station connected to the channel (line empty) or sent it a line; the window may tell
    // the desktop when the operator is not looking at it.
    virtual void noteActivity(int channel, const QString& call, const QString& line) = 0;

    virtual void setConferenceChecked(bool checked) = 0;
    virtual void setBrowserDisplayChecked(bool checked) = 0;
    virtual void setMenuChecked(MenuCheck item, bool checked) = 0;
};
