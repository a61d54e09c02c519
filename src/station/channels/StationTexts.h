#pragma once

#include "BoundedText.h"
#include "MainWindowView.h"
#include "TextFollower.h"

// The texts the station shows, owned here and followed by the window's views. The bounded ones
// (All Traffic, shown twice, and the DX, WX and Data tabs) are held whole; channel and conference
// text goes to the views and the session files, and stays in neither here.
class StationTexts {
public:
    // None: the texts are kept and nobody is told.
    void setFollower(TextFollower* follower) { m_follower = follower ? follower : &m_nobody; }

    void append(TextView view, const QString& text);
    // A line the operator sent; channel and conference views only.
    void appendOwn(TextView view, const QString& text);
    // A helping of frames: the views take it in one step.
    void hold() { m_follower->holdUpdates(); }
    void release() { m_follower->releaseUpdates(); }

    static bool isBounded(TextView view) { return view >= TextView::AllTraffic; }
    // What a bounded view shows; the All Traffic strip and its mirror show the same text.
    const BoundedText& bounded(TextView view) const;

private:
    BoundedText& boundedText(TextView view);

    class Nobody : public TextFollower {
        void appended(TextView, const QString&) override {}
        void appendedOwn(TextView, const QString&) override {}
        void cutFront(TextView, const QString&) override {}
    } m_nobody;
    TextFollower* m_follower = &m_nobody;
    BoundedText m_allTraffic, m_dx, m_wx, m_data;
};
