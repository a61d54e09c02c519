#pragma once

#include "FrameKind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QVarLengthArray>

#include <optional>

// One station's address on the air: a call of up to six letters and digits and an SSID.
struct Ax25Address {
    static constexpr qsizetype kMaxCallLength = 6;

    QByteArray call; // upper case, 1..6 letters/digits, no SSID
    quint8 ssid = 0; // 0..15
    // The C bit of the destination and the source; the H ("has been repeated") bit of a
    // digipeater.
    bool bit7 = false;

    QByteArray text() const; // "N0CALL-7"; no "-0"
    // "n0call-7" -> {"N0CALL", 7}; null when there is no valid call. "-0" is taken; "-05" is not.
    static std::optional<Ax25Address> fromText(QByteArrayView text);

    friend bool operator==(const Ax25Address&, const Ax25Address&) = default;
};

using Ax25Kind = FrameKind;

// A frame as the TNC hands it over and takes it, without the FCS. Control fields are modulo 8
// only: SABME is recognised so the monitor can name it, but the modulo-128 frames that follow one
// are not spoken here.
struct Ax25Frame {
    static constexpr int kMaxDigipeaters = 8;

    Ax25Address destination, source;
    QVarLengthArray<Ax25Address, kMaxDigipeaters> via;
    Ax25Kind kind = Ax25Kind::UI;
    std::optional<quint8> ns, nr; // I has both, S frames have nr
    bool pollFinal = false;
    std::optional<quint8> pid; // I and UI only
    QByteArray info;           // I, UI, FRMR, XID, TEST, Unknown (empty otherwise)
    // Dest C=1 and source C=0 is a command, the reverse a response; a version 1 frame (both
    // equal) counts as a command. Encoding writes the C bits from this alone, never version 1.
    bool command = true;
    // The whole control byte of an Unknown frame, as it came; 0 for every other kind.
    quint8 control = 0;

    static Ax25Frame ui(Ax25Address to, Ax25Address from, QList<Ax25Address> via, quint8 pid,
                        QByteArray info);

    friend bool operator==(const Ax25Frame&, const Ax25Frame&) = default;
};

// Null for anything that is not a whole, well-formed frame: fewer than 2 addresses, more than 8
// digipeaters, no end bit, a call that is not A-Z/0-9 with space padding at its end, a control
// field or a PID missing, bytes after a frame that carries no info. Unknown U frames decode as
// Ax25Kind::Unknown with the rest of the frame as info. Never reads past the input.
std::optional<Ax25Frame> decodeAx25(QByteArrayView bytes);

// The frame as it goes on the air, without the FCS. Fields a kind does not carry are not
// written; a missing PID of an I or UI frame goes as F0 (no layer 3), a missing N(S) or N(R) as
// 0; a call is cut to six, the path to eight digipeaters.
QByteArray encodeAx25(const Ax25Frame& frame);
