#pragma once

#include <QFile>

// Reads at most `limit` bytes of an open file, asking only for what the file
// holds: QFile::read(limit) sets the whole limit aside first.
inline QByteArray readBounded(QFile& file, qint64 limit) {
    const qint64 size = file.size();
    return file.read(size > 0 ? qMin(size, limit) : 0);
}
