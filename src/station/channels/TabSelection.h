#pragma once

#include "BrowserPanes.h"
#include "MainWindowView.h"
#include "StationState.h"

// A tab coming to the front, by the operator's click or by the station: the selected call, the
// browser box, the unseen-data marker and the send line's focus follow it.
class TabSelection {
public:
    TabSelection(StationState& state, MainWindowView& view, BrowserPanes& panes)
        : m_state(state), m_view(view), m_panes(panes) {}

    // Makes the tab current and runs the reaction to it.
    void select(int tab);
    // The reaction alone, when the window has already made the tab current.
    void onSelected(int tab);
    // Names the send line after where a plain line goes now: the selected station or the
    // conference; the indicator beside it follows.
    void describeSendLine();

private:
    StationState& m_state;
    MainWindowView& m_view;
    BrowserPanes& m_panes;
};
