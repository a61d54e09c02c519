#include "ConnectList.h"
#include "StationHarness.h"

#include <QtTest>

namespace {
// "kind destination data/length@port", with CR shown as <CR>.
QStringList describe(const QList<RecordingEngine::Sent>& sent) {
    QStringList out;
    for (const auto& f : sent) {
        QString data = QString::fromLatin1(f.data);
        data.replace(QLatin1Char('\r'), QStringLiteral("<CR>"));
        out << QStringLiteral("%1 %2 %3/%4@%5")
                   .arg(QChar(f.kind))
                   .arg(QString::fromLatin1(f.destination), data)
                   .arg(f.length)
                   .arg(f.port);
    }
    return out;
}
} // namespace

class SendLineTest : public QObject {
    Q_OBJECT

    static void prepare(StationHarness& h) {
        h.state.programDir = h.programDir.path();
        h.state.callSign = QStringLiteral("N0ME");
        h.state.radioPort = 1;
        h.station();
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    void sendRoutine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("conference");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("lastSpeaker");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<int>("beeps");
        const QString N0BBB = QStringLiteral("N0BBB");
        QTest::newRow("plain line, first echo has the header")
            << "hello" << 0 << N0BBB << "N0BBB" << QStringList{"D N0BBB hello<CR>/6@1"}
            << "de N0ME: hello\r\n"
            << 0;
        QTest::newRow("plain line, same speaker")
            << "again" << 0 << N0BBB << "n0me" << QStringList{"D N0BBB again<CR>/6@1"}
            << "again\r\n"
            << 0;
        QTest::newRow("empty line sends a CR")
            << "" << 0 << N0BBB << "N0ME" << QStringList{"D N0BBB <CR>/1@1"} << "\r\n"
            << 0;
        QTest::newRow("nobody selected") << "hello" << 0 << ""
                                         << "" << QStringList{} << "" << 0;
        QTest::newRow("selected is Open") << "hello" << 0 << "open"
                                          << "" << QStringList{} << "" << 0;
        QTest::newRow(":c n0call") << ":c n0call" << 0 << N0BBB << ""
                                   << QStringList{"c N0CALL /0@1", "P N0CALL /0@1"} << "" << 0;
        QTest::newRow(":Cn0call") << ":Cn0call" << 0 << N0BBB << ""
                                  << QStringList{"c N0CALL /0@1", "P N0CALL /0@1"} << "" << 0;
        QTest::newRow(":c  N0CALL  ") << ":c  N0CALL  " << 0 << N0BBB << ""
                                      << QStringList{"c N0CALL /0@1", "P N0CALL /0@1"} << "" << 0;
        QTest::newRow(":C alone") << ":C" << 0 << N0BBB << "" << QStringList{"c  /0@1", "P  /0@1"}
                                  << "" << 0;
        QTest::newRow(":D") << ":D" << 0 << N0BBB << "" << QStringList{"d N0BBB /0@1"} << "" << 0;
        QTest::newRow(":d ignores its argument")
            << ":d whatever" << 0 << N0BBB << "" << QStringList{"d N0BBB /0@1"} << "" << 0;
        QTest::newRow(":U hello") << ":U hello" << 0 << N0BBB << ""
                                  << QStringList{"U CQ hello<CR>/6@1"} << "" << 0;
        QTest::newRow(":X anything")
            << ":X anything" << 0 << N0BBB << "" << QStringList{} << "" << 0;
        QTest::newRow("lone colon beeps") << ":" << 0 << N0BBB << "" << QStringList{} << "" << 1;
        QTest::newRow("conference, header")
            << "all" << 1 << N0BBB << "N0BBB"
            << QStringList{"D N0BBB de N0ME: all/12@1", "D N0CCC de N0ME: all/12@1"}
            << "\r\nde N0ME: all\r\n"
            << 0;
        QTest::newRow("conference, same speaker")
            << "more" << 1 << N0BBB << "N0ME" << QStringList{"D N0BBB more/4@1", "D N0CCC more/4@1"}
            << "more" << 0;
    }
    void sendRoutine() {
        QFETCH(QString, line);
        QFETCH(int, conference);
        QFETCH(QString, selected);
        QFETCH(QString, lastSpeaker);
        StationHarness h;
        prepare(h);
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.station().channels().assign(2, QStringLiteral("N0CCC"));
        h.state.conference = conference;
        h.state.selectedCall = selected;
        h.state.lastSpeaker = lastSpeaker;
        h.prompts.answers = {QStringLiteral("CQ")};
        h.view.sendLine = line;
        h.station().sendLine().onEnter();

        QTEST(describe(h.engine.sent), "frames");
        QTEST(h.view.text(TextView::Conf), "echo");
        QTEST(h.beeper.count, "beeps");
        QCOMPARE(h.view.sendLine, QString());
    }

    void connectTakesTheFirstFreeTabAndRemembersTheCall() {
        StationHarness h;
        prepare(h);
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.view.sendLine = QStringLiteral(":c n0call");
        h.station().sendLine().onEnter();
        QCOMPARE(h.view.current, 1);
        QCOMPARE(h.view.captions[1], QStringLiteral("N0CALL"));
        QCOMPARE(h.state.connectTarget, QStringLiteral("N0CALL"));
        QCOMPARE(h.state.selectedCall, QStringLiteral("N0BBB")); // until the engine answers
        h.view.sendLine = QStringLiteral(":C N0call");
        h.station().sendLine().onEnter();
        const QString list = ConnectList::path(h.state.programDir);
        QFile f(list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\"N0CALL\"\r\n"));
    }

    void connectWithEveryTabBusyOnlyRemembers() {
        StationHarness h;
        prepare(h);
        for (int n = 0; n < 7; ++n)
            h.station().channels().assign(n, QStringLiteral("N0T%1").arg(n));
        h.view.sendLine = QStringLiteral(":c n0new");
        h.station().sendLine().onEnter();
        QVERIFY(h.engine.sent.isEmpty());
        QCOMPARE(ConnectList::read(ConnectList::path(h.state.programDir)),
                 QStringList{QStringLiteral("N0NEW")});
    }

    void lineGoesOutAtTheFirstBlankPastColumn70() {
        StationHarness h;
        prepare(h);
        h.state.selectedCall = QStringLiteral("N0BBB");
        const QString seventy = QString(70, QLatin1Char('a'));
        // Typed one character at a time, as the send line reports it.
        h.view.sendLine = QString(69, QLatin1Char('a')) + QLatin1Char(' ');
        h.station().sendLine().onTextChanged();
        QVERIFY(h.engine.sent.isEmpty()); // exactly 70 with a blank: not yet
        h.view.sendLine = seventy;
        h.station().sendLine().onTextChanged();
        h.view.sendLine = seventy + QLatin1Char(' ');
        h.station().sendLine().onTextChanged();
        QCOMPARE(h.engine.sent.size(), 1);
        QCOMPARE(h.engine.sent[0].data, (seventy + QLatin1Char('\r')).toLatin1());
        QCOMPARE(h.view.sendLine, QString());
    }

    void keepAliveFollowsTheSelectedStationEvenAfterItLeft() {
        StationHarness h;
        prepare(h);
        h.state.idleTicks = 950;
        h.station().sendLine().sendKeepAlive();
        QVERIFY(h.engine.sent.isEmpty());
        QCOMPARE(h.state.idleTicks, 0.0f);
        h.state.selectedCall = QStringLiteral("N0GONE");
        h.engine.throwOnPut = true;
        h.station().sendLine().sendKeepAlive();
        QCOMPARE(h.beeper.count, 0); // a failed keep-alive is silent
        h.engine.throwOnPut = false;
        h.station().sendLine().sendKeepAlive();
        QCOMPARE(describe(h.engine.sent), QStringList{"D N0GONE <CR>/1@1"});
    }
};

QTEST_GUILESS_MAIN(SendLineTest)
#include "tst_sendline.moc"
