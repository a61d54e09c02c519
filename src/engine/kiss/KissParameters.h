#pragma once

#include "Ax25Link.h"

#include <QString>
#include <QtGlobal>

// What a KISS TNC is told when the station attaches: its channel access parameters, and the text
// some TNCs need before they speak KISS at all ("\r" and "\n" in it stand for CR and LF).
struct KissParameters {
    quint8 txDelay = 30;     // 10 ms units
    quint8 persistence = 63; // 0 to 255: the chance to send in a free slot, times 256
    quint8 slotTime = 10;    // 10 ms units
    QString init;
    Ax25LinkParameters link; // the station's own connected links
    friend bool operator==(const KissParameters&, const KissParameters&) = default;
};
