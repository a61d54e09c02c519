// Session logs (what they keep; nothing escapes logs/) and the engine's count of waiting frames
// (when the station asks, what the status line says, Send File paced by it).
#include "AgwTranslation.h"
#include "SendFile.h"
#include "StationHarness.h"
#include "TestFiles.h"

#include <QDirIterator>
#include <QtTest>
#include <sys/stat.h>

namespace {
// Holds what it is sent until the test lets it go out; answers with the count at the question.
struct HoldingEngine : RecordingEngine {
    bool reportsOutstanding() const override { return counts; }
    void askOutstanding(const QByteArray& call, quint8) override { asks << call, question = held; }
    std::optional<quint32> takeOutstanding(const QByteArray&) override {
        return answering ? std::exchange(question, std::nullopt) : std::nullopt;
    }
    qint16 putData(const QByteArray& to, const QByteArray& data, int kind, int n,
                   quint8 port) override {
        most = qMax(most, held += kind == 'D');
        return RecordingEngine::putData(to, data, kind, n, port);
    }
    QByteArrayList asks;
    std::optional<quint32> question;
    quint32 held = 0, most = 0;
    bool answering = true, counts = true; // without counts, it is an engine of before
};

// N0BBB connected and welcomed, the welcome gone out; a file of 1 000 bytes to send.
void connectN0BBB(StationHarness& h, HoldingEngine& engine) {
    h.link = &engine;
    h.store.setCallSign(QStringLiteral("N0ME"));
    h.startUp();
    engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
    for (int tick = 0; tick < 3; ++tick, engine.sent.clear())
        h.station().tick(), engine.held = 0;
    QByteArray bytes(1000, '\0');
    for (int i = 0; i < 1000; ++i)
        bytes[i] = char(i * 7);
    h.prompts.files = {h.programDir.filePath(QStringLiteral("upload.bin"))};
    writeFileBytes(h.prompts.files.front(), bytes);
}
} // namespace

class LogsBacklogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    // A call that cannot be a folder, or a link (to a folder outside) or FIFO planted on the way:
    // no file is written anywhere, nothing blocks, and the operator hears of it once.
    void logStaysInsideLogs_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("planted");
        for (const char* call :
             {"..", "../OUT", "N0/BB", "N0\\BB", "", ".N0BBB", "N0\x01X", "N0BBB-12345"})
            QTest::addRow("call %s", call) << QString::fromLatin1(call) << QString();
        QTest::newRow("NUL") << QStringLiteral("N0") + QChar(0) << QString();
        for (const char* planted : {"logs", "logs/N0BBB", "logs/N0BBB/2026-12-05.log", "fifo"})
            QTest::addRow("%s planted", planted) << "N0BBB" << planted;
    }
    void logStaysInsideLogs() {
        QFETCH(QString, call);
        QFETCH(QString, planted);
        QTemporaryDir root;
        StationState state;
        state.programDir = root.filePath("a");
        state.logSessions = true;
        const QString at = state.programDir + "/" + planted, out = root.filePath("out");
        QVERIFY(QDir().mkpath(state.programDir + "/logs/N0BBB") && QDir().mkpath(out));
        if (planted == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(at.chopped(4) + "logs/N0BBB/2026-12-05.log"),
                             0600) == 0);
        else if (!planted.isEmpty())
            QVERIFY(QDir(at).removeRecursively() && QFile::link(out + "/x" + planted.right(4), at));
        FakeView view;
        FileNotices notices(view);
        FixedClock clock;
        SessionLog log(state, clock, notices);
        log.write(call, SessionLog::Mark::Received, "hello\r");
        log.write(call, SessionLog::Mark::Typed, "again\r");
        QVERIFY(
            !QDirIterator(root.path(), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories)
                 .hasNext());
        QCOMPARE(view.notices.size(), 1);
    }

    // One session: the questions about it and the status line, then its log.
    void sessionAskedAboutAndLogged() {
        StationHarness h;
        h.store.setLogSessions(true);
        const QString file = h.programDir.filePath(QStringLiteral("logs/N0BBB/2026-12-05.log"));
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && writeFileBytes(file, "earlier\n"));
        HoldingEngine e;
        connectN0BBB(h, e); // asked about the welcome until the engine said 0
        const qsizetype before = e.asks.size();
        h.station().tick();
        QCOMPARE(e.asks.size(), before); // nothing waits: nothing asked
        e.answering = false;
        h.view.sendLine = QStringLiteral("two lines");
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
            e.held = held;
            h.station().tick();
            QCOMPARE(h.view.notices.last(), notice);
        }
        QCOMPARE(e.asks, QByteArrayList(before + 3, "N0BBB"));
        e.queue('D', "N0BBB", "caf\xE9\r\nline two\r");
        e.queue('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r");
        h.station().tick();
        QCOMPARE(readFileBytes(file), QByteArray("earlier\n09:18:31 * connected\n"
                                                 "09:18:31 = Welcome to N0ME's Packet Station!\n"
                                                 "09:18:31 > two lines\n09:18:31 > \n"
                                                 "09:18:31 < caf\xE9\n09:18:31 < line two\n"
                                                 "09:18:31 * disconnected\n"));
    }

    void pacedSendMatchesTheUnpacedOne() {
        StationHarness plain, h;
        HoldingEngine unpaced, e;
        unpaced.counts = false;
        connectN0BBB(plain, unpaced);
        plain.station().onSendFileMenu();
        connectN0BBB(h, e);
        h.station().onSendFileMenu();
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
    }

    void engineCountDecodes() {
        // From, data, and what the station learns ("" when nothing).
        const QList<std::array<QByteArray, 3>> rows{
            {"N0ME", QByteArray("\3\0\0\0", 4), "N0BBB 3"},  // the remote in call-to
            {"N0BBB", QByteArray("\7\0\0\0", 4), "N0BBB 7"}, // or in call-from
            {"N0ME", "\xff\xff\xff\xff", "N0BBB 4294967295"},
            {"N0ME", QByteArray("\2\0\0", 3), ""},
            {"N0ME", QByteArray("\2\0\0\0\0", 5), ""}};
        for (const auto& [from, data, learnt] : rows) {
            const QByteArray to = from == "N0ME" ? "N0BBB" : "n0me";
            const FromEngine in = toReceived(AgwFrame{0, 'Y', 0, from, to, data}, "N0ME", true);
            QVERIFY(!in.frame); // never the station's traffic
            QCOMPARE(in.outstanding
                         ? in.outstanding->call + ' ' + QByteArray::number(in.outstanding->frames)
                         : QByteArray(),
                     learnt);
        }
    }
};

QTEST_GUILESS_MAIN(LogsBacklogTest)
#include "tst_logs_backlog.moc"
