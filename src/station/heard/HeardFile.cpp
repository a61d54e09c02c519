#include "HeardFile.h"

#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

void HeardFile::load(const QString& programDir, qint64 nowMs) {
    m_path = QDir(programDir).filePath(QString::fromLatin1(kFileName));
    m_savedAtMs = nowMs;
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink()) {
        m_list.clear();
        m_savedGeneration = m_list.generation();
        return;
    }
    bool opened = false;
    const QByteArray bytes = SafeFile::read(m_path, kMaxBytes + 1, &opened);
    if (!opened) {
        m_notices.refused(m_path);
        m_list.clear();
    } else if (bytes.size() > kMaxBytes || !m_list.decode(bytes)) {
        keepAside();
        m_list.clear();
        write(); // a fresh file takes the garbled one's place at once
        return;
    }
    m_savedGeneration = m_list.generation();
}

void HeardFile::keepAside() {
    // Renamed, not copied: only the first bytes were read, and the operator's file stays whole.
    const bool kept = SafeFile::moveAside(m_path, m_path + QStringLiteral(".bad"));
    const QString name = QString::fromLatin1(kFileName);
    m_view.showNotice(
        kept ? QStringLiteral("%1 could not be read; kept as %1.bad and begun anew").arg(name)
             : QStringLiteral("%1 could not be read and is begun anew; %1.bad "
                              "could not be written")
                   .arg(name));
}

void HeardFile::saveIfDue(qint64 nowMs) {
    if (m_list.generation() == m_savedGeneration || m_path.isEmpty())
        return;
    // A clock set back counts as due, or the list would wait for the old time to come again.
    if (nowMs - m_savedAtMs < kSaveEveryMs && nowMs >= m_savedAtMs)
        return;
    m_savedAtMs = nowMs;
    save();
}

void HeardFile::save() {
    if (m_list.generation() != m_savedGeneration && !m_path.isEmpty())
        write();
}

void HeardFile::write() {
    // Saved whole under a temporary name and renamed, so a link or FIFO planted under the name
    // is never written through and a crash leaves the old list.
    bool ok = false;
    if (SafeFile::isWritableName(m_path)) {
        QSaveFile file(m_path);
        ok = file.open(QIODevice::WriteOnly) && file.write(m_list.encode()) >= 0 && file.commit();
    }
    m_notices.written(m_path, ok);
    // Tried once per change: a failing disk is not hammered every tick.
    m_savedGeneration = m_list.generation();
}
