// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace kordavel {

// The largest program the editor opens on this computer, in bytes of the file and in lines.
// A larger one would take more memory than the editor may have: it is refused before it is
// read (or, for its lines, before the editor's document is made). Send File sends such a
// program from the disk, a block at a time.
struct EditorLimits {
    qint64 bytes = 0;
    qint64 lines = 0;
};
EditorLimits editorLimits();

// The memory the editor may take, from which the limits follow; 0 (as at the start): half of
// the computer's memory, or what the system has available when that is less. For tests.
void setEditorMemory(qint64 bytes);

// Documents from this many characters on are saved in slices and written on another thread;
// 0 (as at the start): half a million characters. For tests.
void setSlicedSaveCharacters(int characters);

} // namespace kordavel
