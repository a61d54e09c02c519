#include "PageStore.h"

#include "PageFiles.h"
#include "SafeFile.h"

#include <QFile>

namespace {
constexpr qsizetype kGuardLength = 64;
}

QString PageStore::path(int channel) const {
    return PageFiles::path(m_programDir, channel);
}

bool PageStore::write(int channel, const QString& pageText) {
    return m_notices.written(path(channel), writeTail(channel, pageText));
}

bool PageStore::writeTail(int channel, const QString& pageText) {
    const qsizetype known = m_mirrored[channel];
    QFile file(path(channel));
    // Someone else may have emptied or changed the file: trust only its size.
    if (known < 0 || pageText.size() < known || file.size() != known + 2 ||
        QStringView(pageText).mid(known - m_lastWritten[channel].size(),
                                  m_lastWritten[channel].size()) != m_lastWritten[channel])
        return writeWhole(channel, pageText);
    if (!SafeFile::openForWrite(file, QIODevice::ReadWrite) || !file.seek(known))
        return writeWhole(channel, pageText);
    const QByteArray tail = pageText.mid(known).toLatin1() + "\r\n";
    if (file.write(tail) != tail.size()) {
        m_mirrored[channel] = -1;
        return false;
    }
    remember(channel, pageText);
    return true;
}

void PageStore::remember(int channel, const QString& pageText) {
    m_mirrored[channel] = pageText.size();
    m_lastWritten[channel] = pageText.right(kGuardLength);
}

bool PageStore::writeWhole(int channel, const QString& pageText) {
    m_mirrored[channel] = -1;
    if (!PageFiles::write(path(channel), pageText))
        return false;
    remember(channel, pageText);
    return true;
}

bool PageStore::empty(int channel) {
    m_mirrored[channel] = -1;
    return m_notices.written(path(channel), PageFiles::empty(path(channel)));
}

bool PageStore::writeOther(int channel, const QString& content) {
    m_mirrored[channel] = -1;
    return m_notices.written(path(channel), PageFiles::write(path(channel), content));
}
