#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Opens files that someone else may have planted: only regular files, never blocking on a FIFO or
// device, and (unless asked) never through a final symbolic link.
namespace SafeFile {

enum class Links { Refuse, Follow };

// Opens an existing regular file for reading. False for anything else, and for a missing file.
bool openForRead(QFile& file, Links links = Links::Refuse);

// Opens a regular file for writing, creating it when missing. `mode` adds Truncate, Append or
// ReadOnly (for read and write) to WriteOnly. False when the name is held by anything else.
bool openForWrite(QFile& file, QIODevice::OpenMode mode);

// True when nothing stops writing the name as a regular file: it is missing or a regular file,
// and not a symbolic link.
bool isWritableName(const QString& path);

// Opens base/parts[0]/.../parts[n-1] for appending, making the folders that are missing. Nothing
// below `base` may be a symbolic link; the folders must be folders and the file a regular file.
// When something else holds a part's name, `refusedPart` (when given) is that part's index;
// otherwise (permissions, a full disk) it is -1.
bool openForAppendBelow(QFile& file, const QString& base, const QStringList& parts,
                        int* refusedPart = nullptr);

// A write past the process's file-size limit then fails like one on a full disk instead of the
// signal killing the station.
void failWritesPastSizeLimit();

// Writes all of `bytes` at `offset` (a file opened for appending: at its end, which must be
// `offset`), past any buffer, or nothing: what a failed write let through is taken back. The
// file then ends at `offset` unless even that failed.
bool writeWholeAt(QFile& file, qint64 offset, const QByteArray& bytes);

// Moves a regular file aside under `to`, replacing what held that name, whatever its size.
bool moveAside(const QString& from, const QString& to);

// At most `limit` bytes of a regular file; `ok` tells whether it could be opened.
QByteArray read(const QString& path, qint64 limit, bool* ok = nullptr, Links links = Links::Refuse);

} // namespace SafeFile
