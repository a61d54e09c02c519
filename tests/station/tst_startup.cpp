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
        QVERIFY(h.prompts.inputs.isEmpty());
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(h.timer.active);
        QVERIFY(!h.view.retryVisible);
        QCOMPARE(h.engine.closes, 0);
        QCOMPARE(h.state.beaconText,
                 QStringLiteral("N0AAA packet station.  Please connect and say hi!"));
        QCOMPARE(h.state.programDir, QDir::currentPath());
        QCOMPARE(h.view.eventPasses, 1);
    }

    void generalCallSignIsUsedUnchangedAndNotCopied() {
        StationHarness h;
        h.store.setValue(SettingsStore::kGeneralCallSign, QStringLiteral("n0bbb"));
        h.startUp();
        QCOMPARE(h.engine.registrations, QList<QByteArray>{"n0bbb"});
        QVERIFY(h.prompts.inputs.isEmpty());
        QVERIFY(!h.store.contains(SettingsStore::kCallSign));
    }

    void missingCallSignIsAskedBeforeTheWindowShows() {
        StationHarness h;
        h.prompts.answers = {QStringLiteral(" n0ccc ")};
        bool shownAtPrompt = true;
        h.prompts.onInput = [&] { shownAtPrompt = h.view.shown; };
        h.startUp();

        QVERIFY(!shownAtPrompt);
        QCOMPARE(h.prompts.inputs.size(), 1);
        QCOMPARE(h.prompts.inputs[0].prompt, QStringLiteral("Please enter your call sign."));
        QCOMPARE(h.prompts.inputs[0].title, QStringLiteral("Please enter your call sign."));
        // Registered at once by the answer, then again by the normal start-up step.
        QCOMPARE(h.engine.registrations, (QList<QByteArray>{"N0CCC", "N0CCC"}));
        QCOMPARE(h.engine.closes, 1);
        QCOMPARE(h.store.value(SettingsStore::kCallSign), QStringLiteral("N0CCC"));
    }

    void cancelledPromptsRegisterWithAnEmptyCallSign() {
        StationHarness h;
        h.startUp();
        QCOMPARE(h.prompts.inputs.size(), 2);
        QCOMPARE(h.engine.registrations, QList<QByteArray>{QByteArray()});
        QCOMPARE(h.engine.closes, 0);
        QVERIFY(!h.store.contains(SettingsStore::kCallSign));
        QVERIFY(h.state.beaconText.startsWith(QLatin1Char(' ')));
    }

    void refusedEngineShowsOneMessageAndTheRetryButton() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.engine.defaultStartResult = 0;
        h.startUp();
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages[0].text,
                 QStringLiteral("Cannot connect to AGW Packet Engine.  Please start the AGW "
                                "packet engine and try connecting again."));
        QVERIFY(h.view.retryVisible);
        QVERIFY(!h.timer.active);

        h.station().onRetryClicked(); // engine still down
        QCOMPARE(h.prompts.messages.size(), 2);
        QVERIFY(h.view.retryVisible);
        QVERIFY(!h.timer.active);

        h.engine.defaultStartResult = 1; // engine started meanwhile
        h.station().onRetryClicked();
        QCOMPARE(h.prompts.messages.size(), 2);
        QVERIFY(!h.view.retryVisible);
        QVERIFY(h.timer.active);
        QCOMPARE(h.engine.closes, 0); // retry does not close first
    }

    void unusableEngineShowsTheButtonWithoutAMessage() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.timer.active = true;
        h.engine.throwOnStart = true;
        h.station().registration().connectToEngine();
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(h.view.retryVisible);
        QVERIFY(!h.timer.active);
    }

    void emptyCallSignNestsARegistration() {
        StationHarness h;
        h.engine.startResults = {0, 0};
        h.prompts.answers = {QStringLiteral("n0ddd")};
        h.station().registration().connectToEngine();
        // Nested registration, then the outer one with the same call, no close between.
        QCOMPARE(h.engine.registrations, (QList<QByteArray>{"N0DDD", "N0DDD"}));
        QCOMPARE(h.engine.closes, 1);
        QCOMPARE(h.prompts.messages.size(), 2);
    }

    void blankCallSignAnswerClosesStoresEmptyAndAsksAgain() {
        StationHarness h;
        h.state.callSign = QStringLiteral("N0AAA");
        h.prompts.answers = {QStringLiteral("   ")};
        h.station().onCallSignMenu();
        QCOMPARE(h.engine.closes, 1);
        QCOMPARE(h.state.callSign, QString());
        QVERIFY(h.store.contains(SettingsStore::kCallSign));
        QCOMPARE(h.store.value(SettingsStore::kCallSign, QStringLiteral("x")), QString());
        QCOMPARE(h.prompts.inputs.size(), 2);
        QCOMPARE(h.prompts.inputs[0].defaultAnswer, QStringLiteral("N0AAA"));
        QCOMPARE(h.engine.registrations, QList<QByteArray>{QByteArray()});
    }

    void storedValuesAreReadWithSafeFallbacks_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("htmlClear");
        QTest::addColumn<QString>("browserOnStart");
        QTest::addColumn<int>("expectedPort");
        QTest::addColumn<bool>("expectedClear");
        QTest::addColumn<bool>("expectedBrowser");
        QTest::newRow("absent") << QString() << QString() << QString() << 0 << true << false;
        QTest::newRow("stored") << "3"
                                << "0"
                                << "1" << 3 << false << true;
        QTest::newRow("garbage") << "abc"
                                 << "x"
                                 << "yes" << 0 << true << false;
        QTest::newRow("out of range") << "300"
                                      << "2"
                                      << "-1" << 0 << false << false;
    }
    void storedValuesAreReadWithSafeFallbacks() {
        QFETCH(QString, port);
        QFETCH(QString, htmlClear);
        QFETCH(QString, browserOnStart);
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        if (!port.isNull())
            h.store.setValue(SettingsStore::kPortNo, port);
        if (!htmlClear.isNull())
            h.store.setValue(SettingsStore::kHtmlClear, htmlClear);
        if (!browserOnStart.isNull())
            h.store.setValue(SettingsStore::kBrowserOnStart, browserOnStart);
        h.startUp();
        QTEST(int(h.state.radioPort), "expectedPort");
        QTEST(h.state.clearHtmlData, "expectedClear");
        QTEST(h.state.browserOnStart, "expectedBrowser");
        QCOMPARE(h.view.menuChecks.value(MenuCheck::ClearHtmlData), h.state.clearHtmlData);
        QVERIFY(h.view.menuChecks.value(MenuCheck::MoveToFront));
    }

    void storedConferenceIsRestoredAndSavedAgainWithoutSending() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.store.setValue(SettingsStore::kConference, QStringLiteral("1"));
        h.startUp();
        QVERIFY(h.view.conferenceChecked);
        QCOMPARE(h.state.conference, 1);
        QCOMPARE(h.store.value(SettingsStore::kConference), QStringLiteral("1"));
        QVERIFY(h.engine.sent.isEmpty());
    }

    void closingReleasesTheEngineOnceButExitDoesNot() {
        {
            StationHarness h;
            h.station().release();
            h.station().release();
            QCOMPARE(h.engine.closes, 1);
        }
        {
            StationHarness h;
            h.station().requestExit();
            h.station().release();
            QCOMPARE(h.engine.closes, 0);
        }
    }

    void optionMenusFlipAndStoreTheirMarks() {
        StationHarness h;
        h.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QVERIFY(!h.state.clearHtmlData);
        QCOMPARE(h.store.value(SettingsStore::kHtmlClear), QStringLiteral("0"));
        h.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QCOMPARE(h.store.value(SettingsStore::kHtmlClear), QStringLiteral("1"));
        h.station().onMenuCheck(MenuCheck::MoveToFront);
        QVERIFY(!h.state.moveToFront);
        QVERIFY(!h.view.menuChecks.value(MenuCheck::MoveToFront, true));
    }

    void engineAddressIsStoredOnlyWhenValid_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("valid") << "10.0.0.5:8001" << true << "10.0.0.5" << 8001;
        QTest::newRow("no port") << "10.0.0.5" << false << "127.0.0.1" << 8000;
        QTest::newRow("bad port") << "host:99999" << false << "127.0.0.1" << 8000;
        QTest::newRow("cancel") << "" << false << "127.0.0.1" << 8000;
    }
    void engineAddressIsStoredOnlyWhenValid() {
        QFETCH(QString, answer);
        StationHarness h;
        h.prompts.answers = {answer};
        QTEST(h.station().onEngineAddressMenu(), "accepted");
        QTEST(h.store.engineHost(), "host");
        QTEST(int(h.store.enginePort()), "port");
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "tst_startup.moc"
