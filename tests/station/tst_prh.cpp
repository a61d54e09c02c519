#include "PrhTags.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QtTest>

class PrhTest : public QObject {
    Q_OBJECT

    // A started station with N0BBB connected on channel 0, its tab in front.
    static void start(StationHarness& h) {
        h.store.setCallSign(QStringLiteral("N0ME"));
        h.startUp();
        h.station().channels().assign(0, QStringLiteral("N0BBB"));
        h.view.browserLoads.clear();
    }
    static void receive(StationHarness& h, const QByteArray& sender, const QByteArray& data) {
        h.engine.queue('D', sender, data);
        h.station().tick();
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    void pageNames_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain") << "see <PRHindex> now"
                               << "index" << true;
        QTest::newRow("empty name") << "<PRH>"
                                    << "" << true;
        QTest::newRow("leading blank kept") << "<PRH index>"
                                            << " index" << true;
        QTest::newRow("lower-case tag, case kept") << "<prhIndex>"
                                                   << "Index" << true;
        QTest::newRow("first of two") << "<PRHone><PRHtwo>"
                                      << "one" << true;
        QTest::newRow("command text is a page here") << "<PRHCMDx>"
                                                     << "CMDx" << true;
        QTest::newRow("no closing bracket") << "<PRHindex"
                                            << "" << false;
    }
    void pageNames() {
        QFETCH(QString, data);
        const std::optional<QString> name = PrhTags::pageName(data);
        QTEST(name.has_value(), "found");
        if (name)
            QTEST(*name, "name");
    }

    void foundPageReplacesThePageAndShowsIt() {
        StationHarness h;
        start(h);
        const QString folder = QDir(h.state.programDir).filePath(QStringLiteral("N0BBB"));
        QVERIFY(QDir().mkpath(folder));
        const QString content = QDir(folder).filePath(QStringLiteral("index.htm"));
        QVERIFY(writeFileBytes(content, "<html><b>Welcome</b></html>"));
        receive(h, "N0BBB", "look: <PRHindex>\r");

        QCOMPARE(h.state.pageText[0], QStringLiteral("<html><b>Welcome</b></html>"));
        QCOMPARE(readFileBytes(h.station().pages().path(0)),
                 QByteArray("<html><b>Welcome</b></html>\r\n"));
        QCOMPARE(h.state.browserShown[0], quint8(1));
        // The toggle shows the page file; then the pane goes to the content page and stays.
        QCOMPARE(h.view.browserLoads.last(), qMakePair(0, content));
        QVERIFY(h.prompts.messages.isEmpty());
    }

    void missingPageTellsWhereContentGoes() {
        StationHarness h;
        start(h);
        receive(h, "N0BBB", "<PRHindex>");
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages[0].title, QStringLiteral("Download HTML Content Files"));
        QVERIFY(!h.prompts.messages[0].modal); // receiving goes on while it is open
        QCOMPARE(h.prompts.messages[0].text,
                 QStringLiteral("This packet station supports Packet Radio HTML.  To display the "
                                "web based format, content files must be downloaded from the "
                                "Internet.\r\n\r\nTo download the content files for station "
                                "N0BBB, start your normal web browser, navigate to the source "
                                "files on the Internet and save them in ") +
                     h.state.programDir + QStringLiteral("/N0BBB."));
        QVERIFY(QFileInfo(QDir(h.state.programDir).filePath(QStringLiteral("N0BBB"))).isDir());
        QCOMPARE(h.state.pageText[0], QStringLiteral("<PRHindex>"));
        QVERIFY(h.view.browserLoads.isEmpty());
    }

    // Dots inside a name are ordinary; a page whose file is hidden counts as missing.
    void dotsInPageNames_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a..b") << "a..b" << true;
        QTest::newRow("hidden") << ".secret" << false;
    }
    void dotsInPageNames() {
        QFETCH(QString, page);
        StationHarness h;
        start(h);
        const QString folder = QDir(h.state.programDir).filePath(QStringLiteral("N0BBB"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFileBytes(QDir(folder).filePath(page + ".htm"), "<html>page</html>"));
        receive(h, "N0BBB", "<PRH" + page.toLatin1() + ">");
        QTEST(h.state.pageText[0] == QStringLiteral("<html>page</html>"), "shown");
        QTEST(h.prompts.messages.isEmpty(), "shown");
    }

    void unclosedTagIsIgnored() {
        StationHarness h;
        start(h);
        h.state.browserShown[0] = 1;
        receive(h, "N0BBB", "<PRHindex");
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(h.state.pageText[0], QStringLiteral("<PRHindex"));
        QVERIFY(h.view.browserLoads.isEmpty()); // no page navigation for a tag frame
    }

    void hostileNamesNeverLeaveTheProgramFolder_data() {
        QTest::addColumn<QByteArray>("sender");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("dot-dot page") << QByteArray("N0BBB") << QByteArray("<PRH../../secret>");
        QTest::newRow("separator in page") << QByteArray("N0BBB") << QByteArray("<PRHa/b>");
        QTest::newRow("backslash in page") << QByteArray("N0BBB") << QByteArray("<PRHa\\..\\b>");
        QTest::newRow("absolute page") << QByteArray("N0BBB") << QByteArray("<PRH/etc/passwd>");
        QTest::newRow("drive page") << QByteArray("N0BBB") << QByteArray("<PRHC:secret>");
        QTest::newRow("dot-dot sender") << QByteArray("..") << QByteArray("<PRHsecret>");
        QTest::newRow("path sender") << QByteArray("../out") << QByteArray("<PRHsecret>");
    }
    void hostileNamesNeverLeaveTheProgramFolder() {
        QFETCH(QByteArray, sender);
        QFETCH(QByteArray, data);
        QTemporaryDir outside;
        StationHarness h;
        // The program folder sits one level below a folder holding a secret page.
        const QString parent = h.programDir.path();
        QVERIFY(QDir(parent).mkdir(QStringLiteral("prog")));
        QDir::setCurrent(QDir(parent).filePath(QStringLiteral("prog")));
        QVERIFY(writeFileBytes(QDir(parent).filePath(QStringLiteral("secret.htm")), "SECRET"));
        start(h);
        h.station().channels().assign(0, QString::fromLatin1(sender));
        const QStringList before = QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        receive(h, sender, data);

        QVERIFY(!h.state.pageText[0].contains(QLatin1String("SECRET")));
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(h.view.browserLoads.isEmpty());
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(QDir(h.state.programDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void symbolicLinkOutOfTheProgramFolderIsNotFollowed() {
        QTemporaryDir outside;
        QVERIFY(
            writeFileBytes(QDir(outside.path()).filePath(QStringLiteral("index.htm")), "SECRET"));
        StationHarness h;
        start(h);
        QVERIFY(QFile::link(outside.path(),
                            QDir(h.state.programDir).filePath(QStringLiteral("N0BBB"))));
        receive(h, "N0BBB", "<PRHindex>");
        QVERIFY(!h.state.pageText[0].contains(QLatin1String("SECRET")));
        QVERIFY(h.view.browserLoads.isEmpty());
    }

    void commandLinks_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("proceeds");
        QTest::addColumn<int>("connectLists");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("ordinary page") << "/tmp/page.htm" << true << 0 << QStringList{};
        QTest::newRow("show connect list")
            << "<PRHCMDShowConnectList>" << false << 1 << QStringList{};
        QTest::newRow("any case, encoded and resolved")
            << "file:///home/op/%3Cprhcmdshowconnectlist%3E" << false << 1 << QStringList{};
        QTest::newRow("connect command")
            << "%3CPRHCMD:C%20n0xyz%3E" << false << 0 << QStringList{"c N0XYZ", "P N0XYZ"};
        QTest::newRow("empty command sends a bare line")
            << "<PRHCMD>" << false << 0 << QStringList{"D N0BBB"};
        QTest::newRow("no closing bracket") << "<PRHCMD:C N0XYZ" << false << 0 << QStringList{};
    }
    void commandLinks() {
        QFETCH(QString, target);
        StationHarness h;
        start(h);
        h.state.selectedCall = QStringLiteral("N0BBB");
        h.view.sendLine = QStringLiteral("typed");
        h.engine.sent.clear();
        h.station().onLinkClicked(2, target);
        const bool proceeded = !h.view.browserLoads.isEmpty();
        QTEST(proceeded, "proceeds");
        QTEST(int(h.prompts.connectLists.size()), "connectLists");
        QStringList frames;
        for (const auto& f : h.engine.sent)
            frames << QStringLiteral("%1 %2")
                          .arg(QChar(f.kind))
                          .arg(QString::fromLatin1(f.destination));
        QTEST(frames, "frames");
    }

    void connectListPicksConnectAndDiscardTypedText_data() {
        QTest::addColumn<QString>("pick");
        QTest::addColumn<int>("frames");
        QTest::newRow("station") << "N0XYZ" << 2;
        QTest::newRow("nothing picked") << "" << 0;
        QTest::newRow("two characters never connect") << "AB" << 0;
        QTest::newRow("three characters do") << "ABC" << 2;
    }
    void connectListPicksConnectAndDiscardTypedText() {
        QFETCH(QString, pick);
        StationHarness h;
        start(h);
        QFile list(QDir(h.state.programDir).filePath(QStringLiteral("PacketConnects.lst")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("\"ZULU\"\r\n\"ALPHA\",\"BRAVO\"\r\n\"\"\r\n");
        list.close();
        h.view.sendLine = QStringLiteral("unsent words");
        h.prompts.picks = {pick};
        h.engine.sent.clear();
        h.station().onConnectMenu();
        QCOMPARE(h.prompts.connectLists.value(0), (QStringList{"ZULU", "ALPHA", "BRAVO", ""}));
        QTEST(int(h.engine.sent.size()), "frames");
        for (const auto& f : h.engine.sent)
            QCOMPARE(f.destination, pick.toLatin1());
        QCOMPARE(h.view.sendLine, QString());
    }
};

QTEST_GUILESS_MAIN(PrhTest)
#include "tst_prh.moc"
