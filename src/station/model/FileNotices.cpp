#include "FileNotices.h"

#include <QFileInfo>

bool FileNotices::written(const QString& path, bool ok) {
    if (ok)
        m_failing.remove(path);
    else
        notice(path, QStringLiteral("%1 could not be written").arg(QFileInfo(path).fileName()));
    return ok;
}

void FileNotices::refused(const QString& path) {
    notice(path,
           QStringLiteral("%1 is not a regular file; left alone").arg(QFileInfo(path).fileName()));
}

void FileNotices::notice(const QString& path, const QString& text) {
    if (m_failing.contains(path))
        return;
    m_failing.insert(path);
    m_view.showNotice(text);
}
