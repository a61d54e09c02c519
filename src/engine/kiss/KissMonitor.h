#pragma once

#include "Ax25Frame.h"
#include "EngineEvent.h"

#include <QTime>

// A frame off a KISS TNC (or sent to one) as the same typed monitored frame an AGWPE engine hands
// over, laid out as Direwolf's AGW monitor writes it:
// " 1:Fm N0AAA To N0BBB Via N0DIG* <I S0 R0 pid=F0 Len=5 P=0 >[12:00:00]\rhello\r".
MonitoredFrame monitoredFrame(const Ax25Frame& frame, int port, bool sent, const QTime& at);
EngineEvent monitoredEvent(const Ax25Frame& frame, int port, bool sent, const QTime& at);
