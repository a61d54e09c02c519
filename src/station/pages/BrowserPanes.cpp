#include "BrowserPanes.h"

#include "HomePage.h"

void BrowserPanes::writeHomePages() {
    for (int n = 0; n < ChannelTable::kChannels; ++n)
        m_pages.writeOther(n, homePage(m_state.callSign, n));
}

void BrowserPanes::toggleBrowserDisplay() {
    const int n = m_view.currentTab();
    if (n < 0 || n >= ChannelTable::kChannels)
        return;
    quint8& shown = m_state.browserShown[n];
    if (shown == 0) {
        shown = 1;
        m_view.setBrowserDisplayChecked(true);
        m_view.showBrowser(n, true);
        showPageFile(n);
    } else {
        shown = 0;
        m_view.setBrowserDisplayChecked(false);
        m_view.showBrowser(n, false);
    }
}

void BrowserPanes::onBrowserDisplayClicked() {
    const int n = m_view.currentTab();
    if (n >= 0 && n < ChannelTable::kChannels) {
        toggleBrowserDisplay();
        m_view.moveCaretToEnd(channelView(n));
    }
    m_view.focusSendLine();
}

void BrowserPanes::refreshIfShown(int channel) {
    if (m_state.browserShown[channel] == 1)
        showPageFile(channel);
}

void BrowserPanes::navigate(int channel, const QString& target) {
    m_view.loadBrowserPage(channel, target);
}
