#pragma once

#include "EngineLink.h"

// What the engine said of its radio ports, none while it has not (or cannot).
using EnginePorts = std::optional<QList<EnginePort>>;

// Null when the engine has not named that port.
const EnginePort* findEnginePort(const EnginePorts& ports, int number);
// Until the engine has said (or when it cannot), every port is taken on trust.
bool engineOffersPort(const EnginePorts& ports, int number);
// "0 (first soundcard), 1 (second soundcard)"
QString enginePortsInWords(const EnginePorts& ports);
