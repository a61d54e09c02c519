#include "Conference.h"
#include "StationHarness.h"

#include <QtTest>

class ConferenceTest : public QObject {
    Q_OBJECT

    static void prepare(StationHarness& h, const QString& call = QStringLiteral("N0ME")) {
        h.state.programDir = h.programDir.path();
        h.state.callSign = call;
        h.station();
        h.view.shown = true;
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    void welcomeWorkedExample() {
        StationHarness h;
        prepare(h, QStringLiteral("MYCALL"));
        h.station().channels().assign(0, QStringLiteral("ALPHA"));
        h.station().channels().assign(2, QStringLiteral("BRAVO"));
        h.state.selectedCall = QStringLiteral("BRAVO");
        h.state.conference = 1;
        Conference::sendWelcome(h.state, h.engine);
        QCOMPARE(h.engine.sent.size(), 1);
        QCOMPARE(h.engine.sent[0].destination, QByteArray("BRAVO"));
        QCOMPARE(h.engine.sent[0].data,
                 QByteArray("Welcome to MYCALL's Packet Station!\r\n"
                            "You are currently in conference with the following station(s):\r\n"
                            "MYCALL ALPHA BRAVO \r"));
        QCOMPARE(h.engine.sent[0].length, h.engine.sent[0].data.size());

        h.state.conference = 0;
        Conference::sendWelcome(h.state, h.engine);
        QCOMPARE(h.engine.sent[1].data, QByteArray("Welcome to MYCALL's Packet Station!\r\n"));
    }

    void theCalledStationIsNotWelcomed() {
        StationHarness h;
        prepare(h);
        h.view.sendLine = QStringLiteral(":c n0bbb");
        h.station().onSendLineEnter();
        h.engine.sent.clear();
        // It answers the call, and later connects again on its own.
        h.engine.queue('c', "N0BBB", "*** CONNECTED With Station N0BBB\r");
        h.engine.queue('c', "n0bbb", "*** CONNECTED To Station N0BBB\r");
        h.station().tick();
        h.station().tick();
        QVERIFY(h.engine.sent.isEmpty());
        // Someone else is greeted.
        h.engine.queue('c', "N0CCC", "*** CONNECTED To Station N0CCC\r");
        h.station().tick();
        QCOMPARE(h.engine.sent.size(), 1);
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0CCC"));
    }

    void tickingAndClearingTheBoxAnnounces() {
        StationHarness h;
        prepare(h);
        h.station().channels().assign(1, QStringLiteral("N0AAA"));
        h.station().channels().assign(4, QStringLiteral("N0BBB"));
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.view.sendLine = QStringLiteral("half typed");
        h.station().onConferenceClicked(1);
        QCOMPARE(h.store.value(SettingsStore::kConference), QStringLiteral("1"));
        const QByteArray on("de N0ME: N0ME conference has been enabled.");
        QCOMPARE(h.engine.sent.size(), 2);
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0AAA"));
        QCOMPARE(h.engine.sent[0].data, on);
        QCOMPARE(h.engine.sent[1].destination, QByteArray("N0BBB"));
        QCOMPARE(h.view.text(TextView::Conf), "\r\n" + QString::fromLatin1(on) + "\r\n");
        QCOMPARE(h.view.sendLine, QString());
        QVERIFY(h.view.focusCount > 0);

        h.station().onConferenceClicked(0);
        QCOMPARE(h.store.value(SettingsStore::kConference), QStringLiteral("0"));
        QCOMPARE(h.engine.sent.size(), 3);
        QCOMPARE(h.engine.sent[2].destination, QByteArray("N0BBB"));
        QCOMPARE(h.engine.sent[2].data, QByteArray("N0ME conference has been disabled.\r"));
    }

    void enablingWhenAlreadyLastSpeakerHasNoHeader() {
        StationHarness h;
        prepare(h);
        h.station().channels().assign(0, QStringLiteral("N0AAA"));
        h.state.lastSpeaker = QStringLiteral("n0me");
        h.station().onConferenceClicked(1);
        QCOMPARE(h.engine.sent[0].data, QByteArray("N0ME conference has been enabled."));
        QCOMPARE(h.view.text(TextView::Conf), QStringLiteral("N0ME conference has been enabled."));
    }

    void clickingWithNoStationOnlySaves() {
        StationHarness h;
        prepare(h);
        h.view.sendLine = QStringLiteral("kept");
        h.station().onConferenceClicked(1);
        QVERIFY(h.engine.sent.isEmpty());
        QCOMPARE(h.store.value(SettingsStore::kConference), QStringLiteral("1"));
        QCOMPARE(h.view.sendLine, QStringLiteral("kept"));
    }

    void twoConferenceLinesInARow() {
        StationHarness h;
        prepare(h);
        h.state.conference = 1;
        h.station().channels().assign(0, QStringLiteral("N0AAA"));
        h.view.sendLine = QStringLiteral("first");
        h.station().onSendLineEnter();
        h.view.sendLine = QStringLiteral("second");
        h.station().onSendLineEnter();
        QCOMPARE(h.engine.sent[0].data, QByteArray("de N0ME: first"));
        QCOMPARE(h.engine.sent[1].data, QByteArray("second"));
        QCOMPARE(h.view.text(TextView::Conf), QStringLiteral("\r\nde N0ME: first\r\nsecond"));
    }
};

QTEST_GUILESS_MAIN(ConferenceTest)
#include "tst_conference.moc"
