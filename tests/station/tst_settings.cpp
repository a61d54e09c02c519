#include "InputFields.h"
#include "SettingsFile.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void inputFields_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("settings layout")
            << QByteArray(" 1 \r\nabc def\r\n 0 \r\n\r\n") << QStringList{"1", "abc def", "0", ""};
        QTest::newRow("comma splits") << QByteArray("a, b\r\n") << QStringList{"a", "b"};
        QTest::newRow("quoted keeps commas and blanks")
            << QByteArray("\" x, y \"\r\n") << QStringList{" x, y "};
        QTest::newRow("two quoted fields on a line")
            << QByteArray("\"N0AAA\",\"N0BBB\"\r\n\"N0CCC\"\r\n")
            << QStringList{"N0AAA", "N0BBB", "N0CCC"};
        QTest::newRow("unquoted trailing blanks go")
            << QByteArray("abc   \n") << QStringList{"abc"};
        QTest::newRow("junk after the closing quote")
            << QByteArray("\"a\"xyz,b") << QStringList{"a", "b"};
        QTest::newRow("unclosed quote runs to the end")
            << QByteArray("\"abc\r\ndef") << QStringList{"abc\r\ndef"};
        QTest::newRow("empty quoted entry") << QByteArray("\"\"\r\n") << QStringList{""};
        QTest::newRow("nothing") << QByteArray() << QStringList{};
    }
    void inputFields() {
        QFETCH(QByteArray, bytes);
        QTEST(readInputFields(bytes), "fields");
    }

    void settingsFileRoundTrip_data() {
        QTest::addColumn<QString>("beacon");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "N0ME packet station.  Please connect and say hi!"
                               << "";
        QTest::newRow("commas") << "Hi, all, 73"
                                << "/home/op/wx,data.txt";
        QTest::newRow("blanks at both ends") << "  spaced out  "
                                             << " /tmp/x ";
        QTest::newRow("empty beacon") << ""
                                      << "/var/wx.txt";
    }
    void settingsFileRoundTrip() {
        QFETCH(QString, beacon);
        QFETCH(QString, path);
        for (bool beaconOn : {true, false}) {
            const SettingsFileValues written{beaconOn, beacon, !beaconOn, path};
            SettingsFileValues read;
            read.beaconOn = true;
            QVERIFY(SettingsFile::decode(SettingsFile::encode(written), read));
            QCOMPARE(read.beaconOn, written.beaconOn);
            QCOMPARE(read.beaconText, beacon);
            QCOMPARE(read.weatherOn, written.weatherOn);
            QCOMPARE(read.weatherPath, path);
        }
    }

    void firstStartCreatesTheFileAndReadsItBack() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        const QString file =
            QDir(h.state.programDir).filePath(QStringLiteral("PacketSettings.ini"));
        QCOMPARE(
            readFileBytes(file),
            QByteArray(" 1 \r\nN0ME packet station.  Please connect and say hi!\r\n 0 \r\n\r\n"));
        QVERIFY(h.state.beaconOn);
        QVERIFY(!h.state.weatherOn);
        QCOMPARE(h.state.beaconText,
                 QStringLiteral("N0ME packet station.  Please connect and say hi!"));
    }

    void shortOrBadFilesAreRewrittenKeepingWhatWasRead_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("beaconOn");
        QTest::addColumn<QString>("beacon");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::newRow("two lines") << QByteArray(" 0 \r\nmy beacon\r\n") << false << "my beacon"
                                   << QByteArray(" 0 \r\nmy beacon\r\n 0 \r\n\r\n");
        QTest::newRow("flag not a number")
            << QByteArray("abc\r\nmy beacon\r\n 1 \r\n/x\r\n") << true << "default"
            << QByteArray(" 1 \r\ndefault\r\n 0 \r\n\r\n");
        QTest::newRow("weather flag not a number")
            << QByteArray(" 1 \r\nmine\r\nyes\r\n/x\r\n") << true << "mine"
            << QByteArray(" 1 \r\nmine\r\n 0 \r\n\r\n");
    }
    void shortOrBadFilesAreRewrittenKeepingWhatWasRead() {
        QFETCH(QByteArray, content);
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.state.beaconText = QStringLiteral("default");
        const QString file =
            QDir(h.state.programDir).filePath(QStringLiteral("PacketSettings.ini"));
        QVERIFY(writeFileBytes(file, content));
        h.station().readSettingsFile();
        QTEST(h.state.beaconOn, "beaconOn");
        QTEST(h.state.beaconText, "beacon");
        QVERIFY(!h.state.weatherOn);
        QVERIFY(h.state.weatherPath.isEmpty());
        QTEST(readFileBytes(file), "rewritten");
        // What the operator had is kept aside, once, and the status line says so.
        QCOMPARE(readFileBytes(file + QStringLiteral(".bad")), content);
        QCOMPARE(h.view.notices,
                 QStringList{QStringLiteral("PacketSettings.ini could not be read; kept as "
                                            "PacketSettings.ini.bad and written anew")});
        QVERIFY(writeFileBytes(file, "later\r\n"));
        h.station().readSettingsFile();
        QCOMPARE(readFileBytes(file + QStringLiteral(".bad")), QByteArray("later\r\n"));
    }

    // Program files planted as a FIFO or as a link out of the folder: start-up, a connect and
    // received data go on, nothing is written through the link, and the status line names the
    // file once.
    void plantedProgramFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fifo");
        for (const char* name : {"PacketSettings.ini", "Channel0.htm", "PacketConnects.lst"}) {
            QTest::addRow("%s as a FIFO", name) << QString::fromLatin1(name) << true;
            QTest::addRow("%s as a link out", name) << QString::fromLatin1(name) << false;
        }
    }
    void plantedProgramFiles() {
        QFETCH(QString, name);
        QFETCH(bool, fifo);
        StationHarness h;
        QTemporaryDir outside;
        const QString target = QDir(outside.path()).filePath(QStringLiteral("precious"));
        QVERIFY(writeFileBytes(target, "precious\r\n"));
        const QString planted = QDir(h.programDir.path()).filePath(name);
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(planted).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(target, planted));

        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        h.view.sendLine = QStringLiteral(":C N0BBB");
        h.station().onSendLineEnter();
        h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        h.engine.queue('D', "N0BBB", "hello\r");
        h.station().tick();

        QVERIFY(h.view.text(channelView(0)).contains(QLatin1String("hello")));
        QCOMPARE(readFileBytes(target), QByteArray("precious\r\n"));
        QCOMPARE(h.view.notices.filter(name).size(), 1);
        QVERIFY(h.view.notices.size() == 1);
    }

    void aFailedWriteIsToldOnceUntilItWorksAgain() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        QDir dir(h.state.programDir);
        QVERIFY(dir.remove(QStringLiteral("Channel0.htm")));
        QVERIFY(dir.mkdir(QStringLiteral("Channel0.htm"))); // in the way like a full disk
        auto receive = [&](const char* line) {
            h.engine.queue('D', "N0BBB", line);
            h.station().tick();
        };
        receive("one\r");
        receive("two\r");
        QVERIFY(dir.rmdir(QStringLiteral("Channel0.htm")));
        receive("three\r");
        QVERIFY(dir.remove(QStringLiteral("Channel0.htm")));
        QVERIFY(dir.mkdir(QStringLiteral("Channel0.htm")));
        receive("four\r");
        QCOMPARE(h.view.notices,
                 QStringList(2, QStringLiteral("Channel0.htm could not be written")));
        QCOMPARE(h.view.text(channelView(0)), QStringLiteral("one\r\ntwo\r\nthree\r\nfour\r\n"));
    }

    void portAnswers_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("port");
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("blanks and sign") << " +7 " << 7;
        QTest::newRow("x keeps the port") << "x" << 5;
        QTest::newRow("cancel keeps the port") << "" << 5;
        QTest::newRow("2.5 rounds to even") << "2.5" << 2;
        QTest::newRow("3.5 rounds to even") << "3.5" << 4;
        QTest::newRow("above 255 keeps the port") << "300" << 5;
        QTest::newRow("negative keeps the port") << "-1" << 5;
        QTest::newRow("minus a little is zero") << "-0.4" << 0;
        QTest::newRow("infinity keeps the port") << "inf" << 5;
    }
    void portAnswers() {
        QFETCH(QString, answer);
        QFETCH(int, port);
        StationHarness h;
        h.state.radioPort = 5;
        h.prompts.answers = {answer};
        h.station().onPortMenu();
        QCOMPARE(int(h.state.radioPort), port);
        QCOMPARE(h.store.value(SettingsStore::kPortNo), QString::number(port));
        QCOMPARE(h.prompts.inputs[0].prompt,
                 QStringLiteral("Please enter the port.  0 is default."));
        QCOMPARE(h.prompts.inputs[0].title, QStringLiteral("Select Port"));
        QCOMPARE(h.prompts.inputs[0].defaultAnswer, QStringLiteral("5"));
    }

    void callSignIsStoredUpperCaseAndTrimmed() {
        StationHarness h;
        h.prompts.answers = {QStringLiteral(" n0new ")};
        h.station().onCallSignMenu();
        QCOMPARE(h.store.value(SettingsStore::kCallSign), QStringLiteral("N0NEW"));
        QCOMPARE(h.engine.registrations, QList<QByteArray>{"N0NEW"});
    }

    void beaconAndWeatherSwitchesRewriteTheFile() {
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.state.beaconText = QStringLiteral("b");
        h.station().onMenuCheck(MenuCheck::WeatherDataOn);
        h.station().onMenuCheck(MenuCheck::BeaconOn);
        const QString file =
            QDir(h.state.programDir).filePath(QStringLiteral("PacketSettings.ini"));
        QCOMPARE(readFileBytes(file), QByteArray(" 0 \r\nb\r\n 1 \r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
