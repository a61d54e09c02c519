#pragma once

#include "EngineEvent.h"

#include <optional>

#include <QString>

// The raw values of one engine poll as the engine's client library would have handed them, for
// the "Monitor Info" window: the sender and data fields whole, at their fixed sizes, NULs and all.
struct MonitorValues {
    QString result, from, data, length, kind, port;
};

MonitorValues monitorValues(const std::optional<EngineEvent>& event);
