#pragma once

#include "FileNotices.h"
#include "StationContext.h"

class Channels;
class TabSelection;

// The operator's send line: colon commands, plain lines to the selected
// station, conference lines to every connected station, and the keep-alive.
class SendLine {
public:
    static constexpr int kWrapColumn = 70;

    SendLine(StationContext& ctx, Channels& channels, TabSelection& tabs, FileNotices& notices)
        : m_ctx(ctx), m_channels(channels), m_tabs(tabs), m_notices(notices) {}

    // Acts on the send line's current text; never clears it. False when
    // nothing could be sent because the engine has gone away.
    bool sendCommandLine();
    // Enter in the send line: send, then clear.
    void onEnter();
    // The line grew past the wrap column with a blank: send what came before it.
    void onTextChanged();
    void sendKeepAlive();

private:
    void command(const QString& line);
    void connect(const QString& argument);
    void toSelectedStation(const QString& line);
    void toConference(const QString& line);
    void echo(const QString& text);
    void put(const QString& destination, const QByteArray& data, int kind);
    template <typename Step> void guarded(Step&& step);

    StationContext& m_ctx;
    Channels& m_channels;
    TabSelection& m_tabs;
    FileNotices& m_notices;
};
