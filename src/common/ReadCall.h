// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

namespace kordavel {

// The call that reads the bytes of a RegularFile: the system's read(2), unless a test puts in
// another (a disk that fails while a file is read); nullptr puts the system's back.
using ReadCall = ssize_t (*)(int fd, void *into, size_t size);
void setReadCall(ReadCall call);

} // namespace kordavel
