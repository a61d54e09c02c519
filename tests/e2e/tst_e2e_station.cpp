// The station over a real AgwTcpLink to engine A, with remote stations as plain AGW clients on
// engine B; the two engines are joined by the simulated radio link of run.sh. The slots run in
// order and share one engine session: each scenario starts from where the one before left off.

#include "AgwFrame.h"
#include "AgwTcpLink.h"
#include "QtSeams.h"
#include "StationHarness.h"
#include "TestFiles.h"
#include "TimeStamp.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

const QByteArray kStationCall = "N0AAA";
const QByteArray kRemoteCall = "N0BBB";
const QByteArray kSecondCall = "N0CCC";

// Air time on this link: a connect about 2 s, one line 1.5 to 2.5 s. The bounds leave room for
// a retry by the engine (FRACK 3 s) and a loaded machine.
constexpr int kConnectMs = 20000;
constexpr int kLineMs = 15000;
constexpr int kQuietMs = 4000;

// A frame as an AGW client receives it.
struct AirFrame : AgwFrame {
    bool taken = false;
};

// A remote station: one AGW client of its own on engine B.
class RemoteStation {
public:
    explicit RemoteStation(QByteArray call) : m_call(std::move(call)) {}

    QByteArray call() const { return m_call; }
    QString error() const { return m_error; }

    bool open(quint16 port) {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!m_socket.waitForConnected(5000)) {
            m_error = m_socket.errorString();
            return false;
        }
        return true;
    }

    void send(char kind, const QByteArray& to = {}, const QByteArray& data = {},
              const QByteArray& from = {}) {
        AgwFrame f{};
        f.kind = kind;
        f.pid = (kind == 'D' || kind == 'M') ? 0xF0 : 0;
        f.callFrom = from.isNull() ? m_call : from;
        f.callTo = to;
        f.data = data;
        m_socket.write(encodeAgwFrame(f));
        m_socket.flush();
    }

    void readAvailable() {
        if (m_socket.bytesAvailable() == 0)
            m_socket.waitForReadyRead(1);
        m_decoder.feed(m_socket.read(m_decoder.room()));
        while (std::optional<AgwFrame> frame = m_decoder.next()) {
            AirFrame f;
            static_cast<AgwFrame&>(f) = *frame;
            m_frames.append(f);
        }
        if (m_decoder.outOfStep())
            m_error = QStringLiteral("engine B's stream is out of step");
    }

    // The first frame not taken yet of that kind that passes the test; it counts as taken.
    std::optional<AirFrame> take(char kind, const std::function<bool(const AirFrame&)>& test = {}) {
        for (AirFrame& f : m_frames) {
            if (!f.taken && f.kind == kind && (!test || test(f))) {
                f.taken = true;
                return f;
            }
        }
        return std::nullopt;
    }

    // Connected data for this station, in arrival order.
    QList<AirFrame> dataFrames() const {
        QList<AirFrame> out;
        for (const AirFrame& f : m_frames)
            if (f.kind == 'D' && f.callTo == m_call)
                out.append(f);
        return out;
    }
    QByteArray dataBytes(qsizetype fromFrame = 0) const {
        QByteArray out;
        const QList<AirFrame> frames = dataFrames();
        for (qsizetype i = fromFrame; i < frames.size(); ++i)
            out += frames[i].data;
        return out;
    }

    void close() {
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.waitForDisconnected(1000);
    }

private:
    QByteArray m_call;
    QTcpSocket m_socket;
    AgwFrameDecoder m_decoder;
    QList<AirFrame> m_frames;
    QString m_error;
};

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StationHarness> m_h;
    std::unique_ptr<AgwTcpLink> m_link;
    RemoteStation m_b{kRemoteCall};
    RemoteStation m_c{kSecondCall};
    QList<RemoteStation*> m_remotes;
    QElapsedTimer m_sinceTick;
    quint16 m_portB = 0;

    Station& station() { return m_h->station(); }
    FakeView& view() { return m_h->view; }
    StationState& state() { return m_h->state; }

    // One pass of the loop the real window runs: a poll tick at the timer's own pace (so the
    // idle and beacon counts grow as they would), the sockets read in between.
    void pumpOnce() {
        if (!m_sinceTick.isValid() || m_sinceTick.elapsed() >= QtPollTimer::kIntervalMs) {
            m_sinceTick.start();
            station().tick();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (RemoteStation* r : m_remotes)
            r->readAvailable();
        QThread::msleep(5);
    }

    bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            pumpOnce();
            if (done())
                return true;
            if (deadline.hasExpired())
                return false;
        }
    }

    void pumpFor(int ms) {
        pumpUntil([] { return false; }, ms);
    }

    std::optional<AirFrame> awaitFrame(RemoteStation& r, char kind, int timeoutMs,
                                       const std::function<bool(const AirFrame&)>& test = {}) {
        std::optional<AirFrame> got;
        pumpUntil([&] { return (got = r.take(kind, test)).has_value(); }, timeoutMs);
        return got;
    }

    // Waits until the remote holds at least `bytes` of connected data from frame `first` on.
    QByteArray awaitData(RemoteStation& r, qsizetype first, qsizetype bytes, int timeoutMs) {
        pumpUntil([&] { return r.dataBytes(first).size() >= bytes; }, timeoutMs);
        return r.dataBytes(first);
    }

    QString channelText(int n) const { return m_h->view.text(channelView(n)); }

    static bool registerRemote(RemoteStation& r, quint16 port, QString* why) {
        if (!r.open(port)) {
            *why = r.error();
            return false;
        }
        r.send('X');
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            r.readAvailable();
            if (const auto answer = r.take('X')) {
                if (answer->data != QByteArray(1, '\1')) {
                    *why = QStringLiteral("engine B refused %1").arg(QString::fromLatin1(r.call()));
                    return false;
                }
                r.send('m'); // monitoring, so beacons and other UI frames are heard
                return true;
            }
        }
        *why = QStringLiteral("engine B did not answer the registration");
        return false;
    }

    // The remote calls the station; returns the engine's notice at the remote.
    std::optional<AirFrame> remoteConnects(RemoteStation& r) {
        r.send('C', kStationCall);
        return awaitFrame(r, 'C', kConnectMs);
    }

private slots:
    void initTestCase() {
        const QByteArray portA = qgetenv("AGW_PORT_A");
        const QByteArray portB = qgetenv("AGW_PORT_B");
        if (portA.isEmpty() || portB.isEmpty())
            QSKIP("needs the Direwolf pair: run it through tests/e2e/run.sh");
        useScratchConfigHome();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

        m_h = std::make_unique<StationHarness>();
        m_link = std::make_unique<AgwTcpLink>(QStringLiteral("127.0.0.1"), quint16(portA.toUInt()));
        m_h->link = m_link.get();
        m_h->store.setCallSign(QString::fromLatin1(kStationCall));
        m_h->startUp();

        QVERIFY2(m_h->prompts.messages.isEmpty(), qPrintable(m_link->lastError()));
        QVERIFY(m_h->prompts.inputs.isEmpty()); // the stored call sign was used
        QVERIFY(m_h->timer.active);
        QVERIFY(!m_h->view.retryVisible);
        QCOMPARE(m_link->registeredCall(), kStationCall);

        m_portB = quint16(portB.toUInt());
        QString why;
        QVERIFY2(registerRemote(m_b, m_portB, &why), qPrintable(why));
        m_remotes.append(&m_b);
    }

    void aCallerGetsTheWelcomeByteForByte() {
        const auto notice = remoteConnects(m_b);
        QVERIFY2(notice, "the station never answered the connect");
        QCOMPARE(notice->callFrom, kStationCall);
        QCOMPARE(notice->data, QByteArray("*** CONNECTED With Station N0AAA\r\0", 34));

        const QByteArray welcome("Welcome to N0AAA's Packet Station!\r\n");
        QCOMPARE(awaitData(m_b, 0, welcome.size(), kLineMs), welcome);
        QCOMPARE(m_b.dataFrames().size(), 1);
        QCOMPARE(m_b.dataFrames()[0].pid, quint8(0xF0));

        QVERIFY(pumpUntil([&] { return view().captions[0] == QLatin1String("N0BBB"); }, 2000));
        QCOMPARE(view().current, 0);
        QCOMPARE(state().selectedCall, QStringLiteral("N0BBB"));
        QCOMPARE(channelText(0), "\r\n" + formatTimeStamp(m_h->clock.now()) +
                                     "\r\n*** CONNECTED To Station N0BBB\r\n");
    }

    void remoteLinesReachTheChannelViewAndItsPage() {
        QVERIFY(view().captions[0] == QLatin1String("N0BBB"));
        const QString before = channelText(0);
        m_b.send('D', kStationCall, "Hello from N0BBB\r");
        m_b.send('D', kStationCall, "How is the weather at N0AAA?\r");
        const QString lines =
            QStringLiteral("Hello from N0BBB\r\nHow is the weather at N0AAA?\r\n");
        QVERIFY2(pumpUntil([&] { return channelText(0).size() >= before.size() + lines.size(); },
                           2 * kLineMs),
                 qPrintable(channelText(0)));
        QCOMPARE(channelText(0), before + lines);

        const QString page = QDir(state().programDir).filePath(QStringLiteral("Channel0.htm"));
        QCOMPARE(readFileBytes(page), QByteArray("*** CONNECTED To Station N0BBB\r"
                                                 "Hello from N0BBB\r"
                                                 "How is the weather at N0AAA?\r\r\n"));
        QVERIFY(
            view()
                .text(TextView::Conf)
                .endsWith(QStringLiteral("de N0BBB: *** CONNECTED To Station N0BBB\r\n") + lines));
        // Conference off: nothing goes back, and the link's own frames stayed off the channel.
        QCOMPARE(m_b.dataFrames().size(), 1);
        QVERIFY(view().text(TextView::AllTraffic).indexOf(QStringLiteral("Hello from")) < 0);
    }

    void theOperatorsLineReachesTheRemote() {
        const qsizetype first = m_b.dataFrames().size();
        view().sendLine = QStringLiteral("Fine here, 12 degrees and sunny.");
        station().onSendLineEnter();
        QVERIFY(view().sendLine.isEmpty());

        const QByteArray expected("Fine here, 12 degrees and sunny.\r");
        QCOMPARE(awaitData(m_b, first, expected.size(), kLineMs), expected);
        QVERIFY(view()
                    .text(TextView::Conf)
                    .endsWith(QStringLiteral("de N0AAA: Fine here, 12 degrees and sunny.\r\n")));
    }

    void theBeaconIsHeardAtTheRemote() {
        QCOMPARE(state().beaconText,
                 QStringLiteral("N0AAA packet station.  Please connect and say hi!"));
        state().beaconTicks = 900;
        station().tick();
        QCOMPARE(state().beaconTicks, 0.0f);

        const auto heard =
            awaitFrame(m_b, 'U', kLineMs, [](const AirFrame& f) { return f.callTo == "BEACON"; });
        QVERIFY2(heard, "no beacon on the air");
        QCOMPARE(heard->callFrom, kStationCall);
        const QByteArray text = state().beaconText.toLatin1();
        const QRegularExpression monitorLine(
            QStringLiteral(
                "^ 1:Fm N0AAA To BEACON <UI pid=F0 Len=%1 PF=0 >\\[\\d\\d:\\d\\d:\\d\\d\\]\\r")
                .arg(text.size() + 1));
        QVERIFY2(monitorLine.match(QString::fromLatin1(heard->data)).hasMatch(),
                 heard->data.toPercentEncoding().constData());
        // the engine puts its own CR after the text's
        QVERIFY2(heard->data.endsWith("\r" + text + "\r\r" + QByteArray(1, '\0')),
                 heard->data.toPercentEncoding().constData());

        // The station hears its own beacon in the all-traffic strip, once.
        QVERIFY(pumpUntil(
            [&] { return view().text(TextView::AllTraffic).contains(state().beaconText); }, 3000));
        pumpFor(1000);
        QCOMPARE(view().text(TextView::AllTraffic).count(state().beaconText), 1);
    }

    void theRemoteHangsUpAndTheTabIsFreed() {
        m_b.send('d', kStationCall);
        const auto gone = awaitFrame(m_b, 'd', kConnectMs);
        QVERIFY2(gone, "the link did not end");
        QCOMPARE(gone->data, QByteArray("*** DISCONNECTED From Station N0AAA\r\0", 37));
        QVERIFY(pumpUntil([&] { return view().captions[0] == QLatin1String("Open"); }, 3000));
        QVERIFY(channelText(0).contains(QStringLiteral("*** DISCONNECTED From Station N0BBB\r\n")));
    }

    void theConferenceRelaysLinesButNeverTheLinksOwnFrames() {
        QString why;
        QVERIFY2(registerRemote(m_c, m_portB, &why), qPrintable(why));
        m_remotes.append(&m_c);
        station().onConferenceClicked(1);
        QCOMPARE(state().conference, 1);
        // What the texts below take for granted: nobody called yet (a station the operator
        // called gets no welcome), and N0BBB was not the last to speak (no header then).
        QVERIFY(state().connectTarget.isEmpty());
        QCOMPARE(state().lastSpeaker, QStringLiteral("N0AAA"));

        const qsizetype firstB = m_b.dataFrames().size();
        QVERIFY2(remoteConnects(m_b), "N0BBB could not connect");
        QByteArray expectB = "Welcome to N0AAA's Packet Station!\r\n"
                             "You are currently in conference with the following station(s):\r\n"
                             "N0AAA N0BBB \r"
                             "\r\nde N0BBB: *** CONNECTED To Station N0BBB\r\n";
        QCOMPARE(awaitData(m_b, firstB, expectB.size(), kLineMs), expectB);

        QVERIFY2(remoteConnects(m_c), "N0CCC could not connect");
        const QByteArray joined = "\r\nde N0CCC: *** CONNECTED To Station N0CCC\r\n";
        QByteArray expectC = "Welcome to N0AAA's Packet Station!\r\n"
                             "You are currently in conference with the following station(s):\r\n"
                             "N0AAA N0BBB N0CCC \r" +
                             joined;
        expectB += joined;
        QCOMPARE(awaitData(m_c, 0, expectC.size(), kLineMs), expectC);
        QCOMPARE(awaitData(m_b, firstB, expectB.size(), kLineMs), expectB);
        QCOMPARE(view().captions[1], QStringLiteral("N0CCC"));

        m_b.send('D', kStationCall, "Hello conference\r");
        const QByteArray fromB = "\r\nde N0BBB: Hello conference\r\n";
        expectB += fromB;
        expectC += fromB;
        QCOMPARE(awaitData(m_c, 0, expectC.size(), 2 * kLineMs), expectC);
        QCOMPARE(awaitData(m_b, firstB, expectB.size(), 2 * kLineMs), expectB);

        m_c.send('D', kStationCall, "N0CCC here, hello all\r");
        const QByteArray fromC = "\r\nde N0CCC: N0CCC here, hello all\r\n";
        expectB += fromC;
        expectC += fromC;
        QCOMPARE(awaitData(m_b, firstB, expectB.size(), 2 * kLineMs), expectB);
        QCOMPARE(awaitData(m_c, 0, expectC.size(), 2 * kLineMs), expectC);

        // Long enough for every acknowledgement of those frames to be on the air and heard:
        // none of them may come back as conference text.
        pumpFor(2 * kQuietMs);
        QCOMPARE(m_b.dataBytes(firstB), expectB);
        QCOMPARE(m_c.dataBytes(), expectC);
        // welcome, two connect notices, two lines
        QCOMPARE(m_b.dataFrames().size() - firstB, 5);
        QCOMPARE(m_c.dataFrames().size(), 4); // welcome, its own connect notice, two lines
        // Nobody sent a UI frame in this session so far: any monitor line on a channel is one
        // of the links' own frames.
        for (const QString& text : {view().text(channelView(0)), view().text(channelView(1))})
            QVERIFY2(!text.contains(QStringLiteral(" 1:Fm ")), qPrintable(text));

        for (RemoteStation* r : {&m_b, &m_c}) {
            r->send('d', kStationCall);
            QVERIFY2(awaitFrame(*r, 'd', kConnectMs), "a link did not end");
        }
        QVERIFY(pumpUntil(
            [&] {
                return view().captions[0] == QLatin1String("Open") &&
                       view().captions[1] == QLatin1String("Open");
            },
            5000));
        station().onConferenceClicked(0);
    }

    void theStationCallsAndHangsUp() {
        QCOMPARE(view().captions[0], QStringLiteral("Open"));
        const qsizetype dataBefore = m_b.dataFrames().size();
        view().sendLine = QStringLiteral(":C N0BBB");
        station().onSendLineEnter();
        QCOMPARE(view().captions[0], QStringLiteral("N0BBB")); // the tab is taken at once

        const auto called = awaitFrame(m_b, 'C', kConnectMs);
        QVERIFY2(called, "the call never arrived");
        QCOMPARE(called->callFrom, kStationCall);
        QCOMPARE(called->data, QByteArray("*** CONNECTED To Station N0AAA\r\0", 32));
        QVERIFY(pumpUntil(
            [&] {
                return channelText(0).contains(
                    QStringLiteral("*** CONNECTED With Station N0BBB\r\n"));
            },
            5000));
        QCOMPARE(view().captions[0], QStringLiteral("N0BBB"));
        QCOMPARE(state().selectedCall, QStringLiteral("N0BBB"));
        QVERIFY(
            readFileBytes(QDir(state().programDir).filePath(QStringLiteral("PacketConnects.lst")))
                .contains("N0BBB"));
        // A station the operator called gets no welcome.
        pumpFor(kQuietMs);
        QCOMPARE(m_b.dataFrames().size(), dataBefore);

        view().sendLine = QStringLiteral(":D");
        station().onSendLineEnter();
        const auto ended = awaitFrame(m_b, 'd', kConnectMs);
        QVERIFY2(ended, "the remote never saw the disconnect");
        QCOMPARE(ended->data, QByteArray("*** DISCONNECTED From Station N0AAA\r\0", 37));
        QVERIFY(pumpUntil([&] { return view().captions[0] == QLatin1String("Open"); }, 5000));
        QVERIFY(channelText(0).contains(QStringLiteral("*** DISCONNECTED From Station N0BBB\r\n")));
    }

    void heardSpotsAndWeatherLinesLandOnTheirTabs() {
        m_b.send('M', "DX", "DX de N0BBB: 14025.0 JA1XYZ cw\r");
        m_b.send('M', "WX", "WX N0BBB|Tmp 45|3hr +2|Wnd 5\r");
        QVERIFY2(pumpUntil([&] { return !view().text(TextView::WX).isEmpty(); }, 2 * kLineMs),
                 qPrintable(view().text(TextView::AllTraffic)));
        // The engine's monitor line is cut off and its extra line end dropped.
        QCOMPARE(view().text(TextView::DX), QStringLiteral("DX de N0BBB: 14025.0 JA1XYZ cw\r\n"));
        QCOMPARE(view().text(TextView::WX), QStringLiteral("WX N0BBB|Tmp 45|3hr +2|Wnd 5\r\n"));
    }

    // A scenario that failed half-way may leave links up; the next one must not inherit them.
    void cleanup() {
        if (!QTest::currentTestFailed() || !m_h)
            return;
        for (RemoteStation* r : m_remotes)
            r->send('d', kStationCall);
        pumpUntil(
            [&] {
                for (int n = 0; n < ChannelTable::kChannels; ++n)
                    if (view().captions[n] != QLatin1String("Open"))
                        return false;
                return true;
            },
            kConnectMs);
        state().conference = 0;
    }

    void cleanupTestCase() {
        for (RemoteStation* r : m_remotes)
            r->close();
        if (m_h) {
            station().release();
            QVERIFY(!m_link->isConnected());
        }
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_e2e_station.moc"
