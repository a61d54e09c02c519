#pragma once

#include "Seams.h"
#include "StationState.h"
#include "StationTexts.h"

class EngineLink;

#include <QString>

// The station's unattended traffic: the periodic weather report and beacon,
// and the collection of heard DX and WX lines into their tabs.
class BeaconAndCapture {
public:
    static constexpr int kBeaconLimit = 900; // housekeeping ticks between beacons

    BeaconAndCapture(StationState& state, StationTexts& texts, EngineLink& engine, Clock& clock);

    // Counts a housekeeping tick; past kBeaconLimit of them, the beacon goes.
    void tick();
    int ticks() const { return m_ticks; }
    // The weather report (when on and the data file is today's), then the beacon text (when
    // on); the count starts again.
    void sendBeacon();
    // Takes the monitored text after a frame's first line; the caller's text
    // becomes the cleaned text. Any failure ends it silently.
    void captureDxWx(QString& text);

    const BoundedText& dataView() const { return m_texts.bounded(TextView::Data); }
    const BoundedText& dxView() const { return m_texts.bounded(TextView::DX); }
    const BoundedText& wxView() const { return m_texts.bounded(TextView::WX); }

private:
    // The report for this run, or nothing when no frame at all may go out.
    bool weatherReport(QString& out) const;
    void send(const QByteArray& destination, const QString& text);

    StationState& m_state;
    StationTexts& m_texts;
    EngineLink& m_engine;
    Clock& m_clock;
    int m_ticks = 0;
};
