// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFile.h"

#include "EditorLimits.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include "i18n/Language.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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
        file.encoding = plain.encoding;
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
                             const QList<LineEnd> &lineEnds, TextEncoding encoding)
{
    if (format == FileFormat::Rtf)
        return writeRtf(content);
    return encodePlainText(content.plainText(), lineEnd, lineEnds, encoding);
}

namespace {

std::atomic<WriteCall> g_writeCall = nullptr;

QString systemReason(int code)
{
    return QString::fromStdString(std::generic_category().message(code));
}

// The replaced file's owner, group and mode go to the new one: the owner and the group as far
// as the process may set them (root may; a user may set a group of theirs), the mode always.
void keepOwnerAndMode(int fd, const QString &path)
{
    struct stat old {};
    if (::stat(QFile::encodeName(path).constData(), &old) != 0 || !S_ISREG(old.st_mode))
        return;
    const bool owned =
        ::fchown(fd, old.st_uid, old.st_gid) == 0 || ::fchown(fd, uid_t(-1), old.st_gid) == 0;
    const bool moded = ::fchmod(fd, old.st_mode & 07777) == 0;
    Q_UNUSED(owned)
    Q_UNUSED(moded)
}

} // namespace

void setWriteCall(WriteCall call)
{
    g_writeCall = call;
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
        return fail(GetString(QStringLiteral("The file is read-only."), 511));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(out.errorString());
    const int fd = out.handle();
    keepOwnerAndMode(fd, path);
    const WriteCall write = g_writeCall ? g_writeCall.load() : &::write;
    for (qint64 done = 0; done < bytes.size();) {
        const size_t piece = size_t(std::min<qint64>(bytes.size() - done, 1 << 30));
        const ssize_t written = write(fd, bytes.constData() + done, piece);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(systemReason(written < 0 ? errno : EIO));
        done += written;
    }
    // A disk that fills up may say so only when the data goes out to it.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        return fail(systemReason(errno));
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
