#pragma once

#include "MainWindowView.h"
#include "PageStore.h"
#include "Seams.h"
#include "StationState.h"

// The channels' browser panes: home pages, switching a channel between its
// text view and its pane, and every navigation of a pane.
class BrowserPanes {
public:
    BrowserPanes(StationState& state, MainWindowView& view, PageStore& pages)
        : m_state(state), m_view(view), m_pages(pages) {}

    void writeHomePages();
    // Switches the selected channel tab between text and pane; other tabs have no pane.
    void toggleBrowserDisplay();
    // The operator clicked "Display Browser".
    void onBrowserDisplayClicked();
    // Shows the channel's page file when its pane is up (after a tab change).
    void refreshIfShown(int channel);
    // Shows the page or file at the target in the channel's pane.
    void navigate(int channel, const QString& target);
    void showPageFile(int channel);
    // The channel's page grew by `text`: its pane, when shown, adds it.
    void appendToPage(int channel, const QString& text);

private:
    StationState& m_state;
    MainWindowView& m_view;
    PageStore& m_pages;
};
