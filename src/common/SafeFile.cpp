#include "SafeFile.h"

#include "BoundedRead.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeFile {

#ifdef Q_OS_UNIX
namespace {

// The descriptor is opened non-blocking so a FIFO cannot stall us, then checked by what it is,
// not by its name, so nothing can be swapped in between.
bool openChecked(QFile& file, int flags, QIODevice::OpenMode mode, bool truncate) {
    const QByteArray name = QFile::encodeName(file.fileName());
    if (name.isEmpty())
        return false;
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (truncate && ::ftruncate(fd, 0) != 0)) {
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

} // namespace

bool openForRead(QFile& file, Links links) {
    const int flags = O_RDONLY | (links == Links::Refuse ? O_NOFOLLOW : 0);
    return openChecked(file, flags, QIODevice::ReadOnly, false);
}

bool openForWrite(QFile& file, QIODevice::OpenMode mode) {
    int flags = O_CREAT | O_NOFOLLOW | ((mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY);
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    const QIODevice::OpenMode qtMode = (mode & ~QIODevice::Truncate) | QIODevice::WriteOnly;
    return openChecked(file, flags, qtMode, mode.testFlag(QIODevice::Truncate));
}

bool isWritableName(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return true; // missing: it will be made
    return S_ISREG(st.st_mode);
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

bool isWritableName(const QString& path) {
    const QFileInfo info(path);
    return !info.isSymLink() && (!info.exists() || info.isFile());
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
