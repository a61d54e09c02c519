#pragma once

#include "QtSeams.h"
#include "StationHarness.h"

#include <QTimer>
#include <QtTest>

// The station under test, N0AAA, on a real link to engine A, at its timer's pace.
template <class Link> struct StationOn {
    template <class... Args>
    explicit StationOn(Args&&... args) : link(std::forward<Args>(args)...) {
        h.link = &link;
        h.start("N0AAA");
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            h.clock.when = h.clock.when.addMSecs(QtPollTimer::kIntervalMs); // retries wait on it
            h.station().tick();
        });
        ticker.start(QtPollTimer::kIntervalMs);
    }
    ~StationOn() { h.station().release(); }
    QString traffic() { return h.view.text(TextView::AllTraffic); }
    QString channel(int n) { return h.view.text(channelView(n)); }
    void enter(const QString& line) { h.view.sendLine = line, h.station().onSendLineEnter(); }

    Link link; // outlives the station
    StationHarness h;
    QTimer ticker;
};
