#pragma once

#include "MainWindowView.h"
#include "Seams.h"
#include "StationState.h"
#include "StationTexts.h"

#include <array>

class EngineLink;

// What goes into the channel, conference and All Traffic views, and which station holds each
// channel.
class Channels {
public:
    Channels(StationState& state, MainWindowView& view, StationTexts& texts, EngineLink& engine);

    // Appends one received frame's data to the all-traffic strip and its
    // mirror. The caller's text becomes the expanded text with its line end.
    void appendAllTraffic(QString& text);
    // Sends the text as connected data to every busy channel, in tab order.
    void relayToConference(const QString& text);
    // Puts a station on a channel, or takes it off, and shows it on the channel's tab.
    void assign(int channel, const QString& call, const LinkRoute& route);
    void release(int channel);
    // Raises the window when the operator asked for it.
    void bringToFront();
    // Appends to a channel or conference view.
    void appendToView(TextView view, const QString& text);
    // What a station sent, expanded, to its channel's view; with a stamp (TimeStamps on) each
    // line it begins starts with it.
    void appendReceived(int channel, const QString& text, const QString& stamp);
    // A plain line the operator sent the channel's station, marked as the operator's, on a line
    // of its own.
    void appendOwnLine(int channel, const QString& line);

    const BoundedText& allTraffic() const { return m_texts.bounded(TextView::AllTraffic); }
    StationTexts& texts() { return m_texts; }

private:
    StationState& m_state;
    MainWindowView& m_view;
    StationTexts& m_texts;
    EngineLink& m_engine;
    // Whether each channel's view ends with a line break (or is empty).
    std::array<bool, ChannelTable::kChannels> m_atLineStart;
};
