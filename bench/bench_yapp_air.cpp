// 20 kB from the station on Direwolf engine A to N0BBB on engine B, on run.sh's simulated
// 1200-baud air, two ways in one run: as text by Send File (pieces of 80 bytes) to an AGW client
// that only receives, and by YAPP (Send Binary File, blocks of 253) to tests/e2e/yapp_peer.py.
// bench/yapp-air runs it.

#include "RemoteStation.h"
#include "StationOnAgw.h"
#include "YappPeer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kBytes = 20480;
constexpr int kLegMs = 20 * 60000;
const QByteArray kWelcome = "Welcome to N0AAA's Packet Station!\r\n";

QByteArray payload() {
    QByteArray out;
    for (int i = 0; out.size() < kBytes; ++i) {
        const QByteArray line = "N0AAA line " + QByteArray::number(i).rightJustified(3, '0');
        out += line + QByteArray(63 - line.size(), char('a' + i % 26)) + '\r';
    }
    return out.left(kBytes);
}

bool waitFor(const std::function<bool()>& done, int ms = kLegMs) {
    return QTest::qWaitFor(done, ms);
}

// I frames engine A put on the air from N0AAA to N0BBB, as its log shows them.
qsizetype iFramesSent() {
    QFile log(qEnvironmentVariable("E2E_OUT") + u"/direwolf-a.log"_s);
    return log.open(QIODevice::ReadOnly) ? log.readAll().count("N0AAA>N0BBB:(I cmd") : -1;
}

void print(const char* way, double seconds, qsizetype frames) {
    std::printf("| %-38s | %8.1f | %8lld |\n", way, seconds, qlonglong(frames));
    std::fflush(stdout);
}

// N0BBB, an AGW client that only takes what comes, calls; the station sends by Send File.
double asText(StationOnAgw& a, const QString& file, const QByteArray& data) {
    Remote b("N0BBB");
    if (!b.registerAt(e2ePort("AGW_PORT_B")))
        return std::fprintf(stderr, "engine B refused N0BBB\n"), -1;
    b.send('C');
    if (!waitFor([&] { return b.data() == kWelcome; }, 60000))
        return std::fprintf(stderr, "the station did not take the call\n"), -1;
    const qsizetype frames = iFramesSent();
    QElapsedTimer clock;
    clock.start();
    a.h.state.selectedCall = u"N0BBB"_s;
    a.h.prompts.files.push_back(file);
    a.h.station().onSendFileMenu();
    const bool whole = waitFor([&] { return b.data().size() >= kWelcome.size() + kBytes; });
    const double seconds = double(clock.elapsed()) / 1000;
    if (!whole || !b.data().mid(kWelcome.size()).startsWith(data))
        return std::fprintf(stderr, "text: %lld bytes came\n", qlonglong(b.data().size())), -1;
    waitFor([&] { return a.h.view.notices.contains(u"text.txt sent to N0BBB"_s); }, 60000);
    print("Send File, text in pieces of 80 bytes", seconds, iFramesSent() - frames);
    b.send('d');
    waitFor([&] { return a.h.view.captions[0] == u"Open"_s; }, 60000);
    return seconds;
}

// yapp_peer.py calls as N0BBB and receives; the station sends by Send Binary File.
double byYapp(StationOnAgw& a, const QString& file, const QByteArray& data) {
    QTemporaryDir into;
    YappPeer peer({u"--receive"_s, into.path(), u"--checksums"_s, u"--timeout"_s, u"120"_s});
    if (!waitFor([&] { return a.h.view.captions[0] == u"N0BBB"_s; }, 60000))
        return std::fprintf(stderr, "yapp_peer did not call:\n%s", peer.log.constData()), -1;
    const qsizetype frames = iFramesSent();
    QElapsedTimer clock;
    clock.start();
    a.h.state.selectedCall = u"N0BBB"_s;
    a.h.prompts.files.push_back(file);
    a.h.station().onSendBinaryFileMenu();
    // The peer logs the EF that follows the last block as it takes it.
    const bool whole = waitFor([&] { return peer.log.contains("<- EF"); });
    const double seconds = double(clock.elapsed()) / 1000;
    peer.finished(120000);
    const QJsonObject json = peer.result();
    const QString sha =
        QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
    if (!whole || json.value(u"result"_s) != u"received"_s || json.value(u"sha256"_s) != sha)
        return std::fprintf(stderr, "YAPP: %s\n%s", qPrintable(QJsonDocument(json).toJson()),
                            peer.log.constData()),
               -1;
    print(json.value(u"checksums"_s).toBool() ? "YAPP-C, blocks of 253 bytes"
                                              : "YAPP, blocks of 253 bytes",
          seconds, iFramesSent() - frames);
    waitFor([&] { return a.h.view.captions[0] == u"Open"_s; }, 60000);
    return seconds;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (e2ePort("AGW_PORT_A") == 0) {
        std::fprintf(stderr, "run it through bench/yapp-air\n");
        return 2;
    }
    useScratchConfigHomeInEnglish();
    const QByteArray data = payload();
    QTemporaryDir dir;
    const QString file = dir.filePath(u"text.txt"_s);
    if (!writeFileBytes(file, data))
        return 1;
    StationOnAgw a(e2ePort("AGW_PORT_A"));
    std::printf("%d bytes from the station to N0BBB, until the last arrived\n\n", kBytes);
    std::printf("| %-38s | %8s | %8s |\n|%s|%s|%s|\n", "way", "seconds", "I frames",
                QByteArray(40, '-').constData(), QByteArray(10, '-').constData(),
                QByteArray(10, '-').constData());
    // YAPP first: after the long text leg Direwolf B's round-trip estimate has grown so far that
    // the next call's SABME went twice, and the reset lost the station's first frame.
    const double yapp = byYapp(a, file, data);
    const double text = asText(a, file, data);
    if (text <= 0 || yapp <= 0)
        return 1;
    std::printf("\nYAPP / text: %.2fx (target <= 1.15x)\n", yapp / text);
    return 0;
}
