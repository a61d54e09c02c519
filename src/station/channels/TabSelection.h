#pragma once

#include "BrowserPanes.h"
#include "MainWindowView.h"
#include "StationState.h"

#include <functional>

// A tab coming to the front, by the operator's click or by the station: the selected call, the
// browser box, the unseen-data marker and the send line's focus follow it.
class TabSelection {
public:
    // `targetChanged` hears each new place a plain line goes, in words.
    TabSelection(StationState& state, MainWindowView& view, BrowserPanes& panes,
                 std::function<void(const QString&)> targetChanged)
        : m_state(state), m_view(view), m_panes(panes), m_targetChanged(std::move(targetChanged)) {}

    // Makes the tab current and runs the reaction to it.
    void select(int tab);
    // The reaction alone, when the window has already made the tab current.
    void onSelected(int tab);
    // Names the send line after where a plain line goes now: the selected station or the
    // conference; the indicator beside it follows, and a change of place is said.
    void describeSendLine();
    // The link to `call` ended, for `why`: the send line says so while that call is selected.
    void linkEnded(const QString& call, const QString& why);

private:
    StationState& m_state;
    MainWindowView& m_view;
    BrowserPanes& m_panes;
    std::function<void(const QString&)> m_targetChanged;
    QString m_target = QStringLiteral("no station"); // as last shown
    QString m_endedCall, m_endedWhy;
};
