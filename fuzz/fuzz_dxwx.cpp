// Monitored payloads as they reach the DX, WX and Data tabs.
// Input: one byte (how many more passes over the frames, each pass with its own suffix so
// the lines are new to the tabs), then the monitored frames' data as texts (see FuzzReader).

#include "DxWxCapture.h"
#include "FuzzStation.h"

namespace {

void checkView(const FuzzStation& h, TextView id, const BoundedView& bounded) {
    const QString shown = h.view.text(id);
    FUZZ_CHECK(shown.size() <= BoundedView::kLimit);
    FUZZ_CHECK(shown == bounded.text());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnv::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    const int passes = 1 + in.byte() % 4;
    QList<QString> frames;
    while (!in.atEnd())
        frames.append(QString::fromLatin1(in.text()));

    FuzzStation h;
    BeaconAndCapture& capture = h.make().beacon();
    for (int pass = 0; pass < passes; ++pass) {
        for (const QString& frame : frames) {
            const QString payload = pass == 0 ? frame : frame + QString::number(pass);
            const QString cleaned = DxWx::clean(payload);
            FUZZ_CHECK(cleaned.size() <= 2 * payload.size());
            // As the tick hands it over: the monitored text after the frame's first line.
            const qsizetype cr = payload.indexOf(QLatin1Char('\r'));
            QString text = cr >= 0 ? payload.mid(cr + 1) : payload;
            const QString expected = DxWx::clean(text);
            capture.captureDxWx(text);
            FUZZ_CHECK(text == expected);
            checkView(h, TextView::DX, capture.dxView());
            checkView(h, TextView::WX, capture.wxView());
            checkView(h, TextView::Data, capture.dataView());
        }
    }
    return 0;
}
