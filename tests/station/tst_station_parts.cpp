// The station's parts one at a time: its files (also bad, planted or unwritable), beacon, DX/WX
// capture, start-up, menus, heard list, monitor filter, session logs, backlog, engine loss.

#include "AgwTcpLink.h"
#include "AgwTranslation.h"
#include "FakeEngine.h"
#include "InputFields.h"
#include "SettingsFile.h"
#include "StationHarness.h"
#include "TestFiles.h"
#include "WeatherReport.h"

#include <QDirIterator>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {
// The example weather file with these fields replaced, cut to `count` fields.
QByteArray wxFile(const QMap<int, QByteArray>& changes = {}, int count = 25) {
    static const QMap<int, QByteArray> example{
        {5, "12/5/2026"}, {6, "09:15"}, {7, "STN"}, {10, "45"},    {11, "+2"},
        {16, "5"},        {17, "12"},   {21, "NW"}, {23, "30.01"}, {24, "-0.02"}};
    QByteArrayList parts;
    for (int i = 0; i < count; ++i)
        parts << changes.value(i, example.value(i));
    return parts.join('|');
}
QByteArray wx(const QByteArray& report) {
    return "WX U " + QByteArray::number(report.size() + 1) + "@3 " + report + "<CR>";
}
const QByteArray kReport = "WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr -0.02|STN";
const QByteArray kEmpty = "WX MYCALL|Tmp |3hr |Wnd |Max |Dir |Bar |3hr |";
const QByteArray kBeacon = "BEACON U 22@3 MYCALL packet station<CR>";

// Beacons (or ticks) with this weather file unless a path is set and these switched on ('w'eather,
// 'b'eacon); what went out, "to kind length@port data" a line.
QByteArray beacon(StationHarness& h, const QByteArray& file, const char* on = "wb",
                  const char* call = "MYCALL", bool tick = false) {
    h.state.programDir = h.programDir.path(), h.state.radioPort = 3;
    h.state.beaconText = QStringLiteral("MYCALL packet station"), h.state.callSign = call;
    h.state.weatherOn = strchr(on, 'w'), h.state.beaconOn = strchr(on, 'b');
    if (h.state.weatherPath.isNull() &&
        !writeFileBytes(h.state.weatherPath = h.programDir.filePath("wx.txt"), file))
        return "<file not written>";
    h.state.beaconTicks = PollTick::kBeaconLimit;
    tick ? h.station().tick() : h.station().beacon().sendBeacon();
    QByteArrayList out;
    for (const auto& f : h.engine.sent)
        out << f.destination + ' ' + char(f.kind) + ' ' + QByteArray::number(f.length) + '@' +
                   QByteArray::number(f.port) + ' ' + QByteArray(f.data).replace('\r', "<CR>");
    return out.join('\n') + (h.state.beaconTicks != 0 ? "<count not restarted>" : "");
}

void start(StationHarness& h, const char* call = "N0ME") {
    h.store.setCallSign(QString::fromLatin1(call));
    h.startUp();
}

// Holds what it is sent until the test lets it go out; answers with the count at the question.
struct HoldingEngine : RecordingEngine {
    bool reportsOutstanding() const override { return counts; }
    void askOutstanding(const QByteArray& call, quint8) override { asks << call, question = held; }
    std::optional<quint32> takeOutstanding(const QByteArray&) override {
        return answering ? std::exchange(question, std::nullopt) : std::nullopt;
    }
    qint16 putData(const QByteArray& to, const QByteArray& d, int k, int n, quint8 p) override {
        most = qMax(most, held += k == 'D');
        return RecordingEngine::putData(to, d, k, n, p);
    }
    QByteArrayList asks;
    std::optional<quint32> question;
    quint32 held = 0, most = 0;
    bool answering = true, counts = true; // without counts, it is an engine of before
};

// N0BBB connected and welcomed, the welcome gone out; a file of 1 000 bytes to send.
void connectN0BBB(StationHarness& h, HoldingEngine& engine) {
    h.link = &engine, start(h);
    engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
    for (int tick = 0; tick < 3; ++tick, engine.sent.clear())
        h.station().tick(), engine.held = 0;
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += char(i * 7);
    h.prompts.files = {h.programDir.filePath(QStringLiteral("upload.bin"))};
    writeFileBytes(h.prompts.files.front(), bytes);
}

AgwFrame frame(char kind, const QByteArray& from, const QByteArray& data) {
    return {0, kind, quint8(kind == 'D' ? 0xF0 : 0), from, "N0AAA", data};
}

// Ticks until the condition holds, at most about three seconds.
template <typename Condition> bool tickUntil(StationHarness& h, Condition done) {
    for (int i = 0; i < 300 && !done(); ++i)
        h.station().tick(), QTest::qWait(10);
    return done();
}
} // namespace

class StationPartsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void beaconAndWeather() {
        const QDate day = FixedClock().when.date();
        // '+' today, '-' not; past 80 characters nothing is looked at, even a date that would do.
        const QString far = QStringLiteral("12/5/2026") + QString(59, QLatin1Char(' '));
        for (const QString& row :
             QStringLiteral("+12/5/2026|+12/5/26|+2026-12-05|+5.12.2026|+12/5/2026 9:18:31 AM|"
                            "+\r\n 12/5/2026 \r\n|+%1|+%2 9:18 AM|-12/4/2026|-5/12/2026|-2/30/2026|"
                            "-12/5/2026 banana|-|-%3 9:18 AM")
                 .arg(QLocale().toString(day, QLocale::ShortFormat), far,
                      far + QString(15, QLatin1Char(' ')))
                 .split(QLatin1Char('|')))
            QVERIFY2(Weather::isDateOfDay(row.mid(1), day) == row.startsWith(QLatin1Char('+')),
                     qPrintable(row));

        QByteArray every;
        for (int i = 0; i < 200 * 1024; ++i)
            every += char(i % 256);
        const QByteArray both = wx(kReport) + '\n' + kBeacon, yesterday = "12/4/2026";
        // The file, what is switched on, what goes out; field 6 empty: no date check.
        const std::tuple<QByteArray, const char*, QByteArray> rows[] = {
            {wxFile(), "wb", both},
            {wxFile({{5, yesterday}}), "wb", ""},
            {wxFile({{6, ""}, {5, yesterday}}), "w", wx(kReport)},
            {wxFile({}, 12), "w", wx("WX MYCALL|Tmp 45|3hr +2|Wnd |Max |Dir |Bar |3hr |STN")},
            {"just some text", "w", wx(kEmpty)},
            {wxFile({{7, "STN\r\n"}}, 8), "w", wx(kEmpty + "STN\r\n").replace("\r\n", "<CR>\n")},
            {wxFile({{7, "45\xB0\x46 \xE9t\xE9"}}), "w",
             wx(kReport.chopped(3) + "45\xB0\x46 \xE9t\xE9")},
            {wxFile({{5, yesterday}}), "b", kBeacon},
            {every, "wb", ""},
            {QByteArray(every).replace('|', '}'), "wb", wx(kEmpty) + '\n' + kBeacon}};
        for (const auto& [file, on, frames] : rows) {
            StationHarness h;
            QCOMPARE(beacon(h, file, on), frames);
            QCOMPARE(h.beeper.count, 0);
        }
        StationHarness my; // a call of two characters
        QCOMPARE(beacon(my, wxFile(), "wb", "MY"), QByteArray());
        // No path, a missing file, a folder, a FIFO nobody writes to: nothing goes, nothing hangs.
        for (const char* name : {"", "absent.txt", ".", "pipe"}) {
            StationHarness h;
            h.state.weatherPath = *name ? h.programDir.filePath(QString::fromLatin1(name)) : "";
            QVERIFY(*name != 'p' || ::mkfifo(QFile::encodeName(h.state.weatherPath), 0600) == 0);
            QVERIFY2(beacon(h, {}).isEmpty(), name);
        }
        // Field 6 begins only past the first 64 KiB of a 100 MB file: no date check is due.
        StationHarness h;
        QFile f(h.state.weatherPath = h.programDir.filePath(QStringLiteral("huge.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("a|b|c|d|e|") == 10 &&
                f.seek(100LL << 20) && f.write("|rubbish that is no date") == 24);
        f.close();
        QCOMPARE(beacon(h, {}), wx(kEmpty) + '\n' + kBeacon);
        h.engine.sent.clear(), h.state.weatherPath = QString(); // written anew by beacon()
        QCOMPARE(beacon(h, wxFile(), "wb", "MYCALL", true), both);
    }

    void capture() {
        using enum TextView;
        // Text; as cleaned (null: unchanged), which the Data view holds too; the view showing it.
        const std::tuple<const char*, const char*, TextView> rows[] = {
            {"DX de N0ABC: 14025.0", nullptr, DX},
            {"dx de n0abc: 7010", nullptr, DX},
            {"WX MYCALL|Tmp 45", nullptr, WX},
            {"   DX de N0ABC  ", "DX de N0ABC", DX},
            {"Fm N0ABC To DX\nDX de N0ABC\nmore", "DX de N0ABC\r\nmore", DX},
            {"DX a\rb\r", "DX a\r\nb\r\n", DX},
            {"DX a\r\r", "DX a\r\n", DX},
            {"\r\r", "\r\n", Data}, // four characters: the end is checked
            {"x\r", "x\r\n", Data}, // three: it is not
            {"CQ CQ de N0ABC", nullptr, Data},
            {"spot: DX", nullptr, Data}};
        for (const auto& [in, out, view] : rows) {
            StationHarness h;
            QString text = QString::fromLatin1(in);
            h.station().beacon().captureDxWx(text);
            const QString cleaned = QString::fromLatin1(out ? out : in);
            QCOMPARE(QStringList({text, h.view.text(Data), h.view.text(DX), h.view.text(WX)}),
                     QStringList(
                         {cleaned, cleaned, view == DX ? cleaned : "", view == WX ? cleaned : ""}));
            for (auto it = h.view.carets.cbegin(); it != h.view.carets.cend(); ++it)
                QCOMPARE(it.value(), h.view.text(it.key()).size());
        }
        // Duplicates are kept out of their view; Data keeps everything.
        const std::tuple<const char*, const char*, TextView, const char*> dups[] = {
            {"DX de N0ABC: 14025", "dx DE n0abc: 14025", DX, "DX de N0ABC: 14025"},
            {"DX de N0ABC: 14025 X", "DX de N0ABC", DX, "DX de N0ABC: 14025 X"},
            {"DX de N0ABC", "DX de N0ABC: 14025", DX, "DX de N0ABCDX de N0ABC: 14025"},
            {"WX MYCALL|Tmp 45", "wx mycall|TMP 45", WX, "WX MYCALL|Tmp 45"},
            {"WX Tmp 45\r", "  WX Tmp 45\r\r  ", WX, "WX Tmp 45\r\n"}};
        for (const auto& [one, two, view, shown] : dups) {
            StationHarness h;
            QString first = QString::fromLatin1(one), second = QString::fromLatin1(two);
            h.station().beacon().captureDxWx(first), h.station().beacon().captureDxWx(second);
            QCOMPARE(h.view.text(view), QString::fromLatin1(shown));
            QCOMPARE(h.view.text(Data), first + second);
        }
        // The bound cuts back, and lets what it cut away in again.
        StationHarness h;
        QString all, fresh = QStringLiteral("DX 14025 1");
        for (int i = 0; i < 6; ++i) {
            QString spot = i < 5 ? QStringLiteral("DX%1").arg(i) + QString(1996, 'x') : fresh;
            all += spot, h.station().beacon().captureDxWx(spot);
        }
        QCOMPARE(h.view.text(DX), all.right(9000));
        QCOMPARE(h.view.text(Data), all.right(9000));
        QString again = QStringLiteral("DX0") + QString(1996, 'x');
        h.station().beacon().captureDxWx(again);
        QVERIFY(h.view.text(DX).endsWith(fresh + again));
    }

    void settingsFile() {
        const std::pair<QByteArray, QStringList> fields[] = {
            {" 1 \r\nabc def\r\n 0 \r\n\r\n", {"1", "abc def", "0", ""}}, // the settings layout
            {"a, b\r\n\" x, y \"\r\n", {"a", "b", " x, y "}}, // quotes keep commas and blanks
            {"\"N0AAA\",\"N0BBB\"\r\n\"\"\r\n", {"N0AAA", "N0BBB", ""}},
            {"\"a\"xyz,b", {"a", "b"}},       // junk after the closing quote
            {"\"abc\r\ndef", {"abc\r\ndef"}}, // an unclosed quote runs to the end
            {"abc   \n", {"abc"}}};
        for (const auto& [bytes, expected] : fields)
            QCOMPARE(readInputFields(bytes), expected);
        for (const char* beacon : {"Hi, all, 73", "  spaced out  ", ""})
            for (bool on : {true, false}) {
                const SettingsFileValues written{on, QString::fromLatin1(beacon), !on, " /wx,x "};
                SettingsFileValues read; // beaconOn set as at start-up: the file only clears it
                QVERIFY(SettingsFile::decode(SettingsFile::encode(written), read));
                QCOMPARE(SettingsFile::encode(read), SettingsFile::encode(written));
            }
        // Missing: written with the defaults. Short or bad: rewritten with what was read, the bad
        // one kept aside (the latest only), a notice.
        const std::pair<QByteArray, QByteArray> rows[] = {
            {"<missing>", " 1 \r\ndefault\r\n 0 \r\n\r\n"},
            {" 0 \r\nmy beacon\r\n", " 0 \r\nmy beacon\r\n 0 \r\n\r\n"},
            {"abc\r\nmy beacon\r\n 1 \r\n/x\r\n", " 1 \r\ndefault\r\n 0 \r\n\r\n"},
            {" 1 \r\nmine\r\nyes\r\n/x\r\n", " 1 \r\nmine\r\n 0 \r\n\r\n"}};
        const auto ini = [](StationHarness& h, const char* suffix = "") {
            return h.programDir.filePath(QStringLiteral("PacketSettings.ini") + suffix);
        };
        for (const auto& [content, rewritten] : rows) {
            StationHarness h;
            h.state.programDir = h.programDir.path(), h.state.beaconText = "default";
            QVERIFY(content == "<missing>" || writeFileBytes(ini(h), content));
            h.station().readSettingsFile();
            QCOMPARE(readFileBytes(ini(h)), rewritten);
            QCOMPARE(readFileBytes(ini(h, ".bad")), content);
            QCOMPARE(h.view.notices.size(), content == "<missing>" ? 0 : 1);
            QVERIFY(writeFileBytes(ini(h), "later\r\n"));
            h.station().readSettingsFile();
            QCOMPARE(readFileBytes(ini(h, ".bad")), QByteArray("later\r\n"));
            QCOMPARE(h.view.notices.value(0), "PacketSettings.ini could not be read; kept as "
                                              "PacketSettings.ini.bad and written anew");
        }
        StationHarness h;
        h.state.programDir = h.programDir.path(), h.state.beaconText = "old";
        h.station().onMenuCheck(MenuCheck::WeatherDataOn),
            h.station().onMenuCheck(MenuCheck::BeaconOn);
        QCOMPARE(readFileBytes(ini(h)), QByteArray(" 0 \r\nold\r\n 1 \r\n\r\n"));
        h.prompts.dataAnswers = {QStringLiteral("new, beacon "), std::nullopt,
                                 QStringLiteral("/var/wx/today.txt")};
        h.station().onChangeBeaconTextMenu(), h.station().onChangeBeaconTextMenu(); // then closed
        h.station().onWeatherPathMenu();
        QCOMPARE(readFileBytes(ini(h)),
                 QByteArray(" 0 \r\n\"new, beacon \"\r\n 1 \r\n/var/wx/today.txt\r\n"));
        QVERIFY(h.prompts.dataDialogs[2].second); // the path comes with "Browse"
    }

    void programFiles() {
        // Planted: start-up, a connect and data go on; nothing goes through a link; one notice.
        for (const char* name :
             {"PacketSettings.ini", "Channel0.htm", "PacketConnects.lst", "Heard.lst"})
            for (bool fifo : {true, false}) {
                StationHarness h;
                QTemporaryDir outside;
                const QString target = outside.filePath(QStringLiteral("precious")),
                              planted = h.programDir.filePath(QString::fromLatin1(name));
                QVERIFY(writeFileBytes(target, "precious\r\n"));
                QVERIFY(fifo ? ::mkfifo(QFile::encodeName(planted), 0600) == 0
                             : QFile::link(target, planted));
                start(h);
                h.view.sendLine = QStringLiteral(":C N0BBB"), h.station().onSendLineEnter();
                h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
                h.engine.queue('D', "N0BBB", "hello\r"), h.station().tick();
                QVERIFY2(h.view.text(channelView(0)).contains(QLatin1String("hello")), name);
                QCOMPARE(readFileBytes(target), QByteArray("precious\r\n"));
                QCOMPARE(h.view.notices.size(), 1);
                QVERIFY2(h.view.notices[0].startsWith(QLatin1String(name)), name);
            }

        // A failed write is told once until it works again.
        StationHarness h;
        start(h), h.station().channels().assign(0, QStringLiteral("N0BBB"));
        QDir dir(h.state.programDir);
        const QString page = QStringLiteral("Channel0.htm");
        for (const QByteArray line : {"one\r", "two\r", "three\r", "four\r"}) {
            const bool blocked = line != "three\r"; // a folder in the way, like a full disk
            QVERIFY(!blocked || ((!dir.exists(page) || dir.remove(page)) && dir.mkdir(page)));
            h.engine.queue('D', "N0BBB", line), h.station().tick();
            QVERIFY(!blocked || dir.rmdir(page));
        }
        QCOMPARE(h.view.notices, QStringList(2, page + " could not be written"));
        QCOMPARE(h.beeper.count, 3);
        QCOMPARE(h.view.text(channelView(0)), QStringLiteral("one\r\ntwo\r\nthree\r\nfour\r\n"));

        const QByteArray home =
            "<html> <body bgcolor=\"#E5DCDC\" text=\"#000000\" link=\"#0000FF\" vlink=\"#800080\" "
            "alink=\"#FF0000\"><table border=\"0\" cellpadding=\"0\" cellspacing=\"4\" "
            "width=\"98%\"><tr><td height=\"51\"><p align=\"center\">&nbsp;</p><p align=\"center\">"
            "<span style=\"font-size:14pt;\"><font face=\"Arial\" color=\"navy\"><b>Wexlo's Packet "
            "Web Browser</b></font></span></p><p align=\"center\"><span style=\"font-size:14pt;\">"
            "<font face=\"Arial\" color=\"navy\"><b>Station: %1</b></font></span></p><p "
            "align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" color=\"navy\">"
            "<b>Channel: %2</b></font></span></p><p align=\"center\"><span "
            "style=\"font-size:10pt;\"><font face=\"Arial\" ><a href=\"<PRHCMDShowConnectList>\">"
            "Click here to connect to a station from your connect list.</a></font></span></p></tr>"
            "</table><p>&nbsp;</p></body></html>\r\n";
        StationHarness p;
        p.state.programDir = p.programDir.path();
        for (const char* call : {"N0ME", ""}) {
            p.state.callSign = call, p.station().browserPanes().writeHomePages();
            for (int n : {0, 6})
                QCOMPARE(readFileBytes(p.station().pages().path(n)),
                         QString::fromLatin1(home).arg(call).arg(n + 1).toLatin1());
        }

        // Pages grow in place; a replaced, shortened or emptied file is written whole.
        QTemporaryDir store;
        FileNotices notices(h.view);
        PageStore pages(store.path(), notices);
        for (const QString text : {"one", "one two", "replaced and longer",
                                   "unannounced, longer still", "unannounced, longer still!"}) {
            if (text.startsWith(QLatin1String("replaced")))
                pages.markReplaced(3);
            if (text.endsWith(QLatin1Char('!')))
                QFile(pages.path(3)).resize(0); // someone emptied it
            QVERIFY(pages.write(3, text));
            QCOMPARE(readFileBytes(pages.path(3)), text.toLatin1() + "\r\n");
        }
        QVERIFY(pages.empty(3));
        QCOMPARE(readFileBytes(pages.path(3)), QByteArray());
    }

    void startUpAndMenus() {
        // A stored call sign registers once, after the window shows.
        StationHarness h;
        bool shownAtRegistration = false;
        h.engine.onStartPoll = [&] { shownAtRegistration = h.view.shown; };
        start(h, "N0AAA");
        QCOMPARE(h.engine.registrations, QList<QByteArray>{"N0AAA"});
        QCOMPARE(h.engine.lastAppName, QByteArray("WexloPacketMonitor "));
        QVERIFY(shownAtRegistration && h.timer.active && !h.view.retryVisible);
        QVERIFY(h.prompts.inputs.isEmpty() && h.prompts.messages.isEmpty());
        // A missing one is asked before the window shows.
        StationHarness m;
        bool shownAtPrompt = true;
        m.prompts.onInput = [&] { shownAtPrompt = m.view.shown; };
        m.prompts.answers = {QStringLiteral("n0ccc")}, m.startUp();
        QCOMPARE(m.prompts.inputs.size(), 1);
        QVERIFY(!shownAtPrompt && m.view.shown);

        // Port, clear on new page, browser on start: as stored, then as read.
        const char* const stored[][2] = {
            {"", "0 1 0"}, {"3,0,1", "3 0 1"}, {"abc,x,yes", "0 1 0"}, {"300,2,-1", "0 0 0"}};
        for (const auto& [values, read] : stored) {
            StationHarness s;
            const char* keys[] = {SettingsStore::kPortNo, SettingsStore::kHtmlClear,
                                  SettingsStore::kBrowserOnStart};
            const QStringList given = QString::fromLatin1(values).split(',', Qt::SkipEmptyParts);
            for (int i = 0; i < given.size(); ++i)
                s.store.setValue(keys[i], given[i]);
            s.store.setValue(SettingsStore::kConference, QStringLiteral("1"));
            start(s, "N0AAA");
            QCOMPARE(QString::asprintf("%d %d %d", s.state.radioPort, s.state.clearHtmlData,
                                       s.state.browserOnStart),
                     QLatin1String(read));
            QCOMPARE(s.view.menuChecks.value(MenuCheck::ClearHtmlData), s.state.clearHtmlData);
            QVERIFY(s.view.conferenceChecked && s.state.conference == 1);
            QVERIFY(s.engine.sent.isEmpty()); // a restored conference announces nothing
        }

        // Option menus flip and store their marks.
        StationHarness o;
        o.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QCOMPARE(o.store.value(SettingsStore::kHtmlClear), QStringLiteral("0"));
        o.station().onMenuCheck(MenuCheck::ClearHtmlData);
        QCOMPARE(o.store.value(SettingsStore::kHtmlClear), QStringLiteral("1"));
        o.station().onMenuCheck(MenuCheck::MoveToFront);
        QVERIFY(!o.state.moveToFront && !o.view.menuChecks.value(MenuCheck::MoveToFront, true));
        // Closing releases the engine once, but exiting does not.
        StationHarness c, x;
        x.station().requestExit();
        for (StationHarness* s : {&c, &x})
            s->station().release(), s->station().release();
        QCOMPARE(QList<int>({c.engine.closes, x.engine.closes}), QList<int>({1, 0}));

        // What the port menu keeps (5 before): whole numbers 0 to 255, halves to even.
        const char* const ports[][2] = {{"3", "3"},    {" +7 ", "7"}, {"x", "5"},   {"", "5"},
                                        {"2.5", "2"},  {"3.5", "4"},  {"300", "5"}, {"-1", "5"},
                                        {"-0.4", "0"}, {"inf", "5"}};
        for (const auto& [answer, kept] : ports) {
            StationHarness p;
            p.state.radioPort = 5, p.prompts.answers = {QString::fromLatin1(answer)};
            p.station().onPortMenu();
            QCOMPARE(QString::number(p.state.radioPort), QLatin1String(kept));
            QCOMPARE(p.store.value(SettingsStore::kPortNo), QLatin1String(kept));
            QCOMPARE(p.prompts.inputs[0].prompt + '[' + p.prompts.inputs[0].defaultAnswer,
                     "Please enter the port.  0 is default.[5");
        }
        const char* const engines[][2] = {{"10.0.0.5:8001", "10.0.0.5:8001"},
                                          {"10.0.0.5", "127.0.0.1:8000"},
                                          {"host:99999", "127.0.0.1:8000"},
                                          {"", "127.0.0.1:8000"}};
        for (const auto& [answer, kept] : engines) {
            StationHarness e;
            e.prompts.answers = {QString::fromLatin1(answer)};
            QCOMPARE(e.station().onEngineAddressMenu(), QByteArray(answer).contains(":80"));
            QCOMPARE(QStringLiteral("%1:%2").arg(e.store.engineHost()).arg(e.store.enginePort()),
                     QLatin1String(kept));
        }
    }

    void heardList() {
        constexpr qint64 kT0 = 1'800'000'000'000; // in 2027
        HeardList list, calls, back;
        for (int i = 0; i < HeardList::kMaxStations; ++i)
            list.hear(QStringLiteral("N0S%1").arg(i), kT0 + i * 1000, i % 3, u"APRS",
                      i % 2 ? u"WIDE1-1,WIDE2-1" : u"");
        list.hear(QStringLiteral("n0s3"), kT0 + 2'000'000, 1, u"ID", u"");
        QVERIFY(list.hear(QStringLiteral("N0NEW"), kT0 + 2'000'001, 2, u"BE\tACON",
                          QString(120, QLatin1Char('W'))));
        QVERIFY(!list.hear(QStringLiteral("N0\tBAD"), kT0, 0, u"", u""));
        // A call may take all its length, not more.
        const QString longest(HeardList::kMaxCallLength, QLatin1Char('L'));
        QVERIFY(calls.hear(longest, kT0, 0, u"", u"") &&
                !calls.hear(longest + 'L', kT0, 0, u"", u""));
        QCOMPARE(list.size(), HeardList::kMaxStations);
        QVERIFY(!list.find(QStringLiteral("N0S0"))); // the least recently heard went
        const HeardStation* again = list.find(QStringLiteral("N0S3"));
        QVERIFY(again && again->frames == 2 && again->port == 1 && again->path.isEmpty());
        QCOMPARE(list.find(QStringLiteral("N0NEW"))->destination, QStringLiteral("BEACON"));
        QCOMPARE(list.find(QStringLiteral("N0NEW"))->path.size(), HeardList::kMaxPathLength);
        QVERIFY(back.decode(list.encode()));
        const QList<HeardStation> before = list.stations(), after = back.stations();
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            QVERIFY2(after[i].sameAs(before[i]), qPrintable(before[i].call));
        QCOMPARE(after.last().call, QStringLiteral("N0S1"));

        // A file not ours is kept aside; what is heard is saved while the station runs.
        const QByteArray line = "N0AAA\t2027-01-15T08:00:00.000Z\t3\t0\tAPRS\tWIDE1-1\r\n";
        QByteArray many; // 1 001 stations
        for (int i = 0; i <= HeardList::kMaxStations; ++i)
            many += "N" + QByteArray::number(i) + "\t2027-01-15T08:00:00Z\t1\t0\t\t\n";
        // Ours; binary, five fields, a bad time, a station twice, too many: kept aside (-1).
        const std::pair<QByteArray, int> rows[] = {
            {line + "N0BBB\t2027-01-15T09:00:00Z\t1\t1\tID\t\n", 2},
            {QByteArray("\x01\xff\x00junk", 7), -1},
            {line.left(line.lastIndexOf('\t')) + "\r\n", -1},
            {QByteArray(line).replace("08:00", "28:00"), -1},
            {line + line, -1},
            {many, -1}};
        for (const auto& [file, stations] : rows) {
            StationHarness h;
            const QString path = h.programDir.filePath(QStringLiteral("Heard.lst"));
            QVERIFY(writeFileBytes(path, file));
            h.startUp();
            const bool kept = stations < 0;
            QCOMPARE(h.station().heard().size(), kept ? 0 : stations);
            QCOMPARE(h.view.notices.contains(
                         "Heard.lst could not be read; kept as Heard.lst.bad and begun anew"),
                     kept);
            QCOMPARE(readFileBytes(path + ".bad"), kept ? file : QByteArray("<missing>"));
            QCOMPARE(readFileBytes(path), kept ? QByteArray() : file);
            h.engine.queue('U', "N0NEW", " 1:Fm N0NEW To ID <UI pid=F0 Len=3 >\rhi\r");
            h.station().tick(), h.clock.when = h.clock.when.addSecs(6), h.station().tick();
            QVERIFY(readFileBytes(path).contains("N0NEW\t"));
        }
    }

    // The monitor filter hides from All Traffic only, not from DX capture nor the heard list.
    void monitorFilter() {
        MonitorFilterSettings all, noI, noS, noU, noSent, port1, calls;
        noI.information = noS.supervisory = noU.unnumbered = noSent.sent = false;
        port1.hiddenPorts = {1}, calls.hiddenCalls = {"N0UI", "N0IN-1"};
        const std::pair<MonitorFilterSettings, QStringList> rows[] = {
            {all, {}},          {noI, {"N0IN"}},
            {noS, {"N0RR-2"}},  {noU, {"N0UI-3", "N0SA", "N0PT"}},
            {noSent, {"N0ME"}}, {port1, {"N0PT"}},
            {calls, {"N0UI-3"}}};
        for (const auto& [filter, hidden] : rows) {
            StationHarness h;
            h.station().onMonitorFilterChosen(filter);
            QVERIFY(SettingsStore().monitorFilter() == filter);
            h.engine.queue('U', "N0UI-3",
                           " 1:Fm N0UI-3 To DX <UI pid=F0 Len=9 >\rDX de N0UI 14025\r");
            h.engine.queue('I', "N0IN", " 1:Fm N0IN To N0XX <I S0 R0 pid=F0 Len=2 >\rhi\r");
            h.engine.queue('S', "N0RR-2", " 1:Fm N0RR-2 To N0IN <RR R1 >\r");
            h.engine.queue('S', "N0SA", " 1:Fm N0SA To N0IN <SABM P=1 >\r");
            h.engine.queue('T', "N0ME", " 1:Fm N0ME To ID <UI pid=F0 Len=4 >\rN0ME\r");
            h.engine.queue('U', "N0PT", " 2:Fm N0PT To APRS Via WIDE1-1,N0DIG* <UI>\rhello\r", 1);
            while (h.station().pollTick().drain(1000)) {
            }
            const QString traffic = h.view.text(TextView::AllTraffic);
            for (const QString call : {"N0UI-3", "N0IN", "N0RR-2", "N0SA", "N0ME", "N0PT"})
                QVERIFY2(traffic.contains("Fm " + call + ' ') != hidden.contains(call),
                         qPrintable(call));
            QVERIFY(h.view.text(TextView::DX).contains(QStringLiteral("DX de N0UI 14025")));
            QCOMPARE(h.station().heard().size(), 5); // all but what we sent
            const HeardStation* viaDigi = h.station().heard().find(QStringLiteral("N0PT"));
            QVERIFY(viaDigi && viaDigi->port == 1 && viaDigi->destination == QLatin1String("APRS"));
            QCOMPARE(viaDigi->path, QStringLiteral("WIDE1-1,N0DIG*"));
        }
    }

    void sessionLogs() {
        // A call that cannot be a folder, a link out or a FIFO on the way: nothing written,
        // nothing blocks, one notice.
        QList<std::pair<QString, QString>> rows{{QStringLiteral("N0") + QChar(0), {}}};
        for (const char* call :
             {"..", "../OUT", "N0/BB", "N0\\BB", "", ".N0BBB", "N0\x01X", "N0BBB-12345"})
            rows.append({QString::fromLatin1(call), {}});
        for (const char* planted : {"logs", "logs/N0BBB", "logs/N0BBB/2026-12-05.log", "fifo"})
            rows.append({QStringLiteral("N0BBB"), QString::fromLatin1(planted)});
        for (const auto& [call, planted] : rows) {
            QTemporaryDir root;
            StationHarness h;
            h.state.programDir = root.filePath("a"), h.state.logSessions = true;
            const QString at = h.state.programDir + "/" + planted, out = root.filePath("out");
            QVERIFY(QDir().mkpath(h.state.programDir + "/logs/N0BBB") && QDir().mkpath(out));
            if (planted == "fifo")
                QVERIFY(::mkfifo(QFile::encodeName(at.chopped(4) + "logs/N0BBB/2026-12-05.log"),
                                 0600) == 0);
            else if (!planted.isEmpty())
                QVERIFY(QDir(at).removeRecursively() &&
                        QFile::link(out + "/x" + planted.right(4), at));
            FileNotices notices(h.view);
            SessionLog log(h.state, h.clock, notices);
            log.write(call, SessionLog::Mark::Received, "hello\r");
            log.write(call, SessionLog::Mark::Typed, "again\r");
            QDirIterator files(root.path(), QDir::Files | QDir::NoSymLinks,
                               QDirIterator::Subdirectories);
            QVERIFY2(!files.hasNext(), qPrintable(call + planted));
            QCOMPARE(h.view.notices.size(), 1);
        }

        // One session: the questions about it and the status line, then its log.
        StationHarness h;
        h.store.setLogSessions(true);
        const QString file = h.programDir.filePath(QStringLiteral("logs/N0BBB/2026-12-05.log"));
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && writeFileBytes(file, "earlier\n"));
        HoldingEngine e;
        connectN0BBB(h, e); // asked about the welcome until the engine said 0
        const qsizetype before = e.asks.size();
        h.station().tick();
        QCOMPARE(e.asks.size(), before); // nothing waits: nothing asked
        e.answering = false, h.view.sendLine = QStringLiteral("two lines");
        for (int tick = 0; tick < 4; ++tick)
            tick < 2 ? h.station().onSendLineEnter() : h.station().tick();
        QCOMPARE(e.asks.size(), before + 1); // never a second question in flight
        e.answering = true;
        // Each tick: frames still at the engine, then the status line.
        const QList<QPair<quint32, QString>> ticks{{1, "2 frames waiting to go out to N0BBB"},
                                                   {0, "1 frame waiting to go out to N0BBB"},
                                                   {0, ""}, // all gone: asking stops
                                                   {0, ""}};
        for (const auto& [held, notice] : ticks) {
            e.held = held, h.station().tick();
            QCOMPARE(h.view.notices.last(), notice);
        }
        QCOMPARE(e.asks, QByteArrayList(before + 3, "N0BBB"));
        e.queue('D', "N0BBB", "caf\xE9\r\nline two\r");
        e.queue('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r"), h.station().tick();
        QCOMPARE(readFileBytes(file), QByteArray("earlier\n09:18:31 * connected\n"
                                                 "09:18:31 = Welcome to N0ME's Packet Station!\n"
                                                 "09:18:31 > two lines\n09:18:31 > \n"
                                                 "09:18:31 < caf\xE9\n09:18:31 < line two\n"
                                                 "09:18:31 * disconnected\n"));
    }

    void backlog() {
        // Send File paced by the engine's count goes out as the unpaced one does.
        StationHarness plain, h;
        HoldingEngine unpaced, e;
        unpaced.counts = false;
        connectN0BBB(plain, unpaced), plain.station().onSendFileMenu();
        connectN0BBB(h, e), h.station().onSendFileMenu();
        for (int tick = 0; tick < 100 && h.station().fileSender().running(); ++tick)
            e.held -= e.held > 0, h.station().tick(); // a frame goes out on the air a tick
        QCOMPARE(e.most, quint32(FileSender::kMaxOutstanding));
        QCOMPARE(e.held, 0u); // it ends once the engine has it all out
        QCOMPARE(h.view.notices.last(), QStringLiteral("upload.bin sent to N0BBB"));
        auto air = [](const RecordingEngine& engine) {
            QByteArrayList out;
            for (const RecordingEngine::Sent& f : engine.sent)
                out << f.destination + char(f.kind) + char(f.port) + char(f.length) + f.data;
            return out;
        };
        QCOMPARE(air(e), air(unpaced));

        // The count's frame: from, data, and what the station learns ("" when nothing).
        const QList<std::array<QByteArray, 3>> rows{
            {"N0ME", QByteArray("\3\0\0\0", 4), "N0BBB 3"},  // the remote in call-to
            {"N0BBB", QByteArray("\7\0\0\0", 4), "N0BBB 7"}, // or in call-from
            {"N0ME", "\xff\xff\xff\xff", "N0BBB 4294967295"},
            {"N0ME", QByteArray("\2\0\0", 3), ""},
            {"N0ME", QByteArray("\2\0\0\0\0", 5), ""}};
        for (const auto& [from, data, learnt] : rows) {
            const QByteArray to = from == "N0ME" ? "N0BBB" : "n0me";
            const FromEngine in = toReceived(AgwFrame{0, 'Y', 0, from, to, data}, "N0ME", true);
            const auto& got = in.outstanding;
            QVERIFY(!in.frame); // never the station's traffic
            QCOMPARE(got ? got->call + ' ' + QByteArray::number(got->frames) : QByteArray(),
                     learnt);
        }
    }

    // The engine goes and comes back: noticed, nothing lost, not even a typed line; attached again.
    void engineLostAndReattached() {
        auto engine = std::make_unique<FakeEngine>();
        const quint16 port = engine->port();
        AgwTcpLink link(QStringLiteral("127.0.0.1"), port);
        StationHarness h;
        h.link = &link, start(h, "N0AAA");
        QVERIFY(h.timer.active && !h.view.retryVisible);
        // Monitoring asked for, then the call registered.
        const auto opening = [](FakeEngine& e) {
            const QList<AgwFrame> r = e.waitForFrames(2, 3000) ? e.received() : QList<AgwFrame>();
            return r.size() < 2 ? QByteArray() : r[0].kind + (r[1].kind + r[1].callFrom);
        };
        QCOMPARE(opening(*engine), QByteArray("mXN0AAA"));
        engine->send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        engine->send(frame('D', "N0BBB", "hello from b\r"));
        QVERIFY(tickUntil(h, [&] { return h.view.text(channelView(0)).contains("hello from b"); }));
        const QString channelText = h.view.text(channelView(0));

        engine.reset(); // the engine is killed
        QVERIFY(tickUntil(h, [&] { return h.view.retryVisible; }));
        QVERIFY(h.state.engineLost && h.prompts.messages.isEmpty()); // no modal message for it
        QVERIFY(h.view.engineStatus.contains(QStringLiteral("127.0.0.1:%1").arg(port)) &&
                h.view.engineStatus.contains(QLatin1String("lost")));
        const int beeps = h.beeper.count;
        h.view.sendLine = QStringLiteral("are you there?"), h.station().onSendLineEnter();
        QCOMPARE(h.view.sendLine, QStringLiteral("are you there?")); // kept, not lost
        QCOMPARE(h.beeper.count, beeps + 1);
        QVERIFY(h.view.engineStatus.startsWith(QLatin1String("Not sent")));
        h.clock.when = h.clock.when.addSecs(2);
        QVERIFY(tickUntil(h, [&] { return h.view.engineStatus.contains("next try in 1 s"); }));

        FakeEngine restarted(nullptr, port);
        h.clock.when = h.clock.when.addSecs(3);
        // Attaching goes on over several ticks; none of them waits for the engine.
        QVERIFY(tickUntil(h, [&] { return !h.state.engineLost; }) && !h.view.retryVisible);
        QCOMPARE(opening(restarted), QByteArray("mXN0AAA"));
        QCOMPARE(h.view.text(channelView(0)), channelText);
        QCOMPARE(h.view.captions[0], QStringLiteral("N0BBB"));
        h.station().onSendLineEnter();
        QVERIFY(restarted.waitForFrames(3, 3000));
        QCOMPARE(restarted.received()[2].data, QByteArray("are you there?\r"));
        QCOMPARE(h.view.sendLine, QString());
        restarted.send(frame('D', "N0BBB", "back again\r")); // frames flow again
        QVERIFY(tickUntil(h, [&] { return h.view.text(channelView(0)).contains("back again"); }));

        // A 1 MB monitored frame: the stream is out of step, dropped and attached again.
        restarted.sendRaw(encodeAgwFrame(frame('U', "N0XX", QByteArray(1024 * 1024, 'm'))));
        QVERIFY(tickUntil(h, [&] { return h.state.engineLost; }));
        h.clock.when = h.clock.when.addSecs(2);
        QVERIFY(tickUntil(h, [&] { return !h.state.engineLost; }));
        QCOMPARE(h.view.text(channelView(0)).count(QLatin1String("back again")), 1);
        QVERIFY(!h.view.text(TextView::AllTraffic).contains(QLatin1String("mmmm")));
    }

    // Shown as it arrives, not at the next tick; the counters still count ticks only.
    void framesAreDispatchedAsTheyArrive() {
        FakeEngine engine;
        StationHarness h;
        AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
        h.link = &link, start(h, "N0AAA");
        QObject::connect(&link, &AgwTcpLink::bytesArrived, [&] { h.station().onFramesArrived(); });
        const float beaconTicks = h.state.beaconTicks;
        engine.send(frame('C', "N0BBB", QByteArray("*** CONNECTED To Station N0BBB\r", 32)));
        for (int i = 0; i < 500; ++i)
            engine.send(frame('U', "N0XX", "monitored " + QByteArray::number(i) + "\r"));
        engine.send(frame('D', "N0BBB", "no tick needed\r"));
        QTRY_VERIFY(h.view.text(channelView(0)).contains(QLatin1String("no tick needed")));
        QTRY_VERIFY(h.view.text(TextView::AllTraffic).contains(QLatin1String("monitored 499")));
        QCOMPARE(h.state.beaconTicks, beaconTicks);
        QCOMPARE(h.engine.getDataCalls, 0); // the fake in-process engine was never asked
        // The engine's last words and its going away come the same way.
        engine.send(frame('D', "N0BBB", "last words\r")), engine.dropClients();
        QTRY_VERIFY(h.view.text(channelView(0)).contains(QLatin1String("last words")));
        QTRY_VERIFY(!link.isAttached());
    }
};

QTEST_GUILESS_MAIN(StationPartsTest)
#include "tst_station_parts.moc"
