#include "PageStore.h"

#include "PageFiles.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString PageStore::path(int channel) const {
    return PageFiles::path(m_programDir, channel);
}

QString PageStore::heldPath(int channel) const {
    return QDir(m_programDir)
        .filePath(QLatin1String(kHeldPrefix) + QStringLiteral("Channel%1.htm").arg(channel) +
                  QLatin1String(kHeldSuffix));
}

void PageStore::append(int channel, const QString& text) {
    QByteArray& pending = m_pending[channel];
    // While nothing can be written, what does not fit is lost to the file; the views keep it.
    if (pending.size() + text.size() <= kMaxPending)
        pending += text.toLatin1();
}

void PageStore::replace(int channel, const QString& text) {
    if (m_base[channel] == Base::Held)
        QFile::remove(heldPath(channel));
    m_base[channel] = Base::None;
    m_length[channel] = 0;
    m_pending[channel] = text.toLatin1();
}

bool PageStore::write(int channel) {
    if (m_base[channel] == Base::Held && !SafeFile::moveAside(heldPath(channel), path(channel))) {
        m_base[channel] = Base::None; // someone took it away: the page begins anew
        m_length[channel] = 0;
    } else if (m_base[channel] == Base::Held) {
        m_base[channel] = Base::File;
    }
    return m_notices.written(path(channel), m_base[channel] == Base::File ? writeTail(channel)
                                                                          : writeWhole(channel));
}

bool PageStore::writeTail(int channel) {
    QFile file(path(channel));
    if (!SafeFile::openForWrite(file, QIODevice::ReadWrite))
        return false;
    qint64 known = m_length[channel];
    // Someone else changed the file: what it holds now is the page so far.
    if (file.size() != known + 2) {
        known = file.size();
        if (known >= 2 && file.seek(known - 2) && file.read(2) == "\r\n")
            known -= 2;
    }
    const QByteArray tail = m_pending[channel] + "\r\n";
    if (SafeFile::writeWholeAt(file, known, tail)) {
        m_length[channel] = known + m_pending[channel].size();
        m_pending[channel].clear();
        return true;
    }
    // Taken back, with the page's own end put back after it, so the tail goes again next time:
    // a full disk costs no more than the tail.
    m_length[channel] = SafeFile::writeWholeAt(file, known, "\r\n") ? known : -1;
    return false;
}

bool PageStore::writeWhole(int channel) {
    if (!PageFiles::write(path(channel), QString::fromLatin1(m_pending[channel])))
        return false;
    m_base[channel] = Base::File;
    m_length[channel] = m_pending[channel].size();
    m_pending[channel].clear();
    return true;
}

bool PageStore::empty(int channel) {
    // The page waits aside, renamed whole whatever its size, and comes back at the next write.
    const QFileInfo page(path(channel));
    if (m_base[channel] == Base::File && page.isFile() && !page.isSymLink()) {
        if (!SafeFile::moveAside(path(channel), heldPath(channel))) {
            // Its text has no other copy: the new page follows it rather than replace it.
            m_notices.notice(heldPath(channel),
                             QStringLiteral("%1 could not be kept aside as %2; the new page "
                                            "follows it in the file")
                                 .arg(page.fileName(), QFileInfo(heldPath(channel)).fileName()));
            return false;
        }
        m_base[channel] = Base::Held;
    }
    return m_notices.written(path(channel), PageFiles::empty(path(channel)));
}

bool PageStore::writeOther(int channel, const QString& content) {
    if (m_base[channel] == Base::Held)
        QFile::remove(heldPath(channel));
    if (m_base[channel] != Base::None) {
        m_base[channel] = Base::None; // the page text goes with the file
        m_length[channel] = 0;
    } else {
        QFile::remove(heldPath(channel)); // left from a run that ended mid-connection
    }
    return m_notices.written(path(channel), PageFiles::write(path(channel), content));
}

void PageStore::noticeIfUnreadable(int channel) {
    const QFileInfo page(path(channel));
    if (page.isSymLink() || (page.exists() && !page.isFile()))
        m_notices.refused(path(channel));
}
