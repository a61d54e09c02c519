#pragma once

#include "KissLink.h"
#include "QtSeams.h"
#include "StationHarness.h"

#include <QTimer>

// The station under test, N0AAA, on a KISS link at its timer's pace.
struct StationOnKiss {
    explicit StationOnKiss(const EngineAddress& tnc) : link(tnc, {}) {
        h.link = &link;
        h.start("N0AAA");
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            h.clock.when = h.clock.when.addMSecs(QtPollTimer::kIntervalMs);
            h.station().tick();
        });
        ticker.start(QtPollTimer::kIntervalMs);
    }
    ~StationOnKiss() { h.station().release(); }
    QString traffic() { return h.view.text(TextView::AllTraffic); }
    QString channel(int n) { return h.view.text(channelView(n)); }
    void enter(const QString& line) { h.view.sendLine = line, h.station().onSendLineEnter(); }

    KissLink link; // outlives the station
    StationHarness h;
    QTimer ticker;
};
