#pragma once

#include "EnginePorts.h"
#include "ProgramName.h"
#include "StationContext.h"

#include <QDateTime>

#include <optional>

class Announcer;

// Registering with the packet engine, and the Call Sign action that renews it.
class Registration {
public:
    static constexpr auto kAppName = "WexloPacketMonitor ";
    static constexpr auto kFailureText =
        "Cannot connect to AGW Packet Engine.  Please start the AGW packet engine and try "
        "connecting again.";
    static constexpr auto kMessageTitle = ProgramName::kCaption;
    static constexpr auto kCallSignPrompt = "Please enter your call sign.";

    static constexpr int kFirstRetryMs = 1000;
    // Probing a local engine is cheap: never wait long to find it back.
    static constexpr int kMaxRetryMs = 1000;

    Registration(StationContext& ctx, Announcer& announcer) : m_ctx(ctx), m_announcer(announcer) {}

    // Registers under the stored call sign (asking for one first when empty).
    // Success starts the poll timer and hides the retry button; a refusal
    // shows the failure message and the button; a link that cannot be used
    // at all shows the button and stops the timer.
    void connectToEngine();

    // Asks for a call sign, offering `shown` (the station's own when null), until the answer is
    // a valid call or empty; a valid one closes the registration, is stored and registers again.
    void callSignAction(const QString& shown = QString());

    // Runs at every poll tick: notices an engine that went away after a
    // successful registration and attaches again, a try each second (the
    // doubling is capped at its first step). Views and channels are left as
    // they are.
    void watchLink();

    // Settings > Port: a port the engine has said it lacks is refused, naming those it has.
    void portAction();
    // Settings > Engine Address chose a new address: tried at once unless an engine is attached.
    void addressChanged();

private:
    void showStatus(const QString& state);
    // The engine said which ports it has: the status line names the one in use.
    void watchPorts();

    StationContext& m_ctx;
    Announcer& m_announcer;
    bool m_registered = false;
    bool m_attaching = false;
    QString m_linkState; // the status line's account of the link, without the port
    EnginePorts m_portsShown;
    int m_retryMs = kFirstRetryMs;
    QDateTime m_attemptBegan;
    QDateTime m_nextAttempt;
};
