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

BeaconAndCapture::BeaconAndCapture(StationState& state, StationTexts& texts, EngineLink& engine,
                                   Clock& clock)
    : m_state(state), m_texts(texts), m_engine(engine), m_clock(clock) {}

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
    m_texts.append(TextView::Data, text);
    if (DxWx::isDx(text) && !dxView().containsCaseless(text))
        m_texts.append(TextView::DX, text);
    if (DxWx::isWx(text) && !wxView().containsCaseless(text))
        m_texts.append(TextView::WX, text);
}
