#pragma once

#include "MainWindowView.h"
#include "NoticeHistory.h"
#include "ProgramName.h"

#include <QMainWindow>

class StationTexts;
class TextViews;
#include <QMap>
#include <array>
#include <memory>

class AnnouncementOutput;
class BusAnnouncer;
class DesktopNotifier;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class FindBar;
class MonitorWindow;
class NoticesWindow;
class PagePane;
class SendTargetRow;
class TextViews;

// frmMesk: the station's main window. It builds the controls, tells what the operator does by
// its signals and shows what the station tells it; it knows nothing of the station.
class MainWindow : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    static constexpr auto kCaption = ProgramName::kCaption;

    MainWindow();
    ~MainWindow() override;

    // Menu actions a later window or test may trigger by name.
    QAction* action(const QString& objectName) const;
    QPushButton* retryButton() const { return m_retry; }
    QTabWidget* tabs() const { return m_tabs; }
    QPlainTextEdit* textView(TextView view) const;
    QLineEdit* sendLine() const { return m_sendLine; }
    QTextBrowser* browser(int channel);
    // Where the station's announcements reach the accessibility bus.
    AnnouncementOutput& announcements();

    // MainWindowView
    void fitToWorkArea() override;
    void showWindow() override;
    bool isWindowShown() const override;
    bool isMinimizedOrMaximized() const override;
    void restoreNormal() override;
    void bringToFront() override;
    void raiseWithoutFocus() override;
    void processPendingEvents() override;
    void setRetryButtonVisible(bool visible) override;
    bool isRetryButtonVisible() const override;
    void showChannelCall(int channel, const QString& call, const QString& link) override;
    int currentTab() const;
    void setCurrentTab(int tab) override;
    void setTabMarker(int tab, bool unseen) override;
    // The views show these texts from now on.
    void follow(StationTexts& texts);
    TextViews& textViews() { return *m_text; }
    void setSelectedCallLabel(const QString& text) override;
    QString sendLineText() const override;
    void setSendLineText(const QString& text) override;
    void describeSendLine(const QString& name) override;
    void showSendTarget(const QString& target) override;
    void setTextZoom(int steps) override;
    bool focusSendLine() override;
    void showBrowser(int channel, bool shown) override;
    void loadBrowserPage(int channel, const QString& path) override;
    void appendToBrowserPage(int channel, const QString& path, const QString& text) override;
    bool isMonitorVisible() const override;
    void showMonitorValues(const QString& result, const QString& from, const QString& data,
                           const QString& length, const QString& kind,
                           const QString& port) override;
    MonitorWindow* monitorWindow();
    FindBar* findBar() const { return m_findBar; }
    // Ctrl+F: the find bar for the view or browser pane in front.
    void findInFront();
    void setEngineStatus(const QString& text) override;
    void showNotice(const QString& text) override;
    void noteActivity(int channel, const QString& call, const QString& line) override;
    // What reaches the desktop while the window is behind: 0 nothing, 1 connects, 2 also lines.
    // View > Notices.
    void showNoticesWindow();
    // On screen, where a list of its own may open: over the views, below the tab row, so the
    // menu bar and the send line stay in sight.
    QRect toolArea() const;
    // A list of its own closed by its keys: the window again, and the send line with the keyboard.
    void takeKeyboardBack();
    void setConferenceChecked(bool checked) override;
    void setBrowserDisplayChecked(bool checked) override;
    void setMenuChecked(MenuCheck item, bool checked) override;

signals:
    void sendLineEdited();
    void sendLineEntered();
    // Up (1) or Down (-1) in the send line.
    void sendLineRecalled(int step);
    void tabSelected(int tab);
    void browserDisplayClicked();
    void conferenceClicked(int value);
    void retryClicked();
    void menuCheckChosen(MenuCheck item);
    void sendFileChosen();
    void sendBinaryFileChosen();
    void exitChosen();
    void callSignChosen();
    void portChosen();
    void engineAddressChosen();
    void beaconTextChosen();
    void weatherPathChosen();
    void connectListChosen();
    void heardListChosen();
    void monitorFilterChosen();
    void optionsChosen();
    void linkFollowed(int channel, const QString& href);
    void activated();
    // What the status line showed, for the announcements.
    void noticeShown(const QString& text);
    // Ctrl+Plus 1, Ctrl+Minus -1, Ctrl+0 0.
    void zoomChosen(int change);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    PagePane* pane(int channel);
    void buildMenus();
    void placeControls();
    // The keys that work from anywhere in the window, and the names screen readers say.
    void buildKeys();
    void buildAnnounceMenu(QMenu* settings);
    void nameControls();
    void nameTab(int tab);
    // F6 and Shift+F6: send line, the view in front, the All Traffic strip, round.
    void cycleFocus(int step);
    // The tab to the front as the operator's choice, the station's reaction with it.
    void showTab(int tab);
    // True while the window or one of its own windows has the keyboard.
    bool inFront() const;
    QWidget* viewInFront() const;
    QAction* addCheckAction(QMenu* menu, const QString& name, const QString& text, MenuCheck item);

    QString m_programDir;
    QWidget* m_client = nullptr;
    QLabel* m_label6 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_sendLine = nullptr;
    SendTargetRow* m_sendTarget = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::unique_ptr<TextViews> m_text;
    std::array<PagePane*, 7> m_browsers{};
    QCheckBox* m_browserDisplay = nullptr;
    QCheckBox* m_conference = nullptr;
    QPushButton* m_retry = nullptr;
    QLabel* m_engineState = nullptr;
    FindBar* m_findBar = nullptr;
    float m_captionPoints = 8.25f; // the captions' font size before fitting
    QMap<MenuCheck, QAction*> m_checks;
    MonitorWindow* m_monitor = nullptr;
    std::unique_ptr<BusAnnouncer> m_announcer;
    std::array<QString, 7> m_links; // the links in words, as the station last named them
    std::array<bool, kTabCount> m_unseen{};
    int m_zoom = 0;
    // A label of its own: the status line's passing messages (a menu's tips) cannot wipe it.
    QLabel* m_notice = nullptr;
    NoticeHistory m_notices;
    NoticesWindow* m_noticesWindow = nullptr;
    DesktopNotifier* m_notifier = nullptr; // made when first needed
};

using frmMesk = MainWindow;
