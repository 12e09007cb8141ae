// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kordavel {

namespace {

// The folder itself, not a link to one, open when it is the user's own; -1 otherwise.
int openOwnFolder(const QString &path, struct stat &st)
{
    if (!QDir::isAbsolutePath(path))
        return -1;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

} // namespace

Entry entryAt(const QString &path, mode_t type)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Foreign;
    return (st.st_mode & S_IFMT) == type && st.st_uid == ::geteuid() ? Entry::Own : Entry::Foreign;
}

QString choosePrivateFolder(const QString &runtime, const QString &fallback)
{
    struct stat st {};
    if (const int fd = openOwnFolder(runtime, st); fd >= 0) {
        ::close(fd);
        if ((st.st_mode & 0077) == 0)
            return runtime;
    }
    if (!QDir::isAbsolutePath(fallback))
        return QString();
    QDir().mkpath(QFileInfo(fallback).path());
    ::mkdir(QFile::encodeName(fallback).constData(), 0700);
    const int fd = openOwnFolder(fallback, st);
    if (fd < 0)
        return QString();
    // A folder of the user's own that others may enter is closed to them.
    const bool closed = (st.st_mode & 0077) == 0 || ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return closed ? fallback : QString();
}

QString runtimeFolder()
{
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache/kordavel");
    return choosePrivateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                               cache + QStringLiteral("/run"));
}

} // namespace kordavel
