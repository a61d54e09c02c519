#pragma once

#include <QString>

// The channels' page files Channel0.htm .. Channel6.htm in the program folder.
namespace PageFiles {
QString path(const QString& programDir, int channel);
// Replaces the file with the text and a CR LF; false when it cannot be written.
bool write(const QString& path, const QString& text);
// Leaves the file at zero length.
bool empty(const QString& path);
} // namespace PageFiles
