#pragma once

#include "Seams.h"
#include "StationState.h"

class BeaconAndCapture;
class FileSender;
class HeardFile;
class Registration;
class SendLine;

// What the station does on the 333 ms timer besides taking frames: watching the link to the
// engine, counting toward the keep-alive and the beacon, sending them when due, and saving the
// heard list.
class Housekeeping {
public:
    static constexpr float kIdleLimit = 900;

    struct Parts {
        Registration& registration;
        SendLine& sendLine;
        BeaconAndCapture& beacon;
        HeardFile& heardFile;
        const FileSender& fileSender;
    };

    Housekeeping(StationState& state, Clock& clock, Parts parts)
        : m_state(state), m_clock(clock), m_parts(parts) {}

    void run();

private:
    StationState& m_state;
    Clock& m_clock;
    Parts m_parts;
};
