#pragma once

#include "StationContext.h"

#include <QString>

namespace Conference {
// The greeting for the selected station, with the conference roster when the
// conference is on. Empty when that station is the one the operator called.
QString welcomeText(const StationContext& ctx);
// Sends the greeting, if any, to the selected station.
void sendWelcome(StationContext& ctx);
// What the station says on the air when the operator switches the conference.
QString announcement(const QString& callSign, int conference);
} // namespace Conference
