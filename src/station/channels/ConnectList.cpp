#include "ConnectList.h"

#include "BoundedRead.h"
#include "InputFields.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>

namespace ConnectList {

QString path(const QString& programDir) {
    return QDir(programDir).filePath(QString::fromLatin1(kFileName));
}

QStringList read(const QString& path) {
    return readInputFields(SafeFile::read(path, kMaxBytes));
}

bool add(const QString& path, const QString& call) {
    for (const QString& entry : read(path)) {
        if (entry.compare(call, Qt::CaseInsensitive) == 0)
            return true;
    }
    QFile file(path);
    if (!SafeFile::openForWrite(file, QIODevice::Append))
        return false;
    const QByteArray line = '"' + call.toLatin1() + "\"\r\n";
    return file.write(line) == line.size() && file.flush();
}

} // namespace ConnectList
