#include "BeaconAndCapture.h"
#include "StationHarness.h"

#include <QtTest>

class DxWxCaptureTest : public QObject {
    Q_OBJECT

    static void prepare(StationHarness& h) {
        h.state.programDir = h.programDir.path();
        h.state.callSign = QStringLiteral("MYCALL");
        h.station();
    }

    static void verifyCaretsAtEnd(const FakeView& view) {
        for (auto it = view.carets.cbegin(); it != view.carets.cend(); ++it)
            QCOMPARE(it.value(), view.text(it.key()).size());
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    void capture_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cleaned"); // also all the Data view holds
        QTest::addColumn<QString>("dx");
        QTest::addColumn<QString>("wx");
        const QString spot = QStringLiteral("DX de N0ABC: 14025.0 JA1XYZ");
        QTest::newRow("DX spot") << spot << spot << spot << "";
        QTest::newRow("lowercase dx") << "dx de n0abc: 7010"
                                      << "dx de n0abc: 7010"
                                      << "dx de n0abc: 7010"
                                      << "";
        QTest::newRow("weather line") << "WX MYCALL|Tmp 45"
                                      << "WX MYCALL|Tmp 45"
                                      << ""
                                      << "WX MYCALL|Tmp 45";
        QTest::newRow("leading and trailing blanks") << "   DX de N0ABC  "
                                                     << "DX de N0ABC"
                                                     << "DX de N0ABC"
                                                     << "";
        QTest::newRow("text before the first LF dropped") << "Fm N0ABC To DX\nDX de N0ABC\nmore"
                                                          << "DX de N0ABC\r\nmore"
                                                          << "DX de N0ABC\r\nmore"
                                                          << "";
        QTest::newRow("line ends expanded") << "DX a\rb\r"
                                            << "DX a\r\nb\r\n"
                                            << "DX a\r\nb\r\n"
                                            << "";
        QTest::newRow("doubled line end at the close cut to one") << "DX a\r\r"
                                                                  << "DX a\r\n"
                                                                  << "DX a\r\n"
                                                                  << "";
        QTest::newRow("four characters: end checked") << "\r\r"
                                                      << "\r\n"
                                                      << ""
                                                      << "";
        QTest::newRow("three characters: no end check") << "x\r"
                                                        << "x\r\n"
                                                        << ""
                                                        << "";
        QTest::newRow("neither") << "CQ CQ de N0ABC"
                                 << "CQ CQ de N0ABC"
                                 << ""
                                 << "";
        QTest::newRow("DX not at the start") << "spot: DX"
                                             << "spot: DX"
                                             << ""
                                             << "";
    }
    void capture() {
        QFETCH(QString, text);
        StationHarness h;
        prepare(h);
        BeaconAndCapture& bc = h.station().beacon();
        bc.captureDxWx(text);
        QTEST(text, "cleaned");
        QTEST(h.view.text(TextView::Data), "cleaned");
        QTEST(h.view.text(TextView::DX), "dx");
        QTEST(h.view.text(TextView::WX), "wx");
        QCOMPARE(bc.dataView().text(), h.view.text(TextView::Data));
        QVERIFY(h.view.carets.contains(TextView::Data));
        verifyCaretsAtEnd(h.view);
    }

    void duplicatesKeptOut_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<TextView>("view");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same DX spot, other case")
            << "DX de N0ABC: 14025"
            << "dx DE n0abc: 14025" << TextView::DX << "DX de N0ABC: 14025";
        QTest::newRow("DX spot inside an earlier one")
            << "DX de N0ABC: 14025 JA1XYZ"
            << "DX de N0ABC" << TextView::DX << "DX de N0ABC: 14025 JA1XYZ";
        QTest::newRow("earlier spot inside the new one")
            << "DX de N0ABC"
            << "DX de N0ABC: 14025" << TextView::DX << "DX de N0ABCDX de N0ABC: 14025";
        QTest::newRow("same WX line, other case")
            << "WX MYCALL|Tmp 45"
            << "wx mycall|TMP 45" << TextView::WX << "WX MYCALL|Tmp 45";
        QTest::newRow("compared after cleaning")
            << "WX Tmp 45\r"
            << "  WX Tmp 45\r\r  " << TextView::WX << "WX Tmp 45\r\n";
    }
    void duplicatesKeptOut() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(TextView, view);
        StationHarness h;
        prepare(h);
        BeaconAndCapture& bc = h.station().beacon();
        bc.captureDxWx(first);
        const QString dataBefore = h.view.text(TextView::Data);
        bc.captureDxWx(second);
        QTEST(h.view.text(view), "expected");
        QCOMPARE(h.view.text(TextView::Data), dataBefore + second); // Data keeps everything
    }

    void boundCutsBackAndLetsTheOldInAgain() {
        StationHarness h;
        prepare(h);
        BeaconAndCapture& bc = h.station().beacon();
        QString all;
        for (int i = 0; i < 5; ++i) {
            QString spot = QStringLiteral("DX%1").arg(i) + QString(1996, QLatin1Char('x'));
            all += spot;
            bc.captureDxWx(spot);
        }
        QCOMPARE(h.view.text(TextView::DX).size(), 9995);
        QString fresh = QStringLiteral("DX 14025 ");
        fresh += QLatin1Char('1');
        QCOMPARE(fresh.size(), 10);
        bc.captureDxWx(fresh);
        all += fresh;
        QCOMPARE(h.view.text(TextView::DX), all.right(9000));
        QCOMPARE(bc.dxView().text(), all.right(9000));
        QCOMPARE(h.view.text(TextView::Data), all.right(9000));
        verifyCaretsAtEnd(h.view);

        // The first spot was cut away, so it counts as new again.
        QString again = QStringLiteral("DX0") + QString(1996, QLatin1Char('x'));
        QVERIFY(!bc.dxView().text().contains(again));
        bc.captureDxWx(again);
        QVERIFY(h.view.text(TextView::DX).endsWith(fresh + again));
    }

    // The tick hands over what follows the monitor header line.
    void headerLineLeftToTheTick() {
        StationHarness h;
        prepare(h);
        h.engine.queue('U', "N0ABC",
                       " 1:Fm N0ABC To DX <UI pid=F0 Len=27 >[09:18:31]\r"
                       "DX de N0ABC: 14025.0 JA1XYZ\r");
        h.engine.queue('U', "N0DEF", "WX N0DEF|Tmp 41");
        h.station().tick();
        h.station().tick();
        QCOMPARE(h.view.text(TextView::DX), QStringLiteral("DX de N0ABC: 14025.0 JA1XYZ\r\n"));
        QCOMPARE(h.view.text(TextView::WX), QStringLiteral("WX N0DEF|Tmp 41"));
        QCOMPARE(h.view.text(TextView::Data),
                 QStringLiteral("DX de N0ABC: 14025.0 JA1XYZ\r\nWX N0DEF|Tmp 41"));
    }
};

QTEST_GUILESS_MAIN(DxWxCaptureTest)
#include "tst_beacon_dxwx.moc"
