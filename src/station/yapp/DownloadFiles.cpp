#include "DownloadFiles.h"

#include "SafeFile.h"
#include "SessionLog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kDownloads = QStringLiteral("downloads");
const QString kPart = QStringLiteral(".part");

// A name with " (n)" before its extension.
QString numbered(const QString& name, int n) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype at = dot > 0 ? dot : name.size();
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

QDateTime fromDos(const Yapp::DosStamp& s) {
    const QDate date(1980 + (s.date >> 9), (s.date >> 5) & 0x0F, s.date & 0x1F);
    const QTime time((s.time >> 11) & 0x1F, (s.time >> 5) & 0x3F, (s.time & 0x1F) * 2);
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

} // namespace

QString DownloadFiles::cleanName(QByteArrayView sent, QString* why) {
    const QString raw = QString::fromLatin1(sent);
    if (raw.contains(u'/') || raw.contains(u'\\') || raw.contains(u':') || raw == u".." ||
        raw == u".") {
        *why = QStringLiteral("its name holds a folder");
        return {};
    }
    QString name;
    for (QChar c : raw) {
        const char16_t u = c.unicode();
        const bool unsafe =
            u < 0x20 || (u >= 0x7F && u < 0xA0) || QStringView(u"*?\"<>|").contains(c);
        name += unsafe ? QChar(u'_') : c;
    }
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    name = name.trimmed();
    if (name.size() > kMaxNameChars) {
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString suffix = dot > 0 && name.size() - dot <= 10 ? name.mid(dot) : QString();
        name = name.left(kMaxNameChars - suffix.size()) + suffix;
    }
    return name.isEmpty() ? QStringLiteral("file") : name;
}

qint64 DownloadFiles::open(const Yapp::Header& header, QString* why) {
    m_file.close();
    m_name = cleanName(header.name, why);
    if (m_name.isEmpty())
        return -1;
    const QString folder = SessionLog::folderName(m_call);
    const QDir program(m_programDir);
    if (folder.isEmpty()) {
        *why = QStringLiteral("the call is not usable as a folder name");
        return -1;
    }
    const QStringList parts{kDownloads, folder, m_name + kPart};
    int refused = -1;
    m_stored = program.filePath(parts.join(u'/'));
    if (!SafeFile::openForAppendBelow(m_file, m_programDir, parts, &refused)) {
        if (refused >= 0)
            m_notices.refused(program.filePath(parts.mid(0, refused + 1).join(u'/')));
        else
            m_notices.written(m_stored, false);
        *why = QStringLiteral("it cannot be stored here");
        return -1;
    }
    m_folder = program.filePath(kDownloads + u'/' + folder);
    // A part longer than the file is not of this file.
    if (m_file.size() > header.size && !m_file.resize(0)) {
        *why = QStringLiteral("it cannot be stored here");
        return -1;
    }
    return m_file.size();
}

bool DownloadFiles::append(QByteArrayView block) {
    const bool ok =
        m_file.isOpen() && SafeFile::writeWholeAt(m_file, m_file.size(), block.toByteArray());
    m_notices.written(m_stored, ok);
    return ok;
}

bool DownloadFiles::finish(const Yapp::Header& header) {
    if (!m_file.isOpen())
        return false;
    m_file.close();
    const QDir folder(m_folder);
    const QString part = folder.filePath(m_name + kPart);
    QString target = m_name;
    for (int n = 1; QFileInfo::exists(folder.filePath(target)) ||
                    QFileInfo(folder.filePath(target)).isSymLink();
         ++n) {
        if (n > 999)
            return false;
        target = numbered(m_name, n);
    }
    if (!QFile::rename(part, folder.filePath(target)))
        return false;
    m_stored = folder.filePath(target);
    if (header.stamp) {
        const QDateTime when = fromDos(*header.stamp);
        QFile done(m_stored);
        if (when.isValid() && done.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            done.setFileTime(when, QFileDevice::FileModificationTime);
    }
    return true;
}

void DownloadFiles::keepPart() {
    m_file.close();
}
