// What makes the main window usable without the screen or the mouse: the names a screen reader
// says, the keys that work from anywhere in the window, and the text zoom.

#include "MainWindow.h"

#include "BusAnnouncer.h"
#include "ChannelTable.h"
#include "PagePane.h"
#include "SendTargetRow.h"
#include "TextViews.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

namespace {
// The views of the tabs after the channels, in words rather than their captions.
const char* const kViewNames[] = {"Conference", "All traffic", "DX spots", "Weather", "Data"};

QString channelName(int channel, const QString& call) {
    return QStringLiteral("Channel %1, %2")
        .arg(channel + 1)
        .arg(call.isEmpty() ? QStringLiteral("free") : call);
}
} // namespace

AnnouncementOutput& MainWindow::announcements() {
    if (!m_announcer)
        m_announcer = std::make_unique<BusAnnouncer>(this);
    return *m_announcer;
}

void MainWindow::nameControls() {
    m_sendLine->setAccessibleDescription(
        QStringLiteral("Enter sends. :C call connects, :D disconnects, :U sends unproto; "
                       "Escape types a colon."));
    // No buddy for the send line: a screen reader would read the caption, not where lines go.
    m_label1->setBuddy(textView(TextView::AllTraffic));
    m_label2->setAccessibleName(QStringLiteral("Selected station"));
    m_tabs->setAccessibleName(QStringLiteral("Channels and traffic"));
    m_tabs->tabBar()->setAccessibleName(QStringLiteral("Tabs"));
    textView(TextView::AllTraffic)->setAccessibleName(QStringLiteral("All traffic"));
    textView(TextView::AllTraffic)
        ->setAccessibleDescription(
            QStringLiteral("Every frame heard, as the monitor filter shows"));
    m_engineState->setAccessibleName(QStringLiteral("Packet engine"));
    m_retry->setAccessibleDescription(QStringLiteral("The packet engine could not be reached"));
    for (int tab = 0; tab < kTabCount; ++tab)
        nameTab(tab);
    describeSendLine(QStringLiteral("Send: no station selected"));
}

void MainWindow::nameTab(int tab) {
    const QString view = tab < ChannelTable::kChannels
                             ? channelName(tab, m_links[tab])
                             : QString::fromLatin1(kViewNames[tab - ChannelTable::kChannels]);
    textView(TextViews::viewOfTab(tab))->setAccessibleName(view);
    m_tabs->widget(tab)->setAccessibleName(view);
    if (tab < ChannelTable::kChannels && m_browsers[tab])
        m_browsers[tab]->setAccessibleName(QStringLiteral("Page of ") + view);
    // The tab says in words what its arrow shows.
    QString name = tab < ChannelTable::kChannels && !m_links[tab].isEmpty() ? m_links[tab] : view;
    if (m_unseen[tab])
        name += QStringLiteral(", new text");
    m_tabs->tabBar()->setAccessibleTabName(tab, name);
}

void MainWindow::describeSendLine(const QString& name) {
    m_sendLine->setAccessibleName(name);
}

void MainWindow::showSendTarget(const QString& target) {
    m_sendTarget->showTarget(target);
}

void MainWindow::setTextZoom(int steps) {
    m_zoom = steps;
    placeControls();
}

void MainWindow::buildKeys() {
    const auto key = [this](const QKeySequence& keys, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    for (int channel = 0; channel < ChannelTable::kChannels; ++channel)
        key(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + channel)),
            [this, channel] { showTab(channel); });
    key(QKeySequence(Qt::CTRL | Qt::Key_PageDown),
        [this] { showTab((m_tabs->currentIndex() + 1) % kTabCount); });
    key(QKeySequence(Qt::CTRL | Qt::Key_PageUp),
        [this] { showTab((m_tabs->currentIndex() + kTabCount - 1) % kTabCount); });
    key(QKeySequence(Qt::Key_F6), [this] { cycleFocus(1); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { cycleFocus(-1); });
    key(QKeySequence::ZoomIn, [this] { emit zoomChosen(1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { emit zoomChosen(1); });
    key(QKeySequence::ZoomOut, [this] { emit zoomChosen(-1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { emit zoomChosen(0); });
}

void MainWindow::showTab(int tab) {
    if (tab == m_tabs->currentIndex())
        m_sendLine->setFocus(); // where a tab change would have put it
    else
        m_tabs->setCurrentIndex(tab);
}

QWidget* MainWindow::viewInFront() const {
    const int tab = m_tabs->currentIndex();
    if (tab < ChannelTable::kChannels && m_browsers[tab] && m_browsers[tab]->isVisible())
        return m_browsers[tab];
    return textView(TextViews::viewOfTab(tab));
}

void MainWindow::cycleFocus(int step) {
    QWidget* const ring[] = {m_sendLine, viewInFront(), textView(TextView::AllTraffic)};
    constexpr int kRing = 3;
    int at = -1;
    for (int i = 0; i < kRing; ++i)
        if (ring[i]->hasFocus())
            at = i;
    // From anywhere else the ring starts again at the send line.
    const int next = at < 0 ? 0 : (at + step + kRing) % kRing;
    ring[next]->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::buildAnnounceMenu(QMenu* settings) {
    QMenu* announce = settings->addMenu(QStringLiteral("&Announce"));
    auto* group = new QActionGroup(this);
    const struct {
        const char* name;
        const char* text;
        MenuCheck item;
    } kLevels[] = {{"mnuAnnounceOff", "&Off", MenuCheck::AnnounceOff},
                   {"mnuAnnounceConnects", "&Connects and Notices", MenuCheck::AnnounceConnects},
                   {"mnuAnnounceLines", "&Also Channel Lines", MenuCheck::AnnounceLines}};
    for (const auto& level : kLevels)
        group->addAction(addCheckAction(announce, QString::fromLatin1(level.name),
                                        QString::fromLatin1(level.text), level.item));
    m_checks[MenuCheck::AnnounceLines]->setChecked(true);
}
