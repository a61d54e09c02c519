#include "MainWindow.h"

#include "AccessibleEventGate.h"
#include "AccessibleRoles.h"
#include "BusAnnouncer.h"
#include "ChannelTable.h"
#include "DesignedLayout.h"
#include "FindBar.h"
#include "LayoutRules.h"
#include "MonitorWindow.h"
#include "NoticesWindow.h"
#include "PagePane.h"
#include "SendTargetRow.h"
#include "TextViews.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCursor>
#include <cmath>

namespace {
const char* const kTabCaptions[MainWindowView::kTabCount] = {
    "Open", "Open", "Open", "Open", "Open", "Open", "Open", "Conf", "All Trf", "DX", "WX", "Data"};

QIcon arrowIcon() {
    QPixmap pix(10, 10);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setBrush(Qt::red);
    p.setPen(Qt::NoPen);
    const QPoint arrow[] = {{1, 2}, {6, 2}, {6, 0}, {9, 5}, {6, 9}, {6, 7}, {1, 7}};
    p.drawPolygon(arrow, 7);
    return QIcon(pix);
}

} // namespace

using LayoutRules::fitTextToWidth;

// The program folder is the start folder, as Station::startUp records it.
MainWindow::MainWindow() : m_programDir(QDir::currentPath()) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName(QStringLiteral("frmMesk"));
    installAccessibleRoles(); // before any control is read
    buildControls();
    buildMenus();
    statusBar()->setSizeGripEnabled(true);
    // The engine's state stays in view; notices take the rest of the line.
    m_notice = new QLabel(statusBar());
    m_notice->setObjectName(QStringLiteral("lblNotice"));
    m_notice->setAccessibleName(QStringLiteral("Notice"));
    m_notice->setSizePolicy(QSizePolicy::Ignored,
                            QSizePolicy::Preferred); // a long one never widens the window
    statusBar()->addPermanentWidget(m_notice, 1);
    m_engineState = new QLabel(statusBar());
    m_engineState->setObjectName(QStringLiteral("lblEngineState"));
    statusBar()->addPermanentWidget(m_engineState);
    m_findBar = new FindBar(statusBar());
    statusBar()->addPermanentWidget(m_findBar, 1);
    buildKeys();
    nameControls();
    resize(DesignedLayout::kClientWidth / DesignedLayout::kTwipsPerPixel,
           DesignedLayout::kClientHeight / DesignedLayout::kTwipsPerPixel +
               menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    m_client = new QWidget(this);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    m_label6 = new QLabel(QStringLiteral("Send Data:"), m_client);
    m_label2 = new QLabel(QStringLiteral("Open"), m_client);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label4 = new QLabel(
        QStringLiteral(":C Connects,   :D Disconnects,   :U Sends Unpro    (Esc = : )"), m_client);
    m_sendLine = new QLineEdit(m_client);
    m_sendLine->setObjectName(QStringLiteral("txtSendData"));
    QFont sendFont(QStringLiteral("Arial"), 10);
    sendFont.setPointSizeF(9.75);
    sendFont.setBold(true);
    m_sendLine->setFont(sendFont);
    m_sendLine->installEventFilter(this);
    connect(m_sendLine, &QLineEdit::textChanged, this, &MainWindow::sendLineEdited);
    m_sendTarget = new SendTargetRow(m_client, sendFont);

    m_tabs = new QTabWidget(m_client);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_text = std::make_unique<TextViews>(m_tabs);
    const QColor white(Qt::white), darkBlue(0, 0, 192), cyan(128, 255, 255), black(Qt::black);
    for (int tab = 0; tab < kTabCount; ++tab) {
        auto* page = new QWidget;
        const bool blue = tab <= 7;
        m_text->create(TextViews::viewOfTab(tab), page, blue ? white : cyan,
                       blue ? darkBlue : black);
        m_tabs->addTab(page, QString::fromLatin1(kTabCaptions[tab]));
    }
    textView(TextView::Conf)->setObjectName(QStringLiteral("txtConf"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        m_text->tabShown(tab);
        emit tabSelected(tab);
    });

    m_label1 = new QLabel(QStringLiteral("All Traffic:"), m_client);
    m_browserDisplay = new QCheckBox(QStringLiteral("&Display Browser"), m_client);
    m_browserDisplay->setObjectName(QStringLiteral("chkBrowserDisplay"));
    connect(m_browserDisplay, &QCheckBox::clicked, this, &MainWindow::browserDisplayClicked);
    // After the station has shown or hidden the pane: the channel's text is read from its end.
    connect(m_browserDisplay, &QCheckBox::clicked, this, [this] {
        if (currentTab() >= 0 && currentTab() < ChannelTable::kChannels)
            m_text->moveCaretToEnd(channelView(currentTab()));
    });
    m_conference = new QCheckBox(QStringLiteral("Conference &Enabled"), m_client);
    m_conference->setObjectName(QStringLiteral("chkConf"));
    connect(m_conference, &QCheckBox::clicked, this,
            [this](bool checked) { emit conferenceClicked(checked ? 1 : 0); });

    m_text->create(TextView::AllTraffic, m_client, cyan, black)
        ->setObjectName(QStringLiteral("txtAllTraffic"));

    m_retry =
        new QPushButton(QStringLiteral("Try connecting to AGW Packet Engine again."), m_client);
    m_retry->setObjectName(QStringLiteral("cmdConnectToAGW"));
    m_retry->hide();
    connect(m_retry, &QPushButton::clicked, this, &MainWindow::retryClicked);
    placeControls();
}

void MainWindow::placeControls() {
    if (!m_retry)
        return; // still being built
    using namespace DesignedLayout;
    using LayoutRules::scaledPixels;
    using LayoutRules::toTwips;
    const QSize client = m_client->size().isEmpty()
                             ? QSize(kClientWidth / kTwipsPerPixel, kClientHeight / kTwipsPerPixel)
                             : m_client->size();
    const int windowWidth = qMax(frameGeometry().width(), client.width());
    const LayoutRules::Scale s = LayoutRules::workArea(
        QSize(kClientWidth, kClientHeight),
        QSize(toTwips(client.width()), toTwips(client.height())), toTwips(windowWidth));
    auto place = [&s](QWidget* w, const QRect& twips, float points) {
        w->setGeometry(scaledPixels(twips, s));
        QFont font = w->font();
        font.setPointSizeF(LayoutRules::scaledFont(points, s));
        w->setFont(font);
    };
    // The operator's zoom: the views and the send line only, never the designed captions.
    // Unzoomed skips pow, which alone would page a part of the maths library into every start.
    const float zoom = m_zoom == 0 ? 1.0f : float(std::pow(1.1, m_zoom));
    auto placeText = [&](QWidget* w, const QRect& twips, float points) {
        place(w, twips, points);
        QFont font = w->font();
        font.setPointSizeF(qMax(6.0, font.pointSizeF() * zoom));
        w->setFont(font);
    };
    m_captionPoints = LayoutRules::scaledFont(kControlFont, s);
    auto placeCaption = [&](QWidget* w, const QRect& twips) {
        // Some designed captions reach past the client's edge: fit them to what shows.
        w->setGeometry(scaledPixels(twips, s).intersected(QRect(QPoint(0, 0), client)));
        fitTextToWidth(w, m_captionPoints);
    };
    placeCaption(m_label6, kLabel6);
    placeCaption(m_label2, kLabel2);
    m_sendTarget->place(scaledPixels(kSendTarget, s).intersected(QRect(QPoint(0, 0), client)),
                        m_captionPoints);
    placeCaption(m_label4, kLabel4);
    placeText(m_sendLine, kSendLine, kSendLineFont);
    place(m_tabs, kTabs, kControlFont);
    placeCaption(m_label1, kLabel1);
    placeCaption(m_browserDisplay, kBrowserDisplayBox);
    placeCaption(m_conference, kConferenceBox);
    placeText(textView(TextView::AllTraffic), kAllTraffic, kViewFont);
    placeCaption(m_retry, kRetryButton);

    // Page controls sit where the design puts them on their page, every page
    // alike, and never past the page's edge.
    // The pages may not have been resized yet: derive their area from the tab widget.
    const int frame = 2 * m_tabs->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const QRect page(0, 0, m_tabs->width() - frame,
                     m_tabs->height() - m_tabs->tabBar()->sizeHint().height() - frame);
    for (int tab = 0; tab < kTabCount; ++tab) {
        QPlainTextEdit* view = textView(TextViews::viewOfTab(tab));
        const QRect designed = tab <= 7 ? kChannelView : kTrafficView;
        placeText(view, designed.translated(0, -kTabRowHeight), kViewFont);
        if (!page.isEmpty())
            view->setGeometry(view->geometry().intersected(page));
        if (tab < 7)
            if (m_browsers[tab])
                m_browsers[tab]->setGeometry(view->geometry());
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The client area also changes when bars come and go, not only with the window.
    if (watched == m_client && event->type() == QEvent::Resize) {
        placeControls();
        return false;
    }
    if (watched != m_sendLine || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit sendLineEntered();
        return true;
    }
    if (key == Qt::Key_Escape) {
        m_sendLine->insert(QStringLiteral(":"));
        return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        emit sendLineRecalled(key == Qt::Key_Up ? 1 : -1);
        return true;
    }
    return false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeControls();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_monitor)
        m_monitor->close();
    event->accept();
}

QAction* MainWindow::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void MainWindow::findInFront() {
    const int tab = m_tabs->currentIndex();
    QWidget* target = textView(TextViews::viewOfTab(tab));
    if (tab < 7 && m_browsers[tab] && m_browsers[tab]->isVisible())
        target = m_browsers[tab];
    m_findBar->openFor(target);
}

QTextBrowser* MainWindow::browser(int channel) {
    return pane(channel);
}

PagePane* MainWindow::pane(int channel) {
    // Most operators never open a pane: each is made when first needed.
    if (m_browsers[channel])
        return m_browsers[channel];
    QPlainTextEdit* view = textView(channelView(channel));
    auto* pane = new PagePane(m_programDir, view->parentWidget());
    pane->setObjectName(QStringLiteral("webBrow%1").arg(channel));
    pane->setOpenLinks(false); // every navigation goes through the station
    pane->setGeometry(view->geometry());
    pane->hide();
    connect(pane, &PagePane::linkFollowed, this,
            [this, channel](const QString& href) { emit linkFollowed(channel, href); });
    m_browsers[channel] = pane;
    nameTab(channel);
    return pane;
}

QPlainTextEdit* MainWindow::textView(TextView view) const {
    return m_text->view(view);
}

void MainWindow::fitToWorkArea() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    setGeometry(area);
    placeControls();
}

void MainWindow::showWindow() {
    show();
    // The frame is known only once shown: keep the whole window in the work area.
    QScreen* screen = this->screen();
    if (!screen || isMaximized())
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    if (frame.width() > area.width() || frame.height() > area.height()) {
        resize(width() - qMax(0, frame.width() - area.width()),
               height() - qMax(0, frame.height() - area.height()));
        move(area.topLeft());
    }
}

bool MainWindow::isWindowShown() const {
    return isVisible();
}

bool MainWindow::isMinimizedOrMaximized() const {
    return isMinimized() || isMaximized();
}

void MainWindow::restoreNormal() {
    if (isMinimizedOrMaximized())
        showNormal();
}

void MainWindow::bringToFront() {
    raise();
    QCoreApplication::processEvents();
    activateWindow();
}

void MainWindow::raiseWithoutFocus() {
    // A restack request only; activating would hand the operator's keys to the send line.
    raise();
}

void MainWindow::processPendingEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::setRetryButtonVisible(bool visible) {
    m_retry->setVisible(visible);
    if (visible)
        m_retry->raise();
}

bool MainWindow::isRetryButtonVisible() const {
    return !m_retry->isHidden();
}

void MainWindow::showChannelCall(int channel, const QString& call, const QString& link) {
    m_tabs->setTabText(channel, call.isEmpty() ? ChannelTable::kOpenCaption : call);
    m_tabs->setTabToolTip(channel, link);
    m_links[channel] = link;
    nameTab(channel);
}

int MainWindow::currentTab() const {
    return m_tabs->currentIndex();
}

void MainWindow::setCurrentTab(int tab) {
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(tab);
    m_text->tabShown(tab);
}

void MainWindow::setTabMarker(int tab, bool unseen) {
    // Called for every frame of a channel behind: only a change costs anything.
    if (tab < 0 || tab >= kTabCount || m_unseen[tab] == unseen)
        return;
    m_unseen[tab] = unseen;
    static const QIcon arrow = arrowIcon();
    m_tabs->setTabIcon(tab, unseen ? arrow : QIcon());
    nameTab(tab);
}

void MainWindow::follow(StationTexts& texts) {
    m_text->follow(texts);
}

void MainWindow::setSelectedCallLabel(const QString& text) {
    m_label2->setText(text);
    fitTextToWidth(m_label2, m_captionPoints);
}

QString MainWindow::sendLineText() const {
    return m_sendLine->text();
}

void MainWindow::setSendLineText(const QString& text) {
    AccessibleEventGate::instance().caretAfterText(m_sendLine, [&] { m_sendLine->setText(text); });
}

bool MainWindow::focusSendLine() {
    if (!isVisible() || !m_sendLine->isVisible())
        return false;
    m_sendLine->setFocus();
    return true;
}

void MainWindow::showBrowser(int channel, bool shown) {
    textView(channelView(channel))->setVisible(!shown);
    if (shown || m_browsers[channel])
        pane(channel)->setVisible(shown);
}

void MainWindow::loadBrowserPage(int channel, const QString& target) {
    QUrl url(target);
    if (url.scheme().size() <= 1) // a plain path (or a drive letter)
        url = QUrl::fromLocalFile(target);
    if (!url.isLocalFile()) {
        QDesktopServices::openUrl(url);
        return;
    }
    pane(channel)->showPage(url.toLocalFile());
}

void MainWindow::appendToBrowserPage(int channel, const QString& path, const QString& text) {
    pane(channel)->appendToPage(path, text);
}

MonitorWindow* MainWindow::monitorWindow() {
    if (!m_monitor)
        m_monitor = new MonitorWindow(this);
    return m_monitor;
}

bool MainWindow::isMonitorVisible() const {
    return m_monitor && m_monitor->isVisible();
}

void MainWindow::showMonitorValues(const QString& result, const QString& from, const QString& data,
                                   const QString& length, const QString& kind,
                                   const QString& port) {
    monitorWindow()->showValues(result, from, data, length, kind, port);
}

void MainWindow::setEngineStatus(const QString& text) {
    m_engineState->setText(text);
}

void MainWindow::showNotice(const QString& text) {
    // Stays until the next one, or until an empty one says what it told of has ended.
    m_notice->setText(text);
    if (text.isEmpty())
        return;
    emit noticeShown(text);
    m_notices.add(QDateTime::currentDateTime(), text);
    if (m_noticesWindow && m_noticesWindow->isVisible())
        m_noticesWindow->refresh();
}

void MainWindow::setConferenceChecked(bool checked) {
    m_conference->setChecked(checked);
}

void MainWindow::setBrowserDisplayChecked(bool checked) {
    m_browserDisplay->setChecked(checked);
}

void MainWindow::setMenuChecked(MenuCheck item, bool checked) {
    if (QAction* act = m_checks.value(item))
        act->setChecked(checked);
}
