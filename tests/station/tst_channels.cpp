#include "Channels.h"
#include "StationHarness.h"
#include "TextRoutines.h"

#include <QtTest>

class ChannelsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void expandLineBreaks_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("crlf doubles") << "a\r\nb"
                                      << "a\r\n\r\nb";
        QTest::newRow("lone lf") << "\n"
                                 << "\r\n";
        QTest::newRow("lone cr") << "x\r"
                                 << "x\r\n";
        QTest::newRow("plain") << "abc"
                               << "abc";
        QTest::newRow("empty") << ""
                               << "";
    }
    void expandLineBreaks() {
        QFETCH(QString, in);
        QTEST(::expandLineBreaks(in), "out");
    }

    void appendAllTrafficAddsALineEndByItsRule_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("shown");
        QTest::newRow("three chars stay bare") << "abc"
                                               << "abc";
        QTest::newRow("four chars get CR LF") << "abcd"
                                              << "abcd\r\n";
        // The check looks one pair early, so a CR at the end gets a second pair.
        QTest::newRow("ending in CR") << "ab\r"
                                      << "ab\r\n\r\n";
        QTest::newRow("ending in CR LF") << "abcd\r\n"
                                         << "abcd\r\n\r\n";
        // A pair two characters before the end counts as the line end.
        QTest::newRow("pair before the last two") << "ab\nyz"
                                                  << "ab\r\nyz";
        QTest::newRow("pair one before end") << "ab\r\nx"
                                             << "ab\r\n\r\nx\r\n";
    }
    void appendAllTrafficAddsALineEndByItsRule() {
        QFETCH(QString, in);
        QFETCH(QString, shown);
        StationHarness h;
        QString text = in;
        h.station().channels().appendAllTraffic(text);
        QCOMPARE(text, shown);
        QCOMPARE(h.view.text(TextView::AllTraffic), shown);
        QCOMPARE(h.view.text(TextView::AllTrafficMirror), shown);
        QCOMPARE(h.view.carets.value(TextView::AllTrafficMirror), shown.size());
        if (shown.size() > 4)
            QCOMPARE(h.view.carets.value(TextView::AllTraffic), shown.size() - 3);
        else
            QVERIFY(!h.view.carets.contains(TextView::AllTraffic));
    }

    void allTrafficIsCutBackToItsLast9000Characters() {
        StationHarness h;
        Channels& channels = h.station().channels();
        QString fill = QString(9995, QLatin1Char('x'));
        channels.appendAllTraffic(fill); // 9995 + CR LF
        QCOMPARE(h.view.text(TextView::AllTraffic).size(), 9997);
        QString more = QStringLiteral("0123456789");
        channels.appendAllTraffic(more);
        const QString strip = h.view.text(TextView::AllTraffic);
        QCOMPARE(strip.size(), 9000);
        QVERIFY(strip.endsWith(QStringLiteral("0123456789\r\n")));
        QCOMPARE(h.view.text(TextView::AllTrafficMirror), strip);
        QCOMPARE(h.view.carets.value(TextView::AllTraffic), 8997);
    }

    void relayGoesToEveryBusyChannelInTabOrder() {
        StationHarness h;
        h.state.radioPort = 2;
        h.station().channels().assign(3, QStringLiteral("N0DDD"));
        h.station().channels().assign(0, QStringLiteral("N0AAA"));
        h.station().channels().relayToConference(QStringLiteral("hi\r\n"));
        QCOMPARE(h.engine.sent.size(), 2);
        QCOMPARE(h.engine.sent[0].destination, QByteArray("N0AAA"));
        QCOMPARE(h.engine.sent[1].destination, QByteArray("N0DDD"));
        for (const auto& f : h.engine.sent) {
            QCOMPARE(f.data, QByteArray("hi\r\n"));
            QCOMPARE(f.kind, int('D'));
            QCOMPARE(f.length, 4);
            QCOMPARE(int(f.port), 2);
        }
    }
};

QTEST_GUILESS_MAIN(ChannelsTest)
#include "tst_channels.moc"
