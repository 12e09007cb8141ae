// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFile.h"

#include "RtfReader.h"
#include "RtfWriter.h"

#include <QFile>
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

std::optional<ProgramFile> loadProgramFile(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return std::nullopt;
    ProgramFile file = decodeProgramFile(bytes);
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
