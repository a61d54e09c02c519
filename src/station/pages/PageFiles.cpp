#include "PageFiles.h"

#include "SafeFile.h"
#include <QDir>

#include <QFile>

namespace PageFiles {

QString path(const QString& programDir, int channel) {
    return QDir(programDir).filePath(QStringLiteral("Channel%1.htm").arg(channel));
}

bool write(const QString& path, const QString& text) {
    QFile file(path);
    if (!SafeFile::openForWrite(file, QIODevice::Truncate))
        return false;
    return SafeFile::writeWholeAt(file, 0, text.toLatin1() + "\r\n");
}

bool empty(const QString& path) {
    QFile file(path);
    return SafeFile::openForWrite(file, QIODevice::Truncate);
}

} // namespace PageFiles
