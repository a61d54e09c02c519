#include "HomePage.h"
#include "PageStore.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QtTest>

namespace {
QByteArray expectedHome(const QByteArray& call, const QByteArray& number) {
    return "<html> <body bgcolor=\"#E5DCDC\" text=\"#000000\" link=\"#0000FF\" vlink=\"#800080\" "
           "alink=\"#FF0000\"><table border=\"0\" cellpadding=\"0\" cellspacing=\"4\" "
           "width=\"98%\"><tr><td height=\"51\"><p align=\"center\">&nbsp;</p><p "
           "align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" "
           "color=\"navy\"><b>Wexlo's Packet Web Browser</b></font></span></p><p "
           "align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" "
           "color=\"navy\"><b>Station: " +
           call +
           "</b></font></span></p><p align=\"center\"><span style=\"font-size:14pt;\"><font "
           "face=\"Arial\" color=\"navy\"><b>Channel: " +
           number +
           "</b></font></span></p><p align=\"center\"><span style=\"font-size:10pt;\"><font "
           "face=\"Arial\" ><a href=\"<PRHCMDShowConnectList>\">Click here to connect to a "
           "station from your connect list.</a></font></span></p></tr></table><p>&nbsp;</p>"
           "</body></html>\r\n";
}
} // namespace

class PagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void homePagesByteForByte_data() {
        QTest::addColumn<QString>("call");
        QTest::newRow("call sign") << "N0ME";
        QTest::newRow("empty call sign") << "";
    }
    void homePagesByteForByte() {
        QFETCH(QString, call);
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.state.callSign = call;
        h.station().browserPanes().writeHomePages();
        QCOMPARE(readFileBytes(h.station().pages().path(0)), expectedHome(call.toLatin1(), "1"));
        QCOMPARE(readFileBytes(h.station().pages().path(6)), expectedHome(call.toLatin1(), "7"));
    }

    void newPageTagFollowsTheOption_data() {
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("option on") << true << QByteArray("<html><b>new</b>\r\n");
        QTest::newRow("option off") << false << QByteArray("old text\rnext <html><b>new</b>\r\n");
    }
    void newPageTagFollowsTheOption() {
        QFETCH(bool, clear);
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.store.setValue(SettingsStore::kHtmlClear,
                         clear ? QStringLiteral("1") : QStringLiteral("0"));
        h.startUp();
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.engine.queue('D', "N0BBB", "old text\r");
        h.engine.queue('D', "N0BBB", "next <html><b>new</b>");
        h.station().tick();
        h.station().tick();
        QTEST(readFileBytes(h.station().pages().path(0)), "file");
    }

    void pageFileAcrossDisconnectAndReconnect() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        const QString file = h.station().pages().path(0);
        h.engine.queue('c', "N0BBB", "hi\r");
        h.engine.queue('d', "N0BBB", "bye\r");
        h.engine.queue('c', "N0BBB", "again\r");
        for (int i = 0; i < 3; ++i)
            h.station().tick();
        // Emptied by the new connection, then rewritten with the notice's own text.
        const QByteArray earlier("hi\rbye\r\nSaturday, December 5, 2026  9:18:31 AM\r\nagain\r");
        QCOMPARE(readFileBytes(file), earlier + "\r\n");
        h.engine.queue('D', "N0BBB", "data\r");
        h.station().tick();
        QCOMPARE(readFileBytes(file), earlier + "data\r\r\n");
    }

    void pageStoreExtendsInPlaceAndRewritesWhenItMust() {
        QTemporaryDir dir;
        const QString programDir = dir.path();
        FakeView view;
        FileNotices notices(view);
        PageStore pages(programDir, notices);
        const QString file = pages.path(3);
        QString text = QStringLiteral("one");
        QVERIFY(pages.write(3, text));
        text += QStringLiteral(" two");
        QVERIFY(pages.write(3, text));
        QCOMPARE(readFileBytes(file), QByteArray("one two\r\n"));

        text = QStringLiteral("replaced and longer"); // announced
        pages.markReplaced(3);
        QVERIFY(pages.write(3, text));
        QCOMPARE(readFileBytes(file), QByteArray("replaced and longer\r\n"));

        text = QStringLiteral("unannounced replacement, longer still");
        QVERIFY(pages.write(3, text));
        QCOMPARE(readFileBytes(file), QByteArray("unannounced replacement, longer still\r\n"));

        QFile(file).resize(0); // someone emptied it
        text += QStringLiteral("!");
        QVERIFY(pages.write(3, text));
        QCOMPARE(readFileBytes(file), QByteArray("unannounced replacement, longer still!\r\n"));

        QVERIFY(pages.empty(3));
        QCOMPARE(readFileBytes(file), QByteArray());
        QVERIFY(pages.write(3, text));
        QCOMPARE(readFileBytes(file), (text + "\r\n").toLatin1());
    }

    void displayBrowserOnStartupShowsEveryPane() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.store.setValue(SettingsStore::kBrowserOnStart, QStringLiteral("1"));
        h.startUp();
        for (int n = 0; n < 7; ++n) {
            QVERIFY(h.view.browserVisible[n]);
            QCOMPARE(h.state.browserShown[n], quint8(1));
        }
        QCOMPARE(h.view.current, 0);
        QVERIFY(h.view.browserDisplayChecked);
        QCOMPARE(h.view.browserLoads.first(), qMakePair(0, h.station().pages().path(0)));
        QCOMPARE(h.view.browserLoads.size(), 8); // each toggle, then tab 0 again
    }

    void browserDisplayClickAndTabSelection() {
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.station();
        h.view.shown = true;
        h.view.current = 8;                  // "All Trf"
        h.view.browserDisplayChecked = true; // as the click left it
        h.station().onBrowserDisplayClicked();
        QCOMPARE(h.state.browserShown, (std::array<quint8, 8>{}));
        QVERIFY(h.view.browserDisplayChecked);
        QCOMPARE(h.view.focusCount, 1);

        h.state.selectedCall = QStringLiteral("N0BBB");
        h.view.label2 = QStringLiteral("N0BBB");
        h.station().selectTab(2); // an "Open" channel tab
        QCOMPARE(h.view.label2, QStringLiteral("N0BBB"));
        h.station().onBrowserDisplayClicked();
        QCOMPARE(h.state.browserShown[2], quint8(1));
        QVERIFY(h.view.browserVisible[2]);
        QCOMPARE(h.view.browserLoads.size(), 1);
        h.station().selectTab(8);
        QCOMPARE(h.view.label2, QStringLiteral("NA"));
        h.station().selectTab(2); // a shown pane is refreshed
        QCOMPARE(h.view.browserLoads.size(), 2);
        h.station().onBrowserDisplayClicked();
        QVERIFY(!h.view.browserVisible[2]);
        QVERIFY(!h.view.browserDisplayChecked);
    }
};

QTEST_GUILESS_MAIN(PagesTest)
#include "tst_pages.moc"
