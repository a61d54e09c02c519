// Whole frames from the engine through the poll tick: routing to the channels and views,
// page files, Packet Radio HTML pages, DX/WX capture and the beacon.
// Input: two flags bytes, the seven tab captions (see fuzzCaption), the current tab, the
// weather file (a text, see FuzzReader), then frames: a kind byte, an options byte, the
// sender and the data (texts).

#include "FuzzStation.h"

#include <QFile>
#include <cstring>

namespace {

// Options of one frame.
constexpr quint8 kNoSenderEnd = 1;   // the sender field lacks its NUL
constexpr quint8 kBadLength = 2;     // the length disagrees with the data
constexpr quint8 kEndOfTick = 4;     // the tick runs after this frame
constexpr quint8 kLengthMinus = 8;   // with kBadLength: negative rather than too long
constexpr quint8 kCallerSender = 16; // from the station with the content folder

constexpr int kMaxTicks = 64;
constexpr int kMaxFrames = 1000;
const QString kPrhStation = QStringLiteral("N0PRH");

// The kinds the station knows come as their letters; other bytes mostly map onto them too.
int frameKind(quint8 b) {
    static const char kinds[] = "UDcdISTP";
    if (b != 0 && std::strchr(kinds, b))
        return b;
    return b < 200 ? kinds[b % (sizeof(kinds) - 1)] : int(b);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A station's downloaded content: one page, and one that points outside the program folder.
void addContentFolder(const QString& programDir) {
    QDir(programDir).mkdir(kPrhStation);
    const QString folder = QDir(programDir).filePath(kPrhStation);
    writeFile(QDir(folder).filePath(QStringLiteral("index.htm")),
              "<HTML><BODY><A HREF=\"<PRHCMD:C N0PRH>\">connect</A></BODY></HTML>");
    QFile::link(QStringLiteral("/etc/hostname"), QDir(folder).filePath(QStringLiteral("out.htm")));
}

void checkBounded(const FuzzStation& h, TextView id) {
    FUZZ_CHECK(h.view.text(id).size() <= BoundedView::kLimit);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnv::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    FuzzStation h;
    StationState& s = h.state;
    const quint8 a = in.byte();
    s.conference = a & 1;
    s.clearHtmlData = a & 2;
    s.moveToFront = a & 4;
    h.view.monitorVisible = a & 8;
    s.beaconTicks = (a & 16) ? 900 : 0;
    s.weatherOn = a & 32;
    s.beaconOn = a & 64;
    h.view.minimizedOrMaximized = a & 128;
    const quint8 b = in.byte();
    for (int n = 0; n < ChannelTable::kChannels; ++n)
        s.browserShown[n] = (b >> n) & 1;
    s.idleTicks = (b & 128) ? 900 : 0;
    for (int tab = 0; tab < ChannelTable::kChannels; ++tab)
        h.state.channels.assign(tab, fuzzCaption(in));
    h.view.current = in.byte() % MainWindowView::kTabCount;
    h.view.shown = true;
    s.selectedCall = s.channels.call(0);
    s.weatherPath = QDir(s.programDir).filePath(QStringLiteral("wx.txt"));
    writeFile(s.weatherPath, in.text());
    addContentFolder(s.programDir);

    Station& station = h.make();
    int ticks = 0;
    int frames = 0;
    auto tick = [&] {
        station.tick();
        ++ticks;
    };

    while (!in.atEnd() && frames < kMaxFrames && ticks < kMaxTicks) {
        ReceivedFrame f;
        f.kind = frameKind(in.byte());
        const quint8 options = in.byte();
        const QByteArray sender = in.text(32);
        f.senderField = (options & kCallerSender) ? kPrhStation.toLatin1() : sender;
        if (!(options & kNoSenderEnd))
            f.senderField += '\0';
        f.data = in.text();
        f.length = int(f.data.size());
        if (options & kBadLength)
            f.length = (options & kLengthMinus) ? -1 - int(options >> 5) : f.length + 1 + options;
        f.port = options >> 5;
        h.engine.incoming.push_back(f);
        ++frames;
        if (options & kEndOfTick)
            tick();
    }
    while (!h.engine.incoming.empty() && ticks < kMaxTicks)
        tick();
    tick();

    checkBounded(h, TextView::AllTraffic);
    checkBounded(h, TextView::AllTrafficMirror);
    checkBounded(h, TextView::DX);
    checkBounded(h, TextView::WX);
    checkBounded(h, TextView::Data);
    FUZZ_CHECK(h.view.text(TextView::AllTraffic) == station.channels().allTraffic().text());
    for (const RecordingEngine::Sent& sent : h.engine.sent)
        FUZZ_CHECK(sent.length == sent.data.size());
    // A page file, once written, holds the page text and a line end.
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        const QByteArray file = readFile(station.pages().path(n));
        if (!file.isEmpty())
            FUZZ_CHECK(file == s.pageText[n].toLatin1() + "\r\n");
    }
    // Nothing from the air escapes the program folder.
    FUZZ_CHECK(QDir(s.programDir).exists());
    return 0;
}
