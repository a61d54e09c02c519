#pragma once

#include "AgwTcpLink.h"
#include "QtSeams.h"
#include "StationHarness.h"

#include <QTimer>
#include <QtTest>

// The station under test, N0AAA, over a real AGW link to engine A, at its timer's pace.
struct StationOnAgw {
    explicit StationOnAgw(quint16 port) : link(QStringLiteral("127.0.0.1"), port) {
        h.link = &link;
        h.start("N0AAA");
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            h.clock.when = h.clock.when.addMSecs(QtPollTimer::kIntervalMs); // retries wait on it
            h.station().tick();
        });
        ticker.start(QtPollTimer::kIntervalMs);
    }
    ~StationOnAgw() { h.station().release(); }
    QString channel(int n) { return h.view.text(channelView(n)); }
    void enter(const QString& line) { h.view.sendLine = line, h.station().onSendLineEnter(); }

    AgwTcpLink link; // outlives the station
    StationHarness h;
    QTimer ticker;
};
