// The station's own files: their codecs byte for byte, what happens when they are short, bad,
// planted as FIFOs or links, or cannot be written.

#include "HomePage.h"
#include "InputFields.h"
#include "PageStore.h"
#include "SettingsFile.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

class FilesTest : public QObject {
    Q_OBJECT
    static QString settingsPath(const StationHarness& h) {
        return QDir(h.programDir.path()).filePath(QStringLiteral("PacketSettings.ini"));
    }

private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void inputFields_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("settings layout")
            << QByteArray(" 1 \r\nabc def\r\n 0 \r\n\r\n") << QStringList{"1", "abc def", "0", ""};
        QTest::newRow("comma splits, quotes keep commas and blanks")
            << QByteArray("a, b\r\n\" x, y \"\r\n") << QStringList{"a", "b", " x, y "};
        QTest::newRow("two quoted fields on a line, then an empty one")
            << QByteArray("\"N0AAA\",\"N0BBB\"\r\n\"\"\r\n") << QStringList{"N0AAA", "N0BBB", ""};
        QTest::newRow("junk after the closing quote")
            << QByteArray("\"a\"xyz,b") << QStringList{"a", "b"};
        QTest::newRow("unclosed quote runs to the end")
            << QByteArray("\"abc\r\ndef") << QStringList{"abc\r\ndef"};
        QTest::newRow("unquoted trailing blanks go")
            << QByteArray("abc   \n") << QStringList{"abc"};
    }
    void inputFields() {
        QFETCH(QByteArray, bytes);
        QTEST(readInputFields(bytes), "fields");
    }

    void settingsFileRoundTrip() {
        for (const char* beacon : {"Hi, all, 73", "  spaced out  ", ""}) {
            for (bool on : {true, false}) {
                const SettingsFileValues written{on, QString::fromLatin1(beacon), !on, " /wx,x "};
                SettingsFileValues read;
                read.beaconOn = true; // as at start-up: the file only clears it
                QVERIFY(SettingsFile::decode(SettingsFile::encode(written), read));
                QVERIFY2(read.beaconOn == on, beacon);
                QCOMPARE(read.beaconText, written.beaconText);
                QCOMPARE(read.weatherOn, !on);
                QCOMPARE(read.weatherPath, written.weatherPath);
            }
        }
    }

    // A missing file is written with the defaults; a short or bad one is rewritten keeping what
    // was read, and the bad one is kept aside (the latest only) with a notice.
    void settingsFileIsRewrittenKeepingWhatWasRead_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::newRow("missing") << QByteArray("<missing>")
                                 << QByteArray(" 1 \r\ndefault\r\n 0 \r\n\r\n");
        QTest::newRow("two lines")
            << QByteArray(" 0 \r\nmy beacon\r\n") << QByteArray(" 0 \r\nmy beacon\r\n 0 \r\n\r\n");
        QTest::newRow("flag not a number") << QByteArray("abc\r\nmy beacon\r\n 1 \r\n/x\r\n")
                                           << QByteArray(" 1 \r\ndefault\r\n 0 \r\n\r\n");
        QTest::newRow("weather flag not a number") << QByteArray(" 1 \r\nmine\r\nyes\r\n/x\r\n")
                                                   << QByteArray(" 1 \r\nmine\r\n 0 \r\n\r\n");
    }
    void settingsFileIsRewrittenKeepingWhatWasRead() {
        QFETCH(QByteArray, content);
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.state.beaconText = QStringLiteral("default");
        const bool missing = content == "<missing>";
        if (!missing)
            QVERIFY(writeFileBytes(settingsPath(h), content));
        h.station().readSettingsFile();
        QTEST(readFileBytes(settingsPath(h)), "rewritten");
        QCOMPARE(readFileBytes(settingsPath(h) + ".bad"), content);
        QCOMPARE(h.view.notices.size(), missing ? 0 : 1);
        QVERIFY(writeFileBytes(settingsPath(h), "later\r\n"));
        h.station().readSettingsFile();
        QCOMPARE(readFileBytes(settingsPath(h) + ".bad"), QByteArray("later\r\n"));
        QCOMPARE(h.view.notices.value(0),
                 QStringLiteral("PacketSettings.ini could not be read; kept as "
                                "PacketSettings.ini.bad and written anew"));
    }

    void menusRewriteTheSettingsFile() {
        StationHarness h;
        h.state.programDir = h.programDir.path();
        h.state.beaconText = QStringLiteral("old");
        h.station().onMenuCheck(MenuCheck::WeatherDataOn);
        h.station().onMenuCheck(MenuCheck::BeaconOn);
        QCOMPARE(readFileBytes(settingsPath(h)), QByteArray(" 0 \r\nold\r\n 1 \r\n\r\n"));
        h.prompts.dataAnswers = {QStringLiteral("new, beacon "), std::nullopt,
                                 QStringLiteral("/var/wx/today.txt")};
        h.station().onChangeBeaconTextMenu();
        h.station().onChangeBeaconTextMenu(); // closed by the frame: kept
        h.station().onWeatherPathMenu();
        QCOMPARE(readFileBytes(settingsPath(h)),
                 QByteArray(" 0 \r\n\"new, beacon \"\r\n 1 \r\n/var/wx/today.txt\r\n"));
        QVERIFY(h.prompts.dataDialogs[2].second); // the path comes with "Browse"
    }

    // Start-up, a connect and received data go on; nothing is written through the link and
    // the status line names the file once.
    void plantedProgramFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fifo");
        for (const char* name :
             {"PacketSettings.ini", "Channel0.htm", "PacketConnects.lst", "Heard.lst"}) {
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
        QCOMPARE(h.view.notices.size(), 1);
        QVERIFY(h.view.notices[0].startsWith(name));
    }

    void aFailedWriteIsToldOnceUntilItWorksAgain() {
        StationHarness h;
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        QDir dir(h.state.programDir);
        const auto receive = [&](const char* line, bool blocked) {
            if (blocked)
                QVERIFY(!dir.exists(QStringLiteral("Channel0.htm")) ||
                        dir.remove(QStringLiteral("Channel0.htm")));
            if (blocked)
                QVERIFY(dir.mkdir(QStringLiteral("Channel0.htm"))); // in the way like a full disk
            h.engine.queue('D', "N0BBB", line);
            h.station().tick();
            if (blocked)
                QVERIFY(dir.rmdir(QStringLiteral("Channel0.htm")));
        };
        receive("one\r", true);
        receive("two\r", true);
        receive("three\r", false);
        receive("four\r", true);
        QCOMPARE(h.view.notices,
                 QStringList(2, QStringLiteral("Channel0.htm could not be written")));
        QCOMPARE(h.beeper.count, 3);
        QCOMPARE(h.view.text(channelView(0)), QStringLiteral("one\r\ntwo\r\nthree\r\nfour\r\n"));
    }

    void homePagesByteForByte() {
        StationHarness h;
        h.state.programDir = h.programDir.path();
        for (const QByteArray& call : {QByteArray("N0ME"), QByteArray()}) {
            h.state.callSign = QString::fromLatin1(call);
            h.station().browserPanes().writeHomePages();
            for (int n : {0, 6})
                QCOMPARE(
                    readFileBytes(h.station().pages().path(n)),
                    "<html> <body bgcolor=\"#E5DCDC\" text=\"#000000\" link=\"#0000FF\" "
                    "vlink=\"#800080\" alink=\"#FF0000\"><table border=\"0\" cellpadding=\"0\" "
                    "cellspacing=\"4\" width=\"98%\"><tr><td height=\"51\"><p "
                    "align=\"center\">&nbsp;</p><p align=\"center\"><span "
                    "style=\"font-size:14pt;\"><font face=\"Arial\" color=\"navy\"><b>Wexlo's "
                    "Packet Web Browser</b></font></span></p><p align=\"center\"><span "
                    "style=\"font-size:14pt;\"><font face=\"Arial\" color=\"navy\"><b>Station: " +
                        call +
                        "</b></font></span></p><p align=\"center\"><span "
                        "style=\"font-size:14pt;\"><font face=\"Arial\" "
                        "color=\"navy\"><b>Channel: " +
                        QByteArray::number(n + 1) +
                        "</b></font></span></p><p align=\"center\"><span "
                        "style=\"font-size:10pt;\"><font face=\"Arial\" ><a "
                        "href=\"<PRHCMDShowConnectList>\">Click here to connect to a station "
                        "from your connect list.</a></font></span></p></tr></table><p>&nbsp;</p>"
                        "</body></html>\r\n");
        }
    }

    // Pages grow in place; a replaced, shortened or emptied file is written whole.
    void pageStoreExtendsInPlaceAndRewritesWhenItMust() {
        QTemporaryDir dir;
        FakeView view;
        FileNotices notices(view);
        PageStore pages(dir.path(), notices);
        QString text;
        const auto write = [&](const QString& t, const QByteArray& file) {
            text = t;
            QVERIFY(pages.write(3, text));
            QCOMPARE(readFileBytes(pages.path(3)), file);
        };
        write(QStringLiteral("one"), "one\r\n");
        write(QStringLiteral("one two"), "one two\r\n");
        pages.markReplaced(3);
        write(QStringLiteral("replaced and longer"), "replaced and longer\r\n");
        write(QStringLiteral("unannounced, longer still"), "unannounced, longer still\r\n");
        QFile(pages.path(3)).resize(0); // someone emptied it
        write(QStringLiteral("unannounced, longer still!"), "unannounced, longer still!\r\n");
        QVERIFY(pages.empty(3));
        QCOMPARE(readFileBytes(pages.path(3)), QByteArray());
    }
};

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_files.moc"
