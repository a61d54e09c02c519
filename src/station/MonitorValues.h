#pragma once

#include "EngineLink.h"

#include <QString>

// The raw values of one engine poll, as the "Monitor Info" window shows them: the sender and data
// fields whole, at their fixed sizes, NULs and all.
struct MonitorValues {
    QString result, from, data, length, kind, port;
};

MonitorValues monitorValues(qint16 result, const ReceivedFrame& frame);
