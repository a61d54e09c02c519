// Engine events through a whole station over the in-process fakes, in a fresh program folder per
// input. Input: two flag bytes, the seven tab captions (a byte: Open, N0BBB, N0CCC or a text),
// the current tab, the weather file (a text, see FuzzReader), then frames: a kind byte, an
// options byte, the sender and the data (texts).

#include "FuzzSupport.h"
#include "StationHarness.h"
#include "TestFiles.h"
#include "WeatherReport.h"

using namespace Qt::Literals::StringLiterals;

constexpr int kMaxTicks = 64;
static const QString kPrhStation = u"N0PRH"_s;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useScratchConfigHomeInEnglish(); // nothing of the machine's own settings is read or written
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString startDir = QDir::currentPath();
    FuzzReader in(data, size);
    // The program folder is a folder of its own, so that nothing may appear beside it.
    StationHarness h;
    const QString outside = h.programDir.path();
    StationState& s = h.state;
    s.programDir = QDir(outside).filePath(u"station"_s);
    FUZZ_CHECK(QDir().mkdir(s.programDir) && QDir::setCurrent(s.programDir));
    s.callSign = u"N0ME"_s;
    s.beaconText = s.callSign + QString::fromLatin1(Station::kBeaconSuffix);
    const quint8 a = in.byte(), b = in.byte();
    s.conference = a & 1, s.clearHtmlData = a & 2, h.view.monitorVisible = a & 8;
    const bool beaconDue = a & 16;
    s.weatherOn = a & 32, s.beaconOn = a & 64;
    for (int n = 0; n < ChannelTable::kChannels; ++n)
        s.channels.setPaneShown(n, (b >> n) & 1);
    for (int i = 0; i < ((b & 128) ? 900 : 0); ++i)
        s.idle.tick();
    const QString calls[] = {u"Open"_s, u"N0BBB"_s, u"N0CCC"_s};
    for (int tab = 0; tab < ChannelTable::kChannels; ++tab) {
        const quint8 pick = in.byte() % 4;
        s.channels.assign(tab, pick < 3 ? calls[pick] : QString::fromLatin1(in.text(16)));
    }
    h.state.currentTab = in.byte() % MainWindowView::kTabCount, h.view.shown = true;
    s.selectedCall = s.channels.call(0), s.weatherPath = QDir(s.programDir).filePath(u"wx.txt"_s);
    const QByteArray weatherFile = in.text();
    writeFileBytes(s.weatherPath, weatherFile);
    // A station's downloaded content: one page, and one that points outside the program folder.
    const QString folder = QDir(s.programDir).filePath(kPrhStation);
    QDir().mkdir(folder);
    writeFileBytes(folder + u"/index.htm"_s,
                   "<HTML><BODY><A HREF=\"<PRHCMD:C N0PRH>\">connect</A></BODY></HTML>");
    QFile::link(u"/etc/hostname"_s, folder + u"/out.htm"_s);

    Station& station = h.station();
    for (int i = 0; i < (beaconDue ? BeaconAndCapture::kBeaconLimit : 0); ++i)
        station.beacon().tick();
    int ticks = 0;
    while (!in.atEnd() && ticks < kMaxTicks) {
        // Options: 4, a tick after it; 16, from the content folder's station; 32 and up, the port.
        const quint8 kind = in.byte(), options = in.byte();
        const QByteArray sender = in.text(32);
        h.engine.queue("UDcdIST"[kind % 7], (options & 16) ? kPrhStation.toLatin1() : sender,
                       in.text(), options >> 5);
        if (options & 4)
            station.tick(), ++ticks;
    }
    for (; ticks < kMaxTicks && !h.engine.incoming.empty(); ++ticks)
        station.tick();
    station.tick();

    FUZZ_CHECK(h.view.text(TextView::AllTrafficMirror).size() <= BoundedText::kLimit);
    for (const auto& [id, model] :
         {std::pair(TextView::AllTraffic, &station.channels().allTraffic()),
          {TextView::DX, &station.beacon().dxView()},
          {TextView::WX, &station.beacon().wxView()},
          {TextView::Data, &station.beacon().dataView()}})
        FUZZ_CHECK(h.view.text(id).size() <= BoundedText::kLimit &&
                   h.view.text(id) == model->text());
    // Only the report of a current weather file goes on the air.
    const std::optional<QString> report =
        Weather::buildReport(QString::fromLatin1(weatherFile), s.callSign, h.clock.now().date());
    for (const RecordingEngine::Sent& sent : h.engine.sent) {
        FUZZ_CHECK(sent.length == sent.data.size());
        if (sent.kind == 'M' && sent.destination == "WX")
            FUZZ_CHECK(report && sent.data == report->toLatin1());
    }
    FUZZ_CHECK(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                       QDir::System) == QStringList{u"station"_s});
    QDir::setCurrent(startDir); // before the folder goes
    return 0;
}
