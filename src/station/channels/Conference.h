#pragma once

#include "StationState.h"

class EngineLink;

#include <QString>

namespace Conference {
// The greeting for a station that connected, with the conference roster when the
// conference is on. Empty when that station is the one the operator called.
QString welcomeText(const StationState& state, const QString& call);
// Sends the greeting, if any, to the station.
void sendWelcome(const StationState& state, EngineLink& engine, const QString& call);
// What the station says on the air when the operator switches the conference.
QString announcement(const QString& callSign, int conference);
} // namespace Conference
