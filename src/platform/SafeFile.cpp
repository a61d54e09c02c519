#include "SafeFile.h"

#include "BoundedRead.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeFile {

namespace {
// One name inside a folder: it cannot climb out or reach further down.
bool isPlainName(const QString& part) {
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..") &&
           !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\')) &&
           !part.contains(QChar(0));
}
} // namespace

#ifdef Q_OS_UNIX
namespace {

bool isRegular(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Hands a descriptor opened non-blocking to `file`, once it is known to be a regular file; closes
// it otherwise.
bool adopt(QFile& file, int fd, QIODevice::OpenMode mode, bool truncate) {
    if (!isRegular(fd) || (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return false;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

// The descriptor is opened non-blocking so a FIFO cannot stall us, then checked by what it is,
// not by its name, so nothing can be swapped in between.
bool openChecked(QFile& file, int flags, QIODevice::OpenMode mode, bool truncate) {
    const QByteArray name = QFile::encodeName(file.fileName());
    if (name.isEmpty())
        return false;
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    return fd >= 0 && adopt(file, fd, mode, truncate);
}

// What a failed open says when the name is held by something other than what we wanted.
bool heldByOther(int error) {
    return error == ELOOP || error == ENOTDIR || error == EISDIR || error == ENXIO ||
           error == ENODEV || error == EMLINK;
}

} // namespace

bool openForRead(QFile& file, Links links) {
    const int flags = O_RDONLY | (links == Links::Refuse ? O_NOFOLLOW : 0);
    return openChecked(file, flags, QIODevice::ReadOnly, false);
}

bool openForWrite(QFile& file, QIODevice::OpenMode mode) {
    int flags = O_CREAT | O_NOFOLLOW | ((mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY);
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    // Unbuffered: a full disk then fails the write, not a close nobody checks.
    const QIODevice::OpenMode qtMode =
        (mode & ~QIODevice::Truncate) | QIODevice::WriteOnly | QIODevice::Unbuffered;
    return openChecked(file, flags, qtMode, mode.testFlag(QIODevice::Truncate));
}

bool openForAppendBelow(QFile& file, const QString& base, const QStringList& parts,
                        int* refusedPart) {
    if (refusedPart)
        *refusedPart = -1;
    int dir = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Each step opens the next part relative to the folder already open, so no link anywhere
    // below the base is followed and nothing can be swapped in between.
    for (qsizetype i = 0; dir >= 0 && i < parts.size(); ++i) {
        const QByteArray name = QFile::encodeName(parts[i]);
        const bool last = i + 1 == parts.size();
        if (!isPlainName(parts[i])) {
            if (refusedPart)
                *refusedPart = int(i);
            break;
        }
        if (!last && ::mkdirat(dir, name.constData(), 0777) != 0 && errno != EEXIST)
            break;
        const int flags =
            last ? O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK : O_RDONLY | O_DIRECTORY;
        const int next = ::openat(dir, name.constData(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
        const int error = errno;
        ::close(dir);
        dir = -1;
        if (next < 0 || (last && !isRegular(next))) {
            if (refusedPart && (next >= 0 || heldByOther(error)))
                *refusedPart = int(i);
            if (next >= 0)
                ::close(next);
            return false;
        }
        if (last)
            return adopt(file, next, QIODevice::WriteOnly | QIODevice::Append, false);
        dir = next;
    }
    if (dir >= 0)
        ::close(dir);
    return false;
}

bool isWritableName(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return true; // missing: it will be made
    return S_ISREG(st.st_mode);
}

void failWritesPastSizeLimit() {
    ::signal(SIGXFSZ, SIG_IGN);
}

bool writeWholeAt(QFile& file, qint64 offset, const QByteArray& bytes) {
    // Straight to the descriptor: a buffer would hold a failed remainder and write it later,
    // onto whatever came next.
    const int fd = file.handle();
    if (fd < 0 || !file.flush())
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done),
                                   off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            (void)::ftruncate(fd, off_t(offset));
            return false;
        }
        done += n;
    }
    return true;
}

bool moveAside(const QString& from, const QString& to) {
    struct stat st {};
    const QByteArray source = QFile::encodeName(from);
    // rename replaces the target name itself, never writing through what it is.
    return ::lstat(source.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::rename(source.constData(), QFile::encodeName(to).constData()) == 0;
}

#else

bool openForRead(QFile& file, Links links) {
    const QFileInfo info(file.fileName());
    if ((links == Links::Refuse && info.isSymLink()) || !info.isFile())
        return false;
    return file.open(QIODevice::ReadOnly);
}

bool openForWrite(QFile& file, QIODevice::OpenMode mode) {
    if (!isWritableName(file.fileName()))
        return false;
    return file.open(mode | QIODevice::WriteOnly);
}

bool openForAppendBelow(QFile& file, const QString& base, const QStringList& parts,
                        int* refusedPart) {
    if (refusedPart)
        *refusedPart = -1;
    QString path = base;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += QLatin1Char('/') + parts[i];
        const QFileInfo info(path);
        const bool last = i + 1 == parts.size();
        if (!isPlainName(parts[i]) || info.isSymLink() ||
            (info.exists() && (last ? !info.isFile() : !info.isDir()))) {
            if (refusedPart)
                *refusedPart = int(i);
            return false;
        }
        if (!last && !info.exists() && !QDir().mkdir(path))
            return false;
    }
    file.setFileName(path);
    return !parts.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool isWritableName(const QString& path) {
    const QFileInfo info(path);
    return !info.isSymLink() && (!info.exists() || info.isFile());
}

void failWritesPastSizeLimit() {}

bool writeWholeAt(QFile& file, qint64 offset, const QByteArray& bytes) {
    if (file.seek(offset) && file.write(bytes) == bytes.size() && file.flush())
        return true;
    file.resize(offset);
    return false;
}

bool moveAside(const QString& from, const QString& to) {
    const QFileInfo info(from);
    return !info.isSymLink() && info.isFile() && (!QFile::exists(to) || QFile::remove(to)) &&
           QFile::rename(from, to);
}

#endif

QByteArray read(const QString& path, qint64 limit, bool* ok, Links links) {
    QFile file(path);
    const bool opened = openForRead(file, links);
    if (ok)
        *ok = opened;
    return opened ? readBounded(file, limit) : QByteArray();
}

} // namespace SafeFile
