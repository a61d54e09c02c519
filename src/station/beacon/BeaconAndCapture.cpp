#include "BeaconAndCapture.h"

#include "BoundedRead.h"
#include "DxWxCapture.h"
#include "EngineLink.h"
#include "SafeFile.h"
#include "WeatherReport.h"

#include <QFile>
#include <QFileInfo>

namespace {
// Shorter call signs are placeholders, not stations that may transmit.
bool mayTransmit(const QString& callSign) {
    return callSign.size() > 2;
}
} // namespace

BeaconAndCapture::BeaconAndCapture(StationState& state, MainWindowView& view, EngineLink& engine,
                                   Clock& clock)
    : m_state(state), m_view(view), m_engine(engine), m_clock(clock), m_data(view, TextView::Data),
      m_dx(view, TextView::DX), m_wx(view, TextView::WX) {}

void BeaconAndCapture::tick() {
    if (++m_ticks > kBeaconLimit)
        sendBeacon();
}

void BeaconAndCapture::sendBeacon() {
    StationState& s = m_state;
    m_ticks = 0;
    if (!mayTransmit(s.callSign))
        return;
    if (s.weatherOn) {
        QString report;
        if (!weatherReport(report))
            return;
        send("WX", report);
    }
    if (s.beaconOn)
        send("BEACON", s.beaconText + QLatin1Char('\r'));
}

bool BeaconAndCapture::weatherReport(QString& out) const {
    const QString& path = m_state.weatherPath;
    if (path.isEmpty())
        return false;
    // Regular files only: a pipe or a device could block the tick or never end.
    QFile file(path);
    if (!SafeFile::openForRead(file, SafeFile::Links::Follow))
        return false;
    const QByteArray bytes = readBounded(file, Weather::kMaxFileBytes);
    if (file.error() != QFileDevice::NoError)
        return false;
    const auto report =
        Weather::buildReport(QString::fromLatin1(bytes), m_state.callSign, m_clock.now().date());
    if (!report)
        return false;
    out = *report;
    return true;
}

void BeaconAndCapture::send(const QByteArray& destination, const QString& text) {
    m_engine.send(UnprotoCommand{destination, text.toLatin1(), {}, m_state.radioPort});
}

void BeaconAndCapture::captureDxWx(QString& text) {
    text = DxWx::clean(text);
    appendTo(m_data, TextView::Data, text);
    if (DxWx::isDx(text) && !m_dx.containsCaseless(text))
        appendTo(m_dx, TextView::DX, text);
    if (DxWx::isWx(text) && !m_wx.containsCaseless(text))
        appendTo(m_wx, TextView::WX, text);
}

void BeaconAndCapture::appendTo(BoundedText& view, TextView id, const QString& text) {
    view.append(text);
    m_view.moveCaretToEnd(id);
}
