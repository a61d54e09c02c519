#pragma once

#include "FileNotices.h"
#include "MainWindowView.h"
#include "Seams.h"
#include "StationState.h"

class EngineLink;

class Channels;
class TabSelection;

// The operator's send line: colon commands, plain lines to the selected
// station, conference lines to every connected station, and the keep-alive.
class SendLine {
public:
    static constexpr int kWrapColumn = 70;

    SendLine(StationState& state, MainWindowView& view, EngineLink& engine, Prompts& prompts,
             Beeper& beeper, Channels& channels, TabSelection& tabs, FileNotices& notices)
        : m_state(state), m_view(view), m_engine(engine), m_prompts(prompts), m_beeper(beeper),
          m_channels(channels), m_tabs(tabs), m_notices(notices) {}

    // Acts on the send line's current text; never clears it. False, with a beep and a
    // notice, when the line cannot go out (no engine, no station selected, its link ended).
    bool sendCommandLine();
    // Enter in the send line: send, then clear. True when the line went.
    bool onEnter();
    // The line grew past the wrap column with a blank: send what came before it. Returns what
    // went, or a null text.
    QString onTextChanged();
    void sendKeepAlive();
    // A binary transfer let go of the link: the lines typed to its station meanwhile go now.
    void releaseHeld(const QString& call);

private:
    // Lines typed while a transfer holds the link wait, up to this much.
    static constexpr qsizetype kMaxHeldBytes = 64 * 1024;

    // Empty when the line can go out; otherwise the notice that says why not.
    QString whyNotSent(const QString& line) const;
    // Each returns empty when done, or the notice saying why the line cannot go.
    QString command(const QString& line);
    QString connect(const QString& argument);
    // Why nothing can go out on `port`, or empty when the engine has it (or has not said).
    QString portRefusal(quint8 port) const;
    QString unproto(const QString& text);
    void refuse(const QString& why);
    void toSelectedStation(const QString& line);
    void toConference(const QString& line);
    void echo(const QString& text);
    void sendOnLink(const QString& call, const QByteArray& data);

    StationState& m_state;
    MainWindowView& m_view;
    EngineLink& m_engine;
    Prompts& m_prompts;
    Beeper& m_beeper;
    Channels& m_channels;
    TabSelection& m_tabs;
    FileNotices& m_notices;
    bool m_notSentShown = false;
    QHash<QString, QByteArray> m_held; // by upper-case call
};
