// The heard list on the real window, opened by its shortcut, picked from by a double-click.

#include "HeardListWindow.h"
#include "MainWindow.h"
#include "StationHarness.h"
#include "StationWiring.h"

#include <QLineEdit>
#include <QTableView>
#include <QtTest>

class HeardWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void doubleClickPutsTheConnectInTheSendLineUnsent() {
        StationHarness h;
        MainWindow w;
        Station station{
            StationContext{h.state, w, h.engine, h.prompts, h.beeper, h.clock, h.timer, h.store}};
        const auto hear = [&](const QByteArray& call) {
            h.engine.queue('U', call, " 1:Fm " + call + " To ID Via WIDE1-1 <UI>\r" + call + "\r");
            while (station.pollTick().drain(1000)) {
            }
        };
        h.store.setCallSign(QStringLiteral("N0ME"));
        connectWindowToStation(w, station);
        station.startUp();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        hear("N0ABC");
        QTest::keyClick(w.sendLine(), Qt::Key_H, Qt::ControlModifier);
        auto* heard = w.findChild<HeardListWindow*>();
        QVERIFY(heard && heard->isVisible());
        h.clock.when = h.clock.when.addSecs(60);
        hear("N0XYZ");
        heard->refresh();
        QAbstractItemModel* rows = heard->table()->model();
        QCOMPARE(rows->rowCount(), 2);
        QVERIFY(!rows->data(QModelIndex()).isValid());
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("N0XYZ")); // newest first
        QCOMPARE(rows->index(1, 5).data().toString(), QStringLiteral("WIDE1-1"));
        // Opening it and what it shows changing leave the operator typing where they were.
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &w);
        QVERIFY(w.sendLine()->hasFocus());

        const qsizetype sent = h.engine.sent.size();
        heard->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(heard));
        const QRect cell = heard->table()->visualRect(rows->index(1, 0));
        // Through the window system, as a person's double-click comes: press, release, press.
        QTest::mouseDClick(heard->windowHandle(), Qt::LeftButton, {},
                           heard->table()->viewport()->mapTo(heard, cell.center()));
        QCOMPARE(w.sendLine()->text(), QStringLiteral(":C N0ABC"));
        QCOMPARE(h.engine.sent.size(), sent);

        // A full list drops its least recently heard from the open window too.
        for (int i = 0; i < HeardList::kMaxStations - 1; ++i)
            hear("N0S" + QByteArray::number(i));
        heard->refresh();
        QCOMPARE(rows->rowCount(), HeardList::kMaxStations);
        hear("N0LAST");
        heard->refresh();
        QCOMPARE(rows->rowCount(), HeardList::kMaxStations);
        QCOMPARE(rows->match(rows->index(0, 0), Qt::DisplayRole, QStringLiteral("N0ABC")).size(),
                 0);
        QCOMPARE(rows->match(rows->index(0, 0), Qt::DisplayRole, QStringLiteral("N0LAST")).size(),
                 1);
    }
};

QTEST_MAIN(HeardWindowTest)
#include "tst_heardwindow.moc"
