#include "DownloadFiles.h"
#include "StationHarness.h"
#include "TestFiles.h"
#include "YappReceiver.h"
#include "YappSender.h"
#include "YappTransfers.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
QByteArray cancel(const char* why) {
    return "\x18" + QByteArray(1, char(qstrlen(why))) + why;
}

struct MemorySink : YappSink {
    QByteArray part;   // what a broken transfer left
    QByteArray done;   // the file once whole
    bool full = false; // the disk fills at the next write
    bool refuse = false;
    int kept = 0;
    qint64 open(const Yapp::Header&, QString* why) override {
        if (refuse)
            return *why = u"it cannot be stored here"_s, -1;
        return part.size();
    }
    bool append(QByteArrayView block) override { return !full && (part += block, true); }
    bool finish(const Yapp::Header&) override { return done = std::exchange(part, {}), true; }
    void keepPart() override { ++kept; }
};

} // namespace

class YappTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    // The sender's side of a whole transfer, byte for byte, plain and with checksums.
    void senderTranscript() {
        // The receiver's answer to the header, and the first block it gets.
        for (const auto& [answer, firstBlock] : {std::pair{"0602", "0203616263"}, // plain: RF
                                                 {"0606", "020361626326"},        // YAPP-C: RT
                                                 {"1504520032 00", "020163"},     // resume at 2
                                                 {"150652003100 4300", "02026263c5"}}) {
            YappSender sender({"a.b", 0, Yapp::DosStamp{0x5A21, 0x6000}}, "abc");
            QCOMPARE(sender.start(), hex("0501"));
            QCOMPARE(sender.received("Hello\r" + hex("0601")), // a greeting first is skipped
                     hex("01 0f 612e6200 3300 35413231 36303030 00"));
            QCOMPARE(sender.received(hex("0601")), QByteArray()); // to an SI sent again
            QCOMPARE(sender.received(hex(answer)), QByteArray());
            QCOMPARE(sender.nextBlocks(8), hex(firstBlock) + hex("0301"));
            QCOMPARE(sender.received(hex("0603")), hex("0401"));
            QCOMPARE(sender.outcome(), YappSender::Outcome::Sent);
            QCOMPARE(sender.received(hex("0604")), QByteArray());
            QCOMPARE(sender.state(), YappSender::State::Done);
        }
    }

    // Whatever the peer says, the sender ends with the right outcome and answer; silence and
    // Stop end it too.
    void senderEndings() {
        using O = YappSender::Outcome;
        const std::tuple<const char*, QByteArray, O, const char*> rows[] = {
            {"1502 6e6f", "", O::Refused, "no"}, // NR to SI
            {"1801 78", hex("0605"), O::Cancelled, "x"},
            {"0601 1500", "", O::Refused, ""}, // RR, then NR
            {"0601 4142", {}, O::Failed, "it sent what YAPP does not know"},
            {"0603", {}, O::Failed, "it answered out of turn"},
            {"0601 15055200390000", {}, O::Failed, "it asked to resume past the end"}};
        for (const auto& [peer, reply, outcome, reason] : rows) {
            YappSender sender({"f", 0, {}}, "abc");
            sender.start();
            const QByteArray answer = outcome == O::Failed ? cancel(reason) : reply;
            QCOMPARE(sender.received(hex(peer)).right(answer.size()), answer);
            QCOMPARE(sender.outcome(), outcome);
            QCOMPARE(sender.reason(), QString::fromLatin1(reason));
            QCOMPARE(sender.nextBlocks(1), QByteArray()); // nothing more of the file goes
        }
        YappSender waiting({"f", 0, {}}, "abc");
        waiting.start();
        QCOMPARE(waiting.silence(), cancel("no answer for a minute"));
        QCOMPARE(waiting.state(), YappSender::State::CancelWait);
        QCOMPARE(waiting.silence(), QByteArray());
        QCOMPARE(waiting.state(), YappSender::State::Done);

        YappSender stopped({"f", 0, {}}, "abc");
        stopped.start(), stopped.received(hex("0601 0602"));
        QCOMPARE(stopped.stop(u"stopped"_s), cancel("stopped"));
        QCOMPARE(stopped.received(hex("0605")), QByteArray());
        QCOMPARE(stopped.state(), YappSender::State::Done);
        QCOMPARE(stopped.outcome(), YappSender::Outcome::Failed);
    }

    // A dated header offers YAPP-C: it is taken, a part already held is resumed, and a block
    // sent before the answer is held until then.
    void receiverTranscript() {
        MemorySink held;
        held.part = "ab";
        YappReceiver resumed(held, 100);
        QCOMPARE(resumed.start(), hex("0601"));
        QCOMPARE(resumed.received(hex("010f 612e6200 3300 35413231 36303030 00 0201 63 63")),
                 QByteArray());
        QCOMPARE(resumed.accept(), hex("1506 52003200 4300"));
        QCOMPARE(resumed.received(hex("0301")), hex("0603"));
        QCOMPARE(held.done, "abc");
        QCOMPARE(resumed.resumedFrom(), 2);
        QCOMPARE(resumed.received(hex("0401")), hex("0604"));
        QCOMPARE(resumed.outcome(), YappReceiver::Outcome::Received);
    }

    // Each bad input ends the transfer with a reason; what came stays as a part.
    void receiverRefusesBadInput() {
        using O = YappReceiver::Outcome;
        const char* plain = "0104 6600 3400";
        const std::tuple<const char*, const char*, O, QByteArray> rows[] = {
            {"0105 6600 313000", "", O::Refused, hex("150e") + "file too large"},
            {"0104 6600 2d00", "", O::Failed, cancel("its header is malformed")},
            {"0103 6600 00", "", O::Failed, cancel("its header is malformed")}, // no size
            {plain, "0201 61 6263", O::Failed, cancel("it sent what YAPP does not know")},
            {plain, "0205 6161616161", O::Failed, cancel("more data came than its header said")},
            {plain, "0201 61 0301", O::Failed, cancel("it ended at 1 of 4 bytes")},
            {plain, "0201 ff", O::Failed,
             cancel("the file could not be written (is the disk full?)")},
            {plain, "1804 6f6f7073", O::Cancelled, hex("0605")},
            {"010f 612e6200 3300 35413231 36303030 00", "0201 61 00", O::Failed,
             cancel("a block arrived damaged")}};
        for (const auto& [header, after, outcome, reply] : rows) {
            MemorySink sink;
            sink.full = QByteArray(after) == "0201 ff";
            YappReceiver receiver(sink, 9);
            receiver.start();
            QByteArray out = receiver.received(hex(header));
            out += receiver.accept();
            out += receiver.received(hex(after));
            QVERIFY2(out.endsWith(reply), out.toHex(' ').constData());
            QCOMPARE(receiver.outcome(), outcome);
            QCOMPARE(sink.done, QByteArray());
            QCOMPARE(sink.kept, *after ? 1 : 0);
            // A failure waits for the answer to its cancel.
            using S = YappReceiver::State;
            QCOMPARE(receiver.state(), outcome == O::Failed ? S::CancelWait : S::Done);
            QCOMPARE(receiver.received(hex("0605")), QByteArray());
            QCOMPARE(receiver.state(), S::Done);
        }
    }

    void receiverSilence() {
        MemorySink sink;
        // A cancel reaches a receiver still waiting for the operator; 4 kB held early, no more.
        YappReceiver offered(sink, 9), eager(sink, 9);
        offered.start(), eager.start();
        offered.received(hex("0104 6600 3400")), eager.received(hex("0104 6600 3400"));
        QCOMPARE(offered.received(hex("1800")), hex("0605"));
        QCOMPARE(offered.outcome(), YappReceiver::Outcome::Cancelled);
        QCOMPARE(eager.received(QByteArray(4096, 'x')), QByteArray());
        QCOMPARE(eager.received("x"), cancel("it went on sending before the answer"));

        YappReceiver quiet(sink, 9);
        quiet.start();
        QCOMPARE(quiet.silence(), cancel("no answer for a minute"));
    }

    // Our own two ends together, over a link that cuts and joins the stream at random.
    void bothEndsOverARaggedLink() {
        for (const auto& [size, dated] :
             {std::pair{0, false}, {256, true}, {4099, false}, {4099, true}}) {
            QByteArray file(size, 0);
            std::ranges::generate(file, [i = 0]() mutable { return char(i++ * 7); });
            std::optional<Yapp::DosStamp> stamp;
            if (dated)
                stamp = Yapp::DosStamp{0x5A21, 0x6000};
            YappSender sender({"all.bin", 0, stamp}, file);
            MemorySink sink;
            YappReceiver receiver(sink, 1 << 20);
            QRandomGenerator random(size);
            const auto ragged = [&](const QByteArray& bytes, auto&& to) {
                QByteArray back;
                for (qsizetype at = 0; at < bytes.size();) {
                    const qsizetype n = random.bounded(1, 300);
                    back += to(QByteArrayView(bytes).sliced(at, qMin(n, bytes.size() - at)));
                    at += n;
                }
                return back;
            };
            const auto toReceiver = [&](QByteArrayView b) { return receiver.received(b); };
            const auto toSender = [&](QByteArrayView b) { return sender.received(b); };
            QByteArray back = receiver.start();
            ragged(sender.start(), toReceiver);
            for (int round = 0; round < 100 && sender.state() != YappSender::State::Done; ++round) {
                const QByteArray forth = ragged(back, toSender) + sender.nextBlocks(4);
                back = ragged(forth, toReceiver);
                if (receiver.state() == YappReceiver::State::Deciding)
                    back += receiver.accept();
            }
            QCOMPARE(sender.outcome(), YappSender::Outcome::Sent);
            QCOMPARE(receiver.state(), YappReceiver::State::Done);
            QCOMPARE(receiver.outcome(), YappReceiver::Outcome::Received);
            QCOMPARE(sender.checksums(), dated);
            QCOMPARE(sink.done, file);
        }
    }

    // In the station: a frame that begins with SI takes the channel's link until the transfer
    // ends. Its bytes reach the file only; the views and the log get a line at each end; the
    // operator's text waits and no keep-alive goes.
    void stationReceiveHoldsTheLink() {
        StationHarness h;
        h.store.setLogSessions(true), h.start();
        RecordingEngine& e = h.engine;
        const auto sent = [&e] {
            QByteArray out;
            for (const RecordingEngine::Sent& s : std::exchange(e.sent, {}))
                out += s.kind == 'D' && s.destination == "N0BBB" ? s.data : QByteArray("?");
            return out;
        };
        const auto air = [&](const char* hexBytes) {
            return e.queue('D', "N0BBB", hex(hexBytes)), h.station().tick(), sent();
        };
        e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"), h.station().tick(), sent();
        QList<QString> offers;
        connect(&h.station().transfers(), &YappTransfers::offered, this,
                [&](int channel, const QString& call, const QString& file, qint64 size) {
                    offers.append(u"%1 %2 %3 %4"_s.arg(channel).arg(call, file).arg(size));
                });
        QCOMPARE(air("0501"), hex("0601"));
        QCOMPARE(air("0108 782e62696e00 3300"), QByteArray());
        QCOMPARE(offers, QList<QString>{u"0 N0BBB x.bin 3"_s});
        h.view.sendLine = u"hello"_s, h.station().onSendLineEnter();
        for (int i = 0; i < 1000; ++i)
            h.state.idle.tick(); // past the keep-alive's wait
        h.station().tick();
        QCOMPARE(sent(), QByteArray());
        QVERIFY(
            h.view.notices.contains(u"Your text to N0BBB waits until the file transfer ends"_s));
        h.station().transfers().answer(0, true);
        QCOMPARE(sent(), hex("0602"));
        QCOMPARE(air("0203 00ff0d 0301"), hex("0603"));
        QCOMPARE(air("0401"), hex("0604") + "hello\r");
        QCOMPARE(readFileBytes(h.programDir.filePath(u"downloads/N0BBB/x.bin"_s)), hex("00ff0d"));
        const QString channel = h.view.texts[channelView(0)];
        QVERIFY(channel.contains(u"*** Receiving x.bin (3 bytes) from N0BBB by YAPP\r\n"_s));
        QVERIFY(channel.contains(
            u"*** x.bin received from N0BBB: 3 bytes, in downloads/N0BBB/x.bin\r\n"_s));
        QVERIFY(!channel.contains(QChar(0xFF)));
        const QByteArray log = readFileBytes(h.programDir.filePath(u"logs/N0BBB/2026-12-05.log"_s));
        QVERIFY2(log.contains("Receiving x.bin") && log.contains("hello") && !log.contains('\xFF'),
                 log.constData());

        // A send: an unanswered SI goes again (a link reset drops what the engine held) until
        // the minute without an answer ends it.
        QVERIFY(h.offerFile("abc"));
        h.station().onSendBinaryFileMenu();
        QByteArray yapp = sent();
        for (int s = 0; s < 60; ++s)
            h.clock.when = h.clock.when.addSecs(1), h.station().tick(), yapp += sent();
        QCOMPARE(yapp, hex("0501 0501 0501") + cancel("no answer for a minute"));
    }

    // Names from the air never leave downloads/<CALL>/ and never replace a file there.
    void downloadNames() {
        for (const auto& [sent, stored] :
             {std::pair{QByteArray("log.txt"), u"log.txt"_s},
              {"..\x01x?.z", u"_x_.z"_s}, // leading dots, controls
              {QByteArray(70, 'a') + ".zip", QString(60, u'a') + u".zip"_s},
              {"...", u"file"_s}, // nothing left
              {"../x", {}},
              {"C:\\x", {}},
              {"..", {}}}) {
            QString why;
            QCOMPARE(DownloadFiles::cleanName(sent, &why), stored);
            QCOMPARE(why.isEmpty(), !stored.isEmpty());
        }
    }

    void downloadsKeepPartsAndNeverOverwrite() {
        QTemporaryDir program;
        const QString old = program.filePath(u"downloads/N0CALL/a.txt"_s);
        QVERIFY(QDir(program.path()).mkpath(u"downloads/N0CALL"_s) && writeFileBytes(old, "old"));
        FakeView view;
        FileNotices notices(view);
        DownloadFiles files(program.path(), u"n0call"_s, notices);
        const Yapp::Header header{"a.txt", 5, Yapp::DosStamp{0x5A21, 0x6000}};
        QString why;
        QCOMPARE(files.open(header, &why), 0);
        QVERIFY(files.append("new"));
        files.keepPart();
        QCOMPARE(files.open(header, &why), 3); // a resume picks up the part
        QVERIFY(files.append("er") && files.finish(header));
        QCOMPARE(files.storedPath(), program.filePath(u"downloads/N0CALL/a (1).txt"_s));
        QCOMPARE(QFileInfo(files.storedPath()).lastModified().date(), QDate(2025, 1, 1));
        QCOMPARE(readFileBytes(files.storedPath()) + readFileBytes(old), "newerold");
        QVERIFY(!QFileInfo::exists(old + ".part"));

        // A link planted for the call's folder is left alone.
        QVERIFY(QFile::link(u"/tmp"_s, program.filePath(u"downloads/N0X"_s)));
        DownloadFiles planted(program.path(), u"N0X"_s, notices);
        QCOMPARE(planted.open(header, &why), -1);
        QCOMPARE(view.notices, QStringList{u"N0X is not a regular file; left alone"_s});
    }
};

QTEST_GUILESS_MAIN(YappTest)
#include "tst_yapp.moc"
