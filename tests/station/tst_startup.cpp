// The order of start-up, stored options, and the answers the settings menus take; the
// registration's exchanges are in the station's transcripts.

#include "StationHarness.h"

#include <QtTest>

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void storedCallSignRegistersOnceAfterShowing() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        bool shownAtRegistration = false;
        h.engine.onStartPoll = [&] { shownAtRegistration = h.view.shown; };
        h.startUp();
        QCOMPARE(h.engine.registrations, QList<QByteArray>{"N0AAA"});
        QCOMPARE(h.engine.lastAppName, QByteArray("WexloPacketMonitor "));
        QVERIFY(shownAtRegistration);
        QVERIFY(h.prompts.inputs.isEmpty() && h.prompts.messages.isEmpty());
        QVERIFY(h.timer.active && !h.view.retryVisible);
        QCOMPARE(h.state.beaconText,
                 QStringLiteral("N0AAA packet station.  Please connect and say hi!"));
    }

    // The call sign is asked before the window shows.
    void missingCallSignIsAskedFirst() {
        StationHarness h;
        bool shownAtPrompt = true;
        h.prompts.onInput = [&] { shownAtPrompt = h.view.shown; };
        h.prompts.answers = {QStringLiteral("n0ccc")};
        h.startUp();
        QCOMPARE(h.prompts.inputs.size(), 1);
        QVERIFY(!shownAtPrompt && h.view.shown);
    }

    void storedValuesAreReadWithSafeFallbacks_data() {
        QTest::addColumn<QStringList>("stored"); // port, clear on new page, browser on start
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<bool>("browser");
        QTest::newRow("absent") << QStringList{} << 0 << true << false;
        QTest::newRow("stored") << QStringList{"3", "0", "1"} << 3 << false << true;
        QTest::newRow("garbage") << QStringList{"abc", "x", "yes"} << 0 << true << false;
        QTest::newRow("out of range") << QStringList{"300", "2", "-1"} << 0 << false << false;
    }
    void storedValuesAreReadWithSafeFallbacks() {
        QFETCH(QStringList, stored);
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        const char* keys[] = {SettingsStore::kPortNo, SettingsStore::kHtmlClear,
                              SettingsStore::kBrowserOnStart};
        for (int i = 0; i < stored.size(); ++i)
            h.store.setValue(keys[i], stored[i]);
        h.store.setValue(SettingsStore::kConference, QStringLiteral("1"));
        h.startUp();
        QTEST(int(h.state.radioPort), "port");
        QTEST(h.state.clearHtmlData, "clear");
        QTEST(h.state.browserOnStart, "browser");
        QCOMPARE(h.view.menuChecks.value(MenuCheck::ClearHtmlData), h.state.clearHtmlData);
        QVERIFY(h.view.conferenceChecked && h.state.conference == 1);
        QVERIFY(h.engine.sent.isEmpty()); // a restored conference announces nothing
    }

    void optionMenusFlipAndStoreTheirMarks() {
        StationHarness h;
        h.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QCOMPARE(h.store.value(SettingsStore::kHtmlClear), QStringLiteral("0"));
        h.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QCOMPARE(h.store.value(SettingsStore::kHtmlClear), QStringLiteral("1"));
        h.station().onMenuCheck(MenuCheck::MoveToFront);
        QVERIFY(!h.state.moveToFront);
        QVERIFY(!h.view.menuChecks.value(MenuCheck::MoveToFront, true));
    }

    void closingReleasesTheEngineOnceButExitDoesNot() {
        for (bool exit : {false, true}) {
            StationHarness h;
            if (exit)
                h.station().requestExit();
            h.station().release();
            h.station().release();
            QCOMPARE(h.engine.closes, exit ? 0 : 1);
        }
    }

    void menuAnswers_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stored");
        const struct {
            const char *name, *menu, *answer, *stored;
        } rows[] = {
            {"port 3", "port", "3", "3"},
            {"port with blanks and sign", "port", " +7 ", "7"},
            {"port x", "port", "x", "5"},
            {"port cancelled", "port", "", "5"},
            {"port 2.5 rounds to even", "port", "2.5", "2"},
            {"port 3.5 rounds to even", "port", "3.5", "4"},
            {"port above 255", "port", "300", "5"},
            {"port negative", "port", "-1", "5"},
            {"port minus a little", "port", "-0.4", "0"},
            {"port infinity", "port", "inf", "5"},
            {"engine address", "engine", "10.0.0.5:8001", "10.0.0.5:8001"},
            {"engine without port", "engine", "10.0.0.5", "127.0.0.1:8000"},
            {"engine bad port", "engine", "host:99999", "127.0.0.1:8000"},
            {"engine cancelled", "engine", "", "127.0.0.1:8000"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.menu) << QString::fromLatin1(r.answer)
                                  << QString::fromLatin1(r.stored);
    }
    void menuAnswers() {
        QFETCH(QString, menu);
        QFETCH(QString, answer);
        StationHarness h;
        h.state.radioPort = 5;
        h.prompts.answers = {answer};
        if (menu == QLatin1String("port")) {
            h.station().onPortMenu();
            QTEST(QString::number(h.state.radioPort), "stored");
            QTEST(h.store.value(SettingsStore::kPortNo), "stored");
            QCOMPARE(h.prompts.inputs[0].prompt,
                     QStringLiteral("Please enter the port.  0 is default."));
            QCOMPARE(h.prompts.inputs[0].defaultAnswer, QStringLiteral("5"));
        } else {
            QCOMPARE(h.station().onEngineAddressMenu(), answer.contains(QLatin1String(":80")));
            QTEST(QStringLiteral("%1:%2").arg(h.store.engineHost()).arg(h.store.enginePort()),
                  "stored");
        }
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "tst_startup.moc"
