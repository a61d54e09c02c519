#pragma once

#include "BrowserPanes.h"
#include "PageStore.h"
#include "StationContext.h"

// Shows the local page a remote station names with a "<PRH" tag.
class PrhPages {
public:
    static constexpr qint64 kMaxPageBytes = 16 * 1024 * 1024;

    PrhPages(StationContext& ctx, PageStore& pages, BrowserPanes& panes)
        : m_ctx(ctx), m_pages(pages), m_panes(panes) {}

    void showPrhPage(int channel, const QString& data, const QString& sender);

    // Where the sender's content pages belong.
    QString contentDir(const QString& sender) const;

private:
    // True when the path, symbolic links resolved, stays inside the program folder.
    bool staysInside(const QString& path) const;

    StationContext& m_ctx;
    PageStore& m_pages;
    BrowserPanes& m_panes;
};
