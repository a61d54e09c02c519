// The station's files (also bad, planted or unwritable), beacon, weather, start-up, menus.

#include "InputFields.h"
#include "SafeFile.h"
#include "StationHarness.h"
#include "WeatherReport.h"

#include <QDirIterator>
#include <QtTest>

#include <csignal>
#include <numeric>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

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
    return "WX M " + QByteArray::number(report.size() + 1) + "@3 " + report + "<CR>";
}
const QByteArray kReport = "WX MYCALL|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.01|3hr -0.02|STN";
const QByteArray kEmpty = "WX MYCALL|Tmp |3hr |Wnd |Max |Dir |Bar |3hr |";
const QByteArray kBeacon = "BEACON M 22@3 MYCALL packet station<CR>";

// Beacons with this weather file unless a path is set and these switched on ('w'eather,
// 'b'eacon); what went out, "to kind length@port data" a line.
QByteArray beacon(StationHarness& h, const QByteArray& file, const char* on = "wb",
                  const char* call = "MYCALL") {
    h.state.programDir = h.programDir.path(), h.state.radioPort = 3;
    h.state.beaconText = u"MYCALL packet station"_s, h.state.callSign = call;
    h.state.weatherOn = strchr(on, 'w'), h.state.beaconOn = strchr(on, 'b');
    if (h.state.weatherPath.isNull() &&
        !writeFileBytes(h.state.weatherPath = h.programDir.filePath("wx.txt"), file))
        return "<file not written>";
    BeaconAndCapture& beacon = h.station().beacon();
    for (int i = 0; i < BeaconAndCapture::kBeaconLimit; ++i)
        beacon.tick();
    const bool early = !h.engine.sent.isEmpty();
    beacon.tick(); // the one past the limit
    const qsizetype sent = h.engine.sent.size();
    beacon.tick();
    QByteArrayList out;
    for (const auto& f : h.engine.sent)
        out << f.destination + ' ' + char(f.kind) + ' ' + QByteArray::number(f.length) + '@' +
                   QByteArray::number(f.port) + ' ' + QByteArray(f.data).replace('\r', "<CR>");
    return out.join('\n') + (early ? "<sent early>" : "") +
           (h.engine.sent.size() != sent ? "<count not restarted>" : "");
}
} // namespace

class StationFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHomeInEnglish(); }

    // A name that could climb out of its folder or reach further down is refused at its place
    // in the path, and nothing is made for it.
    void namesThatLeaveTheirFolder() {
        QTemporaryDir base;
        QVERIFY(QDir(base.path()).mkpath(u"logs"_s));
        const std::pair<QStringList, int> rows[] = {{{u"logs"_s, u".."_s, u"x.txt"_s}, 1},
                                                    {{u"."_s, u"x.txt"_s}, 0},
                                                    {{u"logs"_s, u"a/b.txt"_s}, 1},
                                                    {{u"a\\b"_s}, 0},
                                                    {{u"logs"_s, u""_s}, 1},
                                                    {{QString(u"n\0ul"_s)}, 0}};
        for (const auto& [parts, refused] : rows) {
            QFile file;
            int at = -2;
            QVERIFY(!SafeFile::openForAppendBelow(file, base.path(), parts, &at));
            QCOMPARE(at, refused);
        }
        QCOMPARE(QDir(base.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{u"logs"_s});
        QFile file;
        QVERIFY(SafeFile::openForAppendBelow(file, base.path(), {u"logs"_s, u"n0call.txt"_s}));
    }

    void beaconAndWeather() {
        const QDate day = FixedClock().when.date();
        // '+' today, '-' not; past 80 characters nothing is looked at, even a date that would do.
        const QString far = u"12/5/2026"_s + QString(59, u' ');
        for (const QString& row :
             QStringLiteral("+12/5/2026|+12/5/26|+2026-12-05|+5.12.2026|+12/5/2026 9:18:31 AM|"
                            "+\r\n 12/5/2026 \r\n|+%1|+%2 9:18 AM|-12/4/2026|-5/12/2026|-2/30/2026|"
                            "-12/5/2026 banana|-|-%3 9:18 AM")
                 .arg(QLocale().toString(day, QLocale::ShortFormat), far, far + QString(15, u' '))
                 .split(u'|'))
            QVERIFY2(Weather::isDateOfDay(row.mid(1), day) == row.startsWith(u'+'),
                     qPrintable(row));

        QByteArray every(200 * 1024, 0);
        std::iota(every.begin(), every.end(), char(0));
        const QByteArray both = wx(kReport) + '\n' + kBeacon, yesterday = "12/4/2026";
        // The file, what is switched on, what goes out; field 6 empty: no date check.
        const std::tuple<QByteArray, const char*, QByteArray> rows[] = {
            {wxFile(), "wb", both},
            {wxFile({{5, yesterday}}), "wb", ""},
            {wxFile({{6, ""}, {5, yesterday}}), "w", wx(kReport)},
            {wxFile({}, 12), "w", wx("WX MYCALL|Tmp 45|3hr +2|Wnd |Max |Dir |Bar |3hr |STN")},
            {"just some text", "w", wx(kEmpty)},
            {wxFile({{7, "STN\r\n"}}, 8), "w", wx(kEmpty + "STN\r\n").replace("\r\n", "<CR>\n")},
            {wxFile({{5, yesterday}}), "b", kBeacon},
            {every, "wb", ""},
            {QByteArray(every).replace('|', '}'), "wb", wx(kEmpty) + '\n' + kBeacon}};
        for (const auto& [file, on, frames] : rows) {
            StationHarness h;
            QCOMPARE(beacon(h, file, on), frames);
            QCOMPARE(h.beeper.count, 0);
        }
        // No path, a missing file, a folder, a FIFO nobody writes to: nothing goes, nothing hangs.
        for (const char* name : {"", "absent.txt", ".", "pipe"}) {
            StationHarness h;
            h.state.weatherPath = *name ? h.programDir.filePath(QString::fromLatin1(name)) : "";
            QVERIFY(*name != 'p' || ::mkfifo(QFile::encodeName(h.state.weatherPath), 0600) == 0);
            QVERIFY2(beacon(h, {}).isEmpty(), name);
        }
        // Field 6 begins only past the first 64 KiB of a 100 MB file: no date check is due.
        StationHarness h;
        QFile f(h.state.weatherPath = h.programDir.filePath(u"huge.txt"_s));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("a|b|c|d|e|") == 10 &&
                f.seek(100LL << 20) && f.write("|rubbish that is no date") == 24);
        f.close();
        QCOMPARE(beacon(h, {}), wx(kEmpty) + '\n' + kBeacon);
    }

    void settingsFile() {
        const std::pair<QByteArray, QStringList> fields[] = {
            {" 1 \r\nabc def\r\n 0 \r\n\r\n", {"1", "abc def", "0", ""}}, // the settings layout
            {"a, b\r\n\" x, y \"\r\n", {"a", "b", " x, y "}}, // quotes keep commas and blanks
            {"\"N0AAA\",\"N0BBB\"\r\n\"\"\r\n", {"N0AAA", "N0BBB", ""}},
            {"\"a\"xyz,b", {"a", "b"}},       // junk after the closing quote
            {"\"abc\r\ndef", {"abc\r\ndef"}}, // an unclosed quote runs to the end
            {"a,  ", {"a", ""}}};             // blanks after the last comma
        for (const auto& [bytes, expected] : fields)
            QCOMPARE(readInputFields(bytes), expected);
        for (const QString& text : {u"a,b"_s, u" x "_s, u"tab\t"_s, u"two\r\nlines"_s, u"plain"_s})
            QCOMPARE(readInputFields(writeInputField(text)), QStringList{text}); // read back whole
        // Missing: written with defaults. Short or bad: rewritten, the bad kept aside, a notice.
        const std::pair<QByteArray, QByteArray> rows[] = {
            {"<missing>", " 1 \r\ndefault\r\n 0 \r\n\r\n"},
            {" 0 \r\nmy beacon\r\n", " 0 \r\nmy beacon\r\n 0 \r\n\r\n"},
            {" 0 \r\n", " 0 \r\ndefault\r\n 0 \r\n\r\n"}, // cut short: what it said holds
            {"abc\r\nmy beacon\r\n 1 \r\n/x\r\n", " 1 \r\ndefault\r\n 0 \r\n\r\n"},
            {" 1 \r\nmine\r\nyes\r\n/x\r\n", " 1 \r\nmine\r\n 0 \r\n\r\n"}};
        const QString ini = u"PacketSettings.ini"_s, bad = ini + ".bad"; // in the current folder
        for (const auto& [content, rewritten] : rows) {
            StationHarness h;
            h.state.programDir = h.programDir.path(), h.state.beaconText = "default";
            QVERIFY(content == "<missing>" || writeFileBytes(ini, content));
            h.station().menus().readSettingsFile();
            QCOMPARE(readFileBytes(ini), rewritten);
            QCOMPARE(h.view.menuChecks.value(MenuCheck::BeaconOn), rewritten.startsWith(" 1"));
            QCOMPARE(readFileBytes(bad), content);
            QCOMPARE(h.view.notices.size(), content == "<missing>" ? 0 : 1);
            QVERIFY(writeFileBytes(ini, "later\r\n"));
            h.station().menus().readSettingsFile();
            QCOMPARE(readFileBytes(bad), QByteArray("later\r\n"));
            QCOMPARE(h.view.notices.value(0), "PacketSettings.ini could not be read; kept as "
                                              "PacketSettings.ini.bad and written anew");
        }
        StationHarness h;
        h.state.programDir = h.programDir.path(), h.state.beaconText = "old";
        h.station().onMenuCheck(MenuCheck::WeatherDataOn),
            h.station().onMenuCheck(MenuCheck::BeaconOn);
        QCOMPARE(readFileBytes(ini), QByteArray(" 0 \r\nold\r\n 1 \r\n\r\n"));
        h.prompts.dataAnswers = {u"new, beacon "_s, std::nullopt, u"/var/wx/today.txt"_s};
        h.station().onChangeBeaconTextMenu(), h.station().onChangeBeaconTextMenu(); // then closed
        h.station().onWeatherPathMenu();
        QCOMPARE(readFileBytes(ini),
                 QByteArray(" 0 \r\n\"new, beacon \"\r\n 1 \r\n/var/wx/today.txt\r\n"));
        h.state.beaconOn = true, h.state.weatherOn = false,
        h.station().menus().readSettingsFile(); // read back
        QVERIFY(!h.state.beaconOn && h.state.weatherOn &&
                h.view.menuChecks[MenuCheck::WeatherDataOn]);
    }

    void programFiles() {
        // Planted: start-up, a connect and data go on; nothing goes through a link; one notice.
        for (const char* name : {"PacketSettings.ini", "Channel0.htm", "PacketConnects.lst",
                                 "Heard.lst", "History.lst"})
            for (bool fifo : {true, false}) {
                StationHarness h;
                QTemporaryDir outside;
                const QString target = outside.filePath(u"precious"_s),
                              planted = h.programDir.filePath(QString::fromLatin1(name));
                QVERIFY(writeFileBytes(target, "precious\r\n"));
                QVERIFY(fifo ? ::mkfifo(QFile::encodeName(planted), 0600) == 0
                             : QFile::link(target, planted));
                h.start();
                h.view.sendLine = u":C N0BBB"_s, h.station().onSendLineEnter();
                h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
                h.engine.queue('D', "N0BBB", "hello\r"), h.station().tick();
                QVERIFY2(h.view.text(channelView(0)).contains("hello"_L1), name);
                QCOMPARE(readFileBytes(target), QByteArray("precious\r\n"));
                QCOMPARE(h.view.notices.size(), 1);
                QVERIFY2(h.view.notices[0].startsWith(QLatin1String(name)), name);
            }
    }

    // One station to a folder, each a process of its own: a second one says which folder is in
    // use and touches nothing in it.
    void oneStationToAFolder() {
        const auto snapshot = [](const QString& folder) {
            QStringList files;
            QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next() + ':' + readFileBytes(it.filePath()).toHex();
            return files;
        };
        StationHarness first;
        first.start(), first.view.sendLine = u"kept"_s, first.station().onSendLineEnter();
        first.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        first.engine.queue('D', "N0BBB", "a page\r"), first.station().tick();
        const QString folder = first.programDir.path();
        const QStringList before = snapshot(folder);
        const pid_t child = ::fork();
        if (child == 0) {
            StationHarness h;
            QDir::setCurrent(folder);
            const bool started = h.station().startUp();
            h.station().release();
            ::_exit(started || h.prompts.messages.size() != 1 ||
                    !h.prompts.messages[0].text.contains(QDir::toNativeSeparators(folder)) ||
                    h.engine.registrations.size() != 0);
        }
        int status = 0;
        QVERIFY(::waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
        QCOMPARE(snapshot(folder), before);
    }

    // Under a file-size limit a write fails instead of the station dying. No cut log line stays,
    // and with room again the next line is a line of its own; the page file stays whole.
    void fileSizeLimit() {
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_DFL);
            StationHarness h;
            h.store.setLogSessions(true), h.start();
            rlimit was{}, limit{160, 0};
            ::getrlimit(RLIMIT_FSIZE, &was), limit.rlim_max = was.rlim_max;
            h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"), h.station().tick();
            ::setrlimit(RLIMIT_FSIZE, &limit); // room for one of these lines, not two
            QByteArray sent = "*** CONNECTED To Station N0BBB\r";
            for (const char c : {'a', 'b', 'c'})
                sent += QByteArray(60, c) + '\r', h.engine.queue('D', "N0BBB", sent.right(61)),
                    h.station().tick();
            ::setrlimit(RLIMIT_FSIZE, &was);
            h.engine.queue('D', "N0BBB", "room\r"), h.station().tick();
            // A bad settings file too long to keep aside is not said to be kept.
            writeFileBytes(u"PacketSettings.ini"_s, QByteArray(400, 'x'));
            ::setrlimit(RLIMIT_FSIZE, &limit), h.station().menus().readSettingsFile();
            ::setrlimit(RLIMIT_FSIZE, &was);
            ::_exit(!h.view.notices.contains("PacketSettings.ini could not be read and is written "
                                             "anew; PacketSettings.ini.bad could not be written") ||
                    !readFileBytes(u"logs/N0BBB/2026-12-05.log"_s)
                         .endsWith("31 < " + sent.mid(31, 60) + "\n09:18:31 < room\n") ||
                    readFileBytes(u"Channel0.htm"_s) != sent + "room\r\r\n" ||
                    !h.view.notices.contains("2026-12-05.log could not be written"));
        }
        int status = 0;
        QVERIFY(::waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
    }

    void startUpAndMenus() {
        // A stored call sign registers after the window shows, a missing one is asked before.
        StationHarness h, m;
        bool shownAtRegistration = false, shownAtPrompt = true;
        h.engine.onStartPoll = [&] { shownAtRegistration = h.view.shown; };
        m.prompts.onInput = [&] { shownAtPrompt = m.view.shown; };
        m.prompts.answers = {u"n0ccc"_s}, m.startUp();
        QDir::setCurrent(h.programDir.path()), h.start("N0AAA"); // one station to a folder
        QVERIFY(shownAtRegistration && !shownAtPrompt && m.view.shown);

        // Port, clear on new page, browser on start: as stored, then as read.
        const char* const stored[][2] = {{"", "0 1 0"}, {"3,0,1", "3 0 1"}, {"300,2,-1", "0 0 0"}};
        for (const auto& [values, read] : stored) {
            StationHarness s;
            const QStringList given = QString::fromLatin1(values).split(',', Qt::SkipEmptyParts);
            for (int i = 0; i < given.size(); ++i)
                s.store.setValue(std::array{SettingsStore::kPortNo, SettingsStore::kHtmlClear,
                                            SettingsStore::kBrowserOnStart}[i],
                                 given[i]);
            s.store.setValue(SettingsStore::kConference, u"1"_s), s.start("N0AAA");
            QCOMPARE(QString::asprintf("%d %d %d", s.state.radioPort, s.state.clearHtmlData,
                                       s.state.browserOnStart),
                     QLatin1String(read));
            QVERIFY(s.view.conferenceChecked && s.state.conference == 1);
            QVERIFY(s.engine.sent.isEmpty()); // a restored conference announces nothing
        }

        // What the port menu keeps (5 before): whole numbers 0 to 255, halves to even, and once
        // the engine has named its ports (0 and 5 here), only those; a refusal says why.
        const QList<EnginePort> two{{0, u"first soundcard mono"_s}, {5, u"second"_s}};
        const char* const ports[][3] = {{"3", "3", ""},    {" +7 ", "7", ""}, {"x", "5", "x"},
                                        {"", "5", ""},     {"2.5", "2", ""},  {"3.5", "4", ""},
                                        {"300", "5", "3"}, {"-1", "5", "-"},  {"-0.4", "0", ""},
                                        {"inf", "5", "i"}, {"0", "0", "*"},   {"4", "5", "*4"},
                                        {"4.6", "5", "*"}, {"-0.2", "0", "*"}};
        for (const auto& [answer, kept, refused] : ports) {
            StationHarness p;
            if (*refused == '*')
                p.engine.enginePorts = two, p.start(), p.station().registration().watchLink();
            p.state.radioPort = 5, p.prompts.answers = {QString::fromLatin1(answer)};
            p.station().onPortMenu();
            QCOMPARE(QString::number(p.state.radioPort) + '/' +
                         p.store.value(SettingsStore::kPortNo),
                     kept + u"/"_s + kept);
            const QString said =
                refused[*refused == '*'] ? u"Port \"%1\" refused: "_s.arg(answer) : QString();
            const QString notice = p.view.notices.value(p.view.notices.size() - 1);
            QVERIFY2(notice.startsWith(said) && p.beeper.count == int(!said.isEmpty()),
                     qPrintable(notice));
        }
    }
};

QTEST_GUILESS_MAIN(StationFilesTest)
#include "tst_station_files.moc"
