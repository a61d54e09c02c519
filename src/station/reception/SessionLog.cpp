#include "SessionLog.h"

#include "SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {
const QString kLogsFolder = QStringLiteral("logs");

// A call that cannot be a folder is named in the status line without its control characters.
QString printable(const QString& call) {
    QString shown = call.left(SessionLog::kMaxCallLength + 2);
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            c = QLatin1Char('?');
    return shown;
}
} // namespace

QString SessionLog::folderName(const QString& call) {
    if (call.isEmpty() || call.size() > kMaxCallLength)
        return {};
    // Letters, digits and the SSID's dash, nothing else: no dot, slash, blank or control
    // character can reach the file system.
    for (qsizetype i = 0; i < call.size(); ++i) {
        const char16_t c = call[i].unicode();
        const bool letterOrDigit =
            (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        if (!letterOrDigit && !(c == u'-' && i > 0))
            return {};
    }
    return call.toUpper();
}

QByteArray SessionLog::lines(const QTime& time, Mark mark, const QByteArray& data, bool continues,
                             bool* open) {
    const QByteArray prefix =
        time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ' ' + char(mark) + ' ';
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= data.size(); ++i) {
        const bool end = i == data.size();
        if (!end && data[i] != '\r' && data[i] != '\n')
            continue;
        // A break at the very end closes the last line rather than opening an empty one.
        if (end && start == data.size() && (start > 0 || continues))
            break;
        out += (start == 0 && continues ? QByteArray() : prefix) + data.mid(start, i - start);
        if (end) {
            // Text that breaks no line yet goes on in the next piece of the same traffic.
            if (open)
                *open = true;
            return out;
        }
        out += '\n';
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (open)
        *open = false;
    return out;
}

void SessionLog::write(const QString& call, Mark mark, const QByteArray& data) {
    if (!m_state.logSessions)
        return;
    const QDir program(m_state.programDir);
    const QString folder = folderName(call);
    if (folder.isEmpty()) {
        m_notices.notice(program.filePath(kLogsFolder) + QLatin1Char('/') + call,
                         QStringLiteral("No session log for \"%1\": not usable as a folder name")
                             .arg(printable(call)));
        return;
    }
    const QDateTime now = m_clock.now();
    const QStringList parts{kLogsFolder, folder,
                            now.date().toString(Qt::ISODate) + QStringLiteral(".log")};
    QFile file;
    int refused = -1;
    if (!SafeFile::openForAppendBelow(file, m_state.programDir, parts, &refused)) {
        if (refused >= 0)
            m_notices.refused(program.filePath(parts.mid(0, refused + 1).join(QLatin1Char('/'))));
        else
            m_notices.written(program.filePath(parts.join(QLatin1Char('/'))), false);
        return;
    }
    const QString path = program.filePath(parts.join(QLatin1Char('/')));
    const auto open = m_openLine.constFind(path);
    const bool continues = open != m_openLine.cend() && open.value() == mark;
    bool leftOpen = false;
    QByteArray text = lines(now.time(), mark, data, continues, &leftOpen);
    if (mark == Mark::Link && leftOpen) // a mark of the link is a line of its own
        text += '\n', leftOpen = false;
    if (m_cut.contains(path) || (open != m_openLine.cend() && !continues))
        text.prepend('\n');
    // A line goes in whole or not at all: what a full disk or a size limit let through is taken
    // back, so the next line never lands on the end of a cut one.
    const qint64 before = file.size();
    const bool ok = SafeFile::writeWholeAt(file, before, text);
    if (ok)
        m_cut.remove(path);
    else if (file.size() != before)
        m_cut.insert(path);
    if (ok && leftOpen)
        m_openLine.insert(path, mark);
    else if (ok || m_cut.contains(path))
        m_openLine.remove(path);
    m_notices.written(path, ok);
}
