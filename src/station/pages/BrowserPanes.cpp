#include "BrowserPanes.h"

#include "HomePage.h"

void BrowserPanes::writeHomePages() {
    for (int n = 0; n < ChannelTable::kChannels; ++n)
        m_pages.writeOther(n, homePage(m_state.callSign, n));
}

void BrowserPanes::toggleBrowserDisplay() {
    const int n = m_state.currentTab;
    if (n < 0 || n >= ChannelTable::kChannels)
        return;
    const bool show = !m_state.channels.paneShown(n);
    m_state.channels.setPaneShown(n, show);
    if (show) {
        m_view.setBrowserDisplayChecked(true);
        m_view.showBrowser(n, true);
        showPageFile(n);
    } else {
        m_view.setBrowserDisplayChecked(false);
        m_view.showBrowser(n, false);
    }
}

void BrowserPanes::onBrowserDisplayClicked() {
    const int n = m_state.currentTab;
    if (n >= 0 && n < ChannelTable::kChannels)
        toggleBrowserDisplay();
    m_view.focusSendLine();
}

void BrowserPanes::refreshIfShown(int channel) {
    if (m_state.channels.paneShown(channel))
        showPageFile(channel);
}

void BrowserPanes::navigate(int channel, const QString& target) {
    m_view.loadBrowserPage(channel, target);
}

void BrowserPanes::showPageFile(int channel) {
    m_pages.noticeIfUnreadable(channel);
    navigate(channel, m_pages.path(channel));
}

void BrowserPanes::appendToPage(int channel, const QString& text) {
    if (m_state.channels.paneShown(channel))
        m_view.appendToBrowserPage(channel, m_pages.path(channel), text);
}
