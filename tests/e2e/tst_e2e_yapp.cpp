// YAPP file transfers between the station on engine A and tests/e2e/yapp_peer.py, a peer written
// apart from it, as N0BBB on engine B: a file each way.
// One station and one link to its engine serve both; the peer calls anew for each file.

#include "RemoteStation.h"
#include "StationOnAgw.h"
#include "YappPeer.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// 4 kB at 1200 baud, with the calls before and the goodbyes after: about a minute.
constexpr int kTransferMs = 150000;

// Every byte value, each 256-byte run in another order: a block lost, doubled or shifted shows.
QByteArray everyByte() {
    QByteArray out;
    for (int run = 0; run < 16; ++run)
        for (int i = 0; i < 256; ++i)
            out += char((i * (2 * run + 1) + 37 * run) & 0xFF);
    return out;
}

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

class YappEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StationOnAgw> a;
    QTemporaryDir dir; // the file sent, and what the peer receives
    QString source;
    const QByteArray contents = everyByte();
    QStringList offers;

    // The peer's JSON line once it has done, and the station's end of the link.
    QJsonObject finish(YappPeer& peer) {
        const bool finished = peer.finished(kTransferMs);
        const QJsonObject json = peer.result();
        if (!finished || json.value(u"result"_s) == u"failed"_s)
            qWarning("the peer did not get through:\n%s", peer.log.constData());
        [&] { AIR_COMPARE(a->h.view.captions[0], u"Open"_s); }();
        return json;
    }

private slots:
    void initTestCase() {
        if (e2ePort("AGW_PORT_A") == 0 || e2ePort("AGW_PORT_B") == 0)
            QSKIP("needs the Direwolf pair: run it through tests/e2e/run.sh");
        useScratchConfigHomeInEnglish();
        a = std::make_unique<StationOnAgw>(e2ePort("AGW_PORT_A"));
        QVERIFY2(a->link.registeredCall() == "N0AAA", qPrintable(a->link.lastError()));
        source = dir.filePath(u"every-byte.bin"_s);
        QVERIFY(writeFileBytes(source, contents));
        // The operator accepts an offer a moment after it shows, as from its dialog.
        QObject::connect(
            &a->h.station().transfers(), &YappTransfers::offered, this,
            [this](int channel, const QString& call, const QString& file, qint64 size) {
                offers += u"%1 %2 %3"_s.arg(call, file).arg(size);
                QTimer::singleShot(
                    100, [this, channel] { a->h.station().transfers().answer(channel, true); });
            });
    }

    // An undated header: plain YAPP, no checksums.
    void receivesPlainYapp() {
        YappPeer peer({u"--send"_s, source});
        QCOMPARE(finish(peer).value(u"result"_s), u"sent"_s);
        QCOMPARE(offers, QStringList{u"N0BBB every-byte.bin 4096"_s});
        const QString stored = a->h.state.programDir + u"/downloads/N0BBB/every-byte.bin"_s;
        QCOMPARE(readFileBytes(stored), contents);
    }

    // The station's header is dated, and the peer answers RT.
    void sendsByYappC() {
        YappPeer peer({u"--receive"_s, dir.path(), u"--checksums"_s});
        AIR_COMPARE(a->h.view.captions[0], u"N0BBB"_s); // it has called
        a->h.state.selectedCall = u"N0BBB"_s;
        a->h.prompts.files.push_back(source);
        a->h.station().onSendBinaryFileMenu();
        const QJsonObject json = finish(peer);
        QCOMPARE(json.value(u"result"_s), u"received"_s);
        QCOMPARE(json.value(u"checksums"_s), true);
        QCOMPARE(json.value(u"sha256"_s), sha256(contents));
    }

    void cleanupTestCase() { a.reset(); }
};

QTEST_GUILESS_MAIN(YappEndToEndTest)
#include "tst_e2e_yapp.moc"
