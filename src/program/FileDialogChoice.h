// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/CommonDialog.h"

#include <QString>

namespace kordavel {

// The filter of the program file dialogs (Open, Save As, Send File) in the
// "Description|pattern|..." form: "Mashining Program (*.dnc)", the plain NC programs
// (*.nc *.ngc *.tap *.cnc *.mpf *.eia *.gcode *.txt, named in the current language) and
// "All Files (*.*)".
QString programFileFilter();

// The entry of that filter a dialog shows first for a file: the .dnc one for a .dnc name and
// for no name at all, the plain NC programs' for one of theirs, All Files for any other.
int programFilterIndex(const QString &path);

// The last program file used, as the settings store keeps it: the last one opened, saved
// under a new name or sent as a file.
QString lastProgramFile();
void noteProgramFile(const QString &path);

// The folder of a file, or its nearest folder that still exists; empty (the current folder)
// when there is none.
QString folderOf(const QString &path);

// Where Open and Send File start: in the folder of the last file used, with its name and its
// entry of the filter.
FileDialogStart openDialogStart(const QString &lastFile);

// Where Save As starts: a program that has a file proposes that file, in its folder; a new one
// its caption in the folder of the last file used, with the extension of the entry shown (.nc
// for the plain NC programs, .dnc else).
FileDialogStart saveAsDialogStart(const QString &lastFile, const QString &caption, bool isNew);

} // namespace kordavel
