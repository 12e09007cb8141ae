// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"
#include "RichText.h"

#include "common/RegularFile.h"

#include <QString>

#include <optional>
#include <sys/types.h>

namespace kordavel {

// How a program is stored on disk.
enum class FileFormat { Rtf, PlainText };

struct ProgramFile {
    FileFormat format = FileFormat::Rtf;
    LineEnd lineEnd = LineEnd::CrLf;
    QList<LineEnd> lineEnds;                           // of a plain file, each line's own
    TextEncoding encoding = TextEncoding::Windows1252; // of a plain file
    RichText content;
};

// Reads a program file: rich text when it begins with "{\rtf", plain text otherwise; an
// empty file in the format its name calls for (as a new name does). Nothing, and why in
// problem, when it is no regular file, cannot be read, or is more than the editor can hold
// (editorLimits). May throw std::bad_alloc.
std::optional<ProgramFile> loadProgramFile(const QString &path, FileCheck *problem = nullptr);
ProgramFile decodeProgramFile(const QByteArray &bytes);

// The bytes of a program in the given format (a plain one in the given encoding).
QByteArray encodeProgramFile(const RichText &content, FileFormat format, LineEnd lineEnd,
                             const QList<LineEnd> &lineEnds = {},
                             TextEncoding encoding = TextEncoding::Windows1252);

// Writes the whole file or nothing: an existing file is replaced only once the new
// contents are safely on disk, and the new file keeps the old one's mode, and its owner and
// group where the process may set them. False when it could not be written, with the
// system's reason ("No space left on device").
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// The call that writes the bytes of a save: the system's write(2), unless a test puts in
// another (a disk that fills up); nullptr puts the system's back.
using WriteCall = ssize_t (*)(int fd, const void *data, size_t size);
void setWriteCall(WriteCall call);

// The format a program takes when it is saved under a new name: rich text for ".dnc"
// (any case), plain text for every other name.
FileFormat formatForFileName(const QString &path);

} // namespace kordavel
