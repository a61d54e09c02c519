#pragma once

#include "BrowserPanes.h"
#include "MainWindowView.h"
#include "PageStore.h"
#include "Seams.h"
#include "StationState.h"

// Shows the local page a remote station names with a "<PRH" tag.
class PrhPages {
public:
    static constexpr qint64 kMaxPageBytes = 16 * 1024 * 1024;

    PrhPages(StationState& state, MainWindowView& view, Prompts& prompts, Beeper& beeper,
             PageStore& pages, BrowserPanes& panes)
        : m_state(state), m_view(view), m_prompts(prompts), m_beeper(beeper), m_pages(pages),
          m_panes(panes) {}

    void showPrhPage(int channel, const QString& data, const QString& sender);

    // Where the sender's content pages belong.
    QString contentDir(const QString& sender) const;

private:
    // True when the path, symbolic links resolved, stays inside the program folder.
    bool staysInside(const QString& path) const;

    StationState& m_state;
    MainWindowView& m_view;
    Prompts& m_prompts;
    Beeper& m_beeper;
    PageStore& m_pages;
    BrowserPanes& m_panes;
};
