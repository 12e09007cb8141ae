// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFile.h"

#include "EditorLimits.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QFileInfo>
#include <QSaveFile>

namespace kordavel {

ProgramFile decodeProgramFile(const QByteArray &bytes)
{
    ProgramFile file;
    if (looksLikeRtf(bytes)) {
        file.format = FileFormat::Rtf;
        file.content = readRtf(bytes);
    } else {
        PlainTextContent plain = decodePlainText(bytes);
        file.format = FileFormat::PlainText;
        file.lineEnd = plain.lineEnd;
        file.lineEnds = std::move(plain.lineEnds);
        file.content.append(plain.text, defaultCharFormat());
    }
    return file;
}

namespace {

qint64 lineCount(const ProgramFile &file)
{
    if (file.format == FileFormat::PlainText)
        return file.lineEnds.size() + 1;
    qint64 lines = 1;
    for (const TextRun &run : file.content.runs)
        lines += run.text.count(QLatin1Char('\n'));
    return lines;
}

} // namespace

std::optional<ProgramFile> loadProgramFile(const QString &path, FileCheck *problem)
{
    FileCheck scratch;
    FileCheck &check = problem ? *problem : scratch;
    const EditorLimits limits = editorLimits();
    RegularFile in;
    check = in.open(path, limits.bytes);
    QByteArray bytes;
    if (check.ok())
        check = in.readAll(bytes, limits.bytes);
    if (!check.ok())
        return std::nullopt;
    ProgramFile file = decodeProgramFile(bytes);
    if (lineCount(file) > limits.lines) {
        check.problem = FileProblem::TooLarge;
        return std::nullopt;
    }
    if (bytes.isEmpty())
        file.format = formatForFileName(path);
    return file;
}

QByteArray encodeProgramFile(const RichText &content, FileFormat format, LineEnd lineEnd,
                             const QList<LineEnd> &lineEnds)
{
    if (format == FileFormat::Rtf)
        return writeRtf(content);
    return encodePlainText(content.plainText(), lineEnd, lineEnds);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile out(path);
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        out.cancelWriting();
        return false;
    };
    // A file marked read-only stays as it is, whoever runs the program.
    const QFileInfo existing(path);
    if (existing.exists() && existing.isFile() &&
        !existing.permissions().testFlag(QFileDevice::WriteOwner))
        return fail(QStringLiteral("The file is read-only: %1").arg(path));
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());
    if (out.write(bytes) != bytes.size())
        return fail(out.errorString());
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

FileFormat formatForFileName(const QString &path)
{
    return QFileInfo(path).fileName().endsWith(QLatin1String(".dnc"), Qt::CaseInsensitive)
               ? FileFormat::Rtf
               : FileFormat::PlainText;
}

} // namespace kordavel
