// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A disk with a few bytes of room left: saves write through it until it is full, and then
// fail as the system does, with ENOSPC. The system's write comes back when it goes.
#include "editor/ProgramFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace kordavel::test {

class FullDisk {
public:
    explicit FullDisk(qint64 room) { s_room = room, setWriteCall(&write); }
    ~FullDisk() { setWriteCall(nullptr); }
    FullDisk(const FullDisk &) = delete;

private:
    static ssize_t write(int fd, const void *data, size_t size)
    {
        const ssize_t written =
            s_room > 0 ? ::write(fd, data, std::min<size_t>(size, size_t(s_room.load()))) : -1;
        s_room -= std::max<ssize_t>(written, 0);
        errno = written < 0 && s_room <= 0 ? ENOSPC : errno;
        return written;
    }
    static inline std::atomic<qint64> s_room = 0;
};

} // namespace kordavel::test
