#pragma once

#include "AgwFrame.h"
#include "EngineLink.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Longer connected data goes out as consecutive frames; the engine misbehaves on big ones.
constexpr int kMaxAgwOutgoingData = 256;

// The engine's count of frames still waiting on the link to a connected station.
struct OutstandingAnswer {
    QByteArray call; // the remote station
    quint32 frames = 0;
};

// What one engine frame means to the station.
struct FromEngine {
    std::optional<EngineEvent> event; // none: nothing for the station
    bool monitored = false;           // traffic the station may miss when it falls behind
    std::optional<quint8> registerAnswer;
    std::optional<OutstandingAnswer> outstanding;
    std::optional<QList<EnginePort>> ports;
};

// The engine's answer to `G`: "count;Port1 description;Port2 ...;". Entries the engine marks
// invalid, and those it cannot number, are left out.
QList<EnginePort> parsePortList(const QByteArray& answer);

// `ownCall` counts only once `registered`: an empty call can be registered too.
FromEngine toReceived(AgwFrame&& frame, const QByteArray& ownCall, bool registered);

// The letter the engine's client library gives the event's kind ('c' for a connect).
int kindLetter(const EngineEvent& event);

// What one station send becomes at the engine.
struct ToEngine {
    QList<AgwFrame> frames; // none and not refused: nothing needs to go out
    bool refused = false;
};

ToEngine toEngine(const EngineCommand& command, const QByteArray& ownCall);
