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

// The folder's settings file, whole: its path, reading it and writing it.
QString path(const QString& folder);
// Writes the values as the file in `folder`, replacing the name whole so that a link or FIFO
// planted there is never written through; false when it could not be written.
bool save(const QString& folder, const SettingsFileValues& values);

struct Loaded {
    SettingsFileValues values; // the file's fields over the ones given
    bool refused = false;      // the file is there but could not be opened
    bool written = false;      // it was missing or unreadable, and written anew from `values`
    bool writeFailed = false;  // ... and that failed
    // An unreadable file is kept beside it as .bad before it is written anew.
    bool keptBad = false, badNotKept = false;
};
// Reads the file in `folder` over `values`. A missing file, or one that does not decode, is
// written anew from what was read.
Loaded load(const QString& folder, const SettingsFileValues& values);
} // namespace SettingsFile
