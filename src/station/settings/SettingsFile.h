#pragma once

#include <QByteArray>
#include <QString>

// PacketSettings.ini: beacon flag, beacon text, weather flag, weather file
// path, one per line with CR LF.
struct SettingsFileValues {
    bool beaconOn = true;
    QString beaconText;
    bool weatherOn = false;
    QString weatherPath;
};

namespace SettingsFile {
constexpr auto kFileName = "PacketSettings.ini";
// A settings file is four short lines; anything past this is not ours.
constexpr qint64 kMaxBytes = 64 * 1024;

QByteArray encode(const SettingsFileValues& values);

// Applies the fields in order onto `values`, as far as they go. Returns false
// when the file ends early or a flag is not a number; what was read before
// that stays applied.
bool decode(const QByteArray& bytes, SettingsFileValues& values);
} // namespace SettingsFile
