// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegularFile.h"
#include "ReadCall.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kordavel {

namespace {

// Read in pieces of this size, so that a file that grows while it is read is caught at the
// bound rather than after it.
constexpr qint64 kPiece = 1 << 20;

ReadCall g_readCall = nullptr;

FileCheck failure(FileProblem problem, int error = 0)
{
    FileCheck out;
    out.problem = problem;
    out.error = error;
    return out;
}

FileCheck callFailed(int error)
{
    return failure(error == ENOENT ? FileProblem::Missing : FileProblem::Unreadable, error);
}

FileCheck judge(const struct stat &st, qint64 maxBytes)
{
    if (S_ISDIR(st.st_mode))
        return failure(FileProblem::Folder);
    if (!S_ISREG(st.st_mode))
        return failure(FileProblem::NotRegular);
    FileCheck out;
    out.size = qint64(st.st_size);
    if (maxBytes >= 0 && out.size > maxBytes)
        out.problem = FileProblem::TooLarge;
    return out;
}

} // namespace

QString FileCheck::systemReason() const
{
    return error ? qt_error_string(error) : QString();
}

FileCheck checkRegularFile(const QString &path, qint64 maxBytes)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return callFailed(errno);
    return judge(st, maxBytes);
}

RegularFile::~RegularFile()
{
    close();
}

FileCheck RegularFile::open(const QString &path, qint64 maxBytes)
{
    close();
    // Looked at before the open: opening a device may act on it (a tape rewinds, a serial
    // line raises DTR).
    FileCheck check = checkRegularFile(path, maxBytes);
    if (!check.ok())
        return check;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return callFailed(errno);
    struct stat st {};
    check = ::fstat(fd, &st) == 0 ? judge(st, maxBytes) : callFailed(errno);
    if (!check.ok()) {
        ::close(fd);
        return check;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_name = name;
    m_size = check.size;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    return check;
}

void RegularFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void setReadCall(ReadCall call)
{
    g_readCall = call;
}

qint64 RegularFile::read(char *into, qint64 max)
{
    qint64 done = 0;
    while (m_fd >= 0 && done < max) {
        const ssize_t n = g_readCall ? g_readCall(m_fd, into + done, size_t(max - done))
                                     : ::read(m_fd, into + done, size_t(max - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

FileCheck RegularFile::readAll(QByteArray &bytes, qint64 maxBytes)
{
    bytes.clear();
    bytes.reserve(qsizetype(maxBytes >= 0 ? std::min(m_size, maxBytes) : m_size));
    for (;;) {
        const qsizetype at = bytes.size();
        const qint64 want = maxBytes >= 0 ? std::min(kPiece, maxBytes + 1 - at) : kPiece;
        bytes.resize(at + qsizetype(want));
        const qint64 n = read(bytes.data() + at, want);
        if (n < 0) {
            const int error = errno;
            bytes.clear();
            return failure(FileProblem::Unreadable, error);
        }
        bytes.resize(at + qsizetype(n));
        if (maxBytes >= 0 && bytes.size() > maxBytes) {
            bytes.clear();
            return failure(FileProblem::TooLarge);
        }
        if (n < want)
            break;
    }
    FileCheck out;
    out.size = bytes.size();
    return out;
}

FileCheck RegularFile::compare(bool *grown) const
{
    if (grown)
        *grown = false;
    struct stat st {};
    if (::stat(m_name.constData(), &st) != 0)
        return errno == ENOENT ? failure(FileProblem::Deleted) : callFailed(errno);
    if (st.st_dev != m_device || st.st_ino != m_inode)
        return failure(FileProblem::Replaced);
    if (::fstat(m_fd, &st) != 0)
        return callFailed(errno);
    if (st.st_nlink == 0)
        return failure(FileProblem::Deleted);
    FileCheck out;
    out.size = qint64(st.st_size);
    if (out.size < m_size)
        out.problem = FileProblem::Shrunk;
    if (grown)
        *grown = out.size > m_size;
    return out;
}

} // namespace kordavel
