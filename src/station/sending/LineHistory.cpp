#include "LineHistory.h"

#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {
bool keepable(const QString& line) {
    return !line.isEmpty() && line.size() <= LineHistory::kMaxLineChars &&
           !line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n'));
}
} // namespace

void LineHistory::load(const QString& programDir) {
    m_path = QDir(programDir).filePath(QString::fromLatin1(kFileName));
    m_lines.clear();
    m_at = -1;
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return;
    bool opened = false;
    const QByteArray bytes = SafeFile::read(m_path, kMaxBytes + 1, &opened);
    if (!opened) {
        m_notices.refused(m_path);
        return;
    }
    if (bytes.size() > kMaxBytes) {
        m_notices.notice(
            m_path,
            QStringLiteral("%1 is too large; begun anew").arg(QString::fromLatin1(kFileName)));
        return;
    }
    // The lines as they went on the air, Latin-1; a file that is UTF-8 throughout and uses it
    // is of the earlier form, read once as such and written back as the air carries it.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    m_changed = !utf8.hasError() &&
                std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) >= 0x80; });
    if (!m_changed)
        text = QString::fromLatin1(bytes);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString kept = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        if (keepable(kept))
            m_lines.prepend(kept);
    }
    if (m_lines.size() > kMaxLines)
        m_lines.resize(kMaxLines);
}

void LineHistory::add(const QString& typed) {
    m_at = -1;
    m_typed.clear();
    const QString line = QString::fromLatin1(typed.toLatin1()); // as it went out
    if (!keepable(line) || (!m_lines.isEmpty() && m_lines.front() == line))
        return;
    m_lines.prepend(line);
    if (m_lines.size() > kMaxLines)
        m_lines.removeLast();
    m_changed = true;
}

std::optional<QString> LineHistory::older(const QString& typed) {
    if (m_at + 1 >= m_lines.size())
        return std::nullopt;
    if (m_at < 0)
        m_typed = typed;
    return m_lines[++m_at];
}

std::optional<QString> LineHistory::newer() {
    if (m_at < 0)
        return std::nullopt;
    --m_at;
    return m_at < 0 ? m_typed : m_lines[m_at];
}

void LineHistory::saveIfChanged() {
    if (!m_changed || m_path.isEmpty())
        return;
    m_changed = false; // tried once per change: a failing disk is not hammered every tick
    QByteArray bytes;
    for (auto line = m_lines.crbegin(); line != m_lines.crend(); ++line)
        bytes += line->toLatin1() + '\n';
    // Saved whole under a temporary name and renamed: a link or FIFO planted under the name is
    // never written through.
    bool ok = false;
    if (SafeFile::isWritableName(m_path)) {
        QSaveFile file(m_path);
        ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    m_notices.written(m_path, ok);
}
