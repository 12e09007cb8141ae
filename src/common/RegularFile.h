// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace kordavel {

// Why a file was not opened, or why reading it stopped.
enum class FileProblem {
    None,
    Missing,
    Folder,
    NotRegular, // a FIFO, a device or a socket
    Unreadable, // the system's reason in FileCheck::error
    TooLarge,
    OutOfMemory,
    Shrunk,   // shorter than it was when opened
    Replaced, // its name leads to another file now
    Deleted,
};

struct FileCheck {
    FileProblem problem = FileProblem::None;
    int error = 0;   // errno of the call that failed
    qint64 size = 0; // of the file, when looked at
    bool ok() const { return problem == FileProblem::None; }
    // The system's text for error (empty without one).
    QString systemReason() const;
};

// Only regular files are read: a FIFO holds open() until a writer comes, a device such as
// /dev/zero never ends, and neither holds a program. Looks at the name only and opens
// nothing. maxBytes < 0: any size.
FileCheck checkRegularFile(const QString &path, qint64 maxBytes = -1);

// A regular file open for reading. The open does not wait (O_NONBLOCK) and what it opened is
// looked at again, so a FIFO put in the file's place after the check cannot hold it. The
// file may be watched while it is read: compare() tells whether it is still the one opened.
class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    FileCheck open(const QString &path, qint64 maxBytes = -1);
    bool isOpen() const { return m_fd >= 0; }
    void close();
    // The size when it was opened.
    qint64 size() const { return m_size; }
    // Up to max bytes from where reading is, fewer only at the end of the file; -1 on a read
    // error, with errno left as the call set it.
    qint64 read(char *into, qint64 max);
    // The rest of the file, at most maxBytes of it in all (TooLarge beyond; < 0: any size).
    FileCheck readAll(QByteArray &bytes, qint64 maxBytes = -1);
    // The file now against the one opened: Replaced or Deleted when its name leads elsewhere
    // or nowhere, Shrunk when it is shorter than at the open. grown: longer than at the open.
    FileCheck compare(bool *grown = nullptr) const;

private:
    int m_fd = -1;
    QByteArray m_name; // the path as the system takes it
    qint64 m_size = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

} // namespace kordavel
