#include "ConnectList.h"

#include "BoundedRead.h"
#include "InputFields.h"

#include <QDir>
#include <QFile>

namespace ConnectList {

QString path(const QString& programDir) {
    return QDir(programDir).filePath(QString::fromLatin1(kFileName));
}

QStringList read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readInputFields(readBounded(file, kMaxBytes));
}

void add(const QString& path, const QString& call) {
    for (const QString& entry : read(path)) {
        if (entry.compare(call, Qt::CaseInsensitive) == 0)
            return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write('"' + call.toLatin1() + "\"\r\n");
}

} // namespace ConnectList
