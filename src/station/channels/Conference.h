#pragma once

#include "StationState.h"

class EngineLink;

#include <QString>

namespace Conference {
// The greeting for the selected station, with the conference roster when the
// conference is on. Empty when that station is the one the operator called.
QString welcomeText(const StationState& state);
// Sends the greeting, if any, to the selected station.
void sendWelcome(const StationState& state, EngineLink& engine);
// What the station says on the air when the operator switches the conference.
QString announcement(const QString& callSign, int conference);
} // namespace Conference
