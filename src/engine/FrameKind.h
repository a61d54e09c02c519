#pragma once

#include <QtGlobal>

// The kinds of AX.25 frame: what the codec reads off the air and the monitor line names.
enum class FrameKind : quint8 {
    I,
    RR,
    RNR,
    REJ,
    SREJ,
    SABM,
    SABME,
    DISC,
    DM,
    UA,
    FRMR,
    UI,
    XID,
    TEST,
    Unknown // a U frame of no kind above; never in a monitored frame, which shows it as received
};
