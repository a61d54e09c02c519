#include "PaneResources.h"

#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace PaneResources {
namespace {

// True for a path in a folder of `root`, at any depth, but not directly in `root`.
bool inContentFolder(const QString& path, const QString& root) {
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix) && path.indexOf(QLatin1Char('/'), prefix.size()) > prefix.size();
}

} // namespace

QString allowedPath(const QUrl& name, const QString& pageDir, const QString& programDir) {
    if (!name.isValid() || !name.isRelative() || name.hasQuery() || name.hasFragment() ||
        !name.authority().isEmpty() || !QDir::isAbsolutePath(pageDir) ||
        !QDir::isAbsolutePath(programDir))
        return {};
    const QString path = name.path(QUrl::FullyDecoded);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return {};
    // A backslash is a separator where pages are written, so "..\\x" must not slip through.
    for (const QChar c : path)
        if (c == QLatin1Char('\\') || c.unicode() < 0x20)
            return {};
    if (path.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return {};
    const QString file = QDir::cleanPath(pageDir + QLatin1Char('/') + path);
    return inContentFolder(file, QDir::cleanPath(programDir)) ? file : QString();
}

std::optional<QByteArray> read(const QUrl& name, const QString& pageDir,
                               const QString& programDir) {
    const QString file = allowedPath(name, pageDir, programDir);
    if (file.isEmpty())
        return std::nullopt;
    // A symbolic link may lead anywhere; judge where it ends up, and open that path without
    // following links again so nothing can be swapped in between.
    const QString root = QFileInfo(programDir).canonicalFilePath();
    const QString real = QFileInfo(file).canonicalFilePath();
    if (root.isEmpty() || real.isEmpty() || !inContentFolder(real, root))
        return std::nullopt;
    bool ok = false;
    QByteArray bytes = SafeFile::read(real, kMaxFileBytes + 1, &ok, SafeFile::Links::Refuse);
    if (!ok || bytes.size() > kMaxFileBytes)
        return std::nullopt;
    return bytes;
}

} // namespace PaneResources
