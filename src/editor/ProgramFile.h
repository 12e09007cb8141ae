// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"
#include "RichText.h"

#include "common/RegularFile.h"

#include <QString>

#include <optional>

namespace kordavel {

// How a program is stored on disk.
enum class FileFormat { Rtf, PlainText };

struct ProgramFile {
    FileFormat format = FileFormat::Rtf;
    LineEnd lineEnd = LineEnd::CrLf;
    QList<LineEnd> lineEnds; // of a plain file, each line's own
    RichText content;
};

// Reads a program file: rich text when it begins with "{\rtf", plain text otherwise; an
// empty file in the format its name calls for (as a new name does). Nothing, and why in
// problem, when it is no regular file, cannot be read, or is more than the editor can hold
// (editorLimits). May throw std::bad_alloc.
std::optional<ProgramFile> loadProgramFile(const QString &path, FileCheck *problem = nullptr);
ProgramFile decodeProgramFile(const QByteArray &bytes);

// The bytes of a program in the given format.
QByteArray encodeProgramFile(const RichText &content, FileFormat format, LineEnd lineEnd,
                             const QList<LineEnd> &lineEnds = {});

// Writes the whole file or nothing: an existing file is replaced only once the new
// contents are safely on disk. False (with a reason) when it could not be written.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// The format a program takes when it is saved under a new name: rich text for ".dnc"
// (any case), plain text for every other name.
FileFormat formatForFileName(const QString &path);

} // namespace kordavel
