#include "SendFile.h"
#include "StationHarness.h"

#include <QtTest>

namespace {
QString writeTemp(QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("upload.txt"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}
} // namespace

class SendFileTest : public QObject {
    Q_OBJECT

    static void prepare(StationHarness& h) {
        h.state.programDir = h.programDir.path();
        h.state.callSign = QStringLiteral("N0ME");
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.state.radioPort = 2;
        h.station();
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    void piecesThenACarriageReturn_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("empty") << QByteArray() << QList<int>{1};
        QTest::newRow("80") << QByteArray(80, 'a') << QList<int>{80, 1};
        QTest::newRow("81") << QByteArray(81, 'a') << QList<int>{80, 1, 1};
        QTest::newRow("CR LF content cut anywhere")
            << QByteArray("line one\r\n").repeated(9) << QList<int>{80, 10, 1};
    }
    void piecesThenACarriageReturn() {
        QFETCH(QByteArray, contents);
        QFETCH(QList<int>, lengths);
        QTemporaryDir dir;
        StationHarness h;
        prepare(h);
        h.prompts.files = {writeTemp(dir, contents)};
        h.station().onSendFileMenu();

        QList<int> sentLengths;
        QByteArray joined;
        for (const auto& f : h.engine.sent) {
            sentLengths << f.length;
            QCOMPARE(f.destination, QByteArray("N0BBB"));
            QCOMPARE(f.kind, int('D'));
            QCOMPARE(int(f.port), 2);
            QCOMPARE(f.length, f.data.size());
            joined += f.data;
        }
        QCOMPARE(sentLengths, lengths);
        QCOMPARE(joined, contents + '\r');
    }

    void nothingGoesOutWithoutCallSignStationOrFile_data() {
        QTest::addColumn<QString>("callSign");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("pickFile");
        QTest::addColumn<int>("beeps");
        QTest::newRow("no own call sign") << ""
                                          << "N0BBB" << true << 0;
        QTest::newRow("no station selected") << "N0ME"
                                             << "" << true << 1;
        QTest::newRow("selected is Open") << "N0ME"
                                          << "OPEN" << true << 1;
        QTest::newRow("dialog cancelled") << "N0ME"
                                          << "N0BBB" << false << 0;
    }
    void nothingGoesOutWithoutCallSignStationOrFile() {
        QFETCH(QString, callSign);
        QFETCH(QString, selected);
        QFETCH(bool, pickFile);
        QTemporaryDir dir;
        StationHarness h;
        prepare(h);
        h.state.callSign = callSign;
        h.state.selectedCall = selected;
        if (pickFile)
            h.prompts.files = {writeTemp(dir, "data")};
        h.station().onSendFileMenu();
        QVERIFY(h.engine.sent.isEmpty());
        QTEST(h.beeper.count, "beeps");
    }

    void monitorShowsTheRawValuesWhileVisible() {
        StationHarness h;
        prepare(h);
        h.engine.queue('D', "N0BBB", "hello", 1);
        h.station().tick();
        QVERIFY(h.view.monitorLabels.isEmpty()); // hidden: never written
        h.view.monitorVisible = true;
        h.engine.queue('D', "N0BBB", "hello", 1);
        h.station().tick();
        const QString from = QStringLiteral("N0BBB") + QString(20, QChar(0));
        const QString data = QStringLiteral("hello") + QString(3995, QChar(0));
        QCOMPARE(h.view.monitorLabels, (QStringList{"1", from, data, "5", "68", "1"}));
        h.station().tick(); // nothing waiting: empty fields
        QCOMPARE(h.view.monitorLabels,
                 (QStringList{"0", QString(25, QChar(0)), QString(4000, QChar(0)), "0", "0", "0"}));
    }
};

QTEST_GUILESS_MAIN(SendFileTest)
#include "tst_sendfile.moc"
