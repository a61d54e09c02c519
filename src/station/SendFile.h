#pragma once

#include "Seams.h"
#include "StationState.h"

class EngineLink;

#include <QByteArray>
#include <QList>

namespace SendFile {
constexpr int kPieceLength = 80;
// Larger files would tie the link up for hours; they are refused with a beep.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

// The pieces a file's contents go out in, at most 80 characters each.
QList<QByteArray> pieces(const QByteArray& contents);

// File > Send File: asks for a file and sends it to the selected station,
// then a closing CR.
void run(const StationState& state, Prompts& prompts, Beeper& beeper, EngineLink& engine);
} // namespace SendFile
