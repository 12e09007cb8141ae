// SPDX-License-Identifier: GPL-3.0-or-later
#include "StreamSendSource.h"

#include "editor/ProgramFile.h"

#include <cerrno>
#include <new>

namespace kordavel {

std::unique_ptr<SendSource> openSendFile(const QString &path, FileCheck *problem)
{
    FileCheck scratch;
    FileCheck &check = problem ? *problem : scratch;
    QByteArray head(5, '\0');
    {
        RegularFile file;
        check = file.open(path);
        if (!check.ok())
            return nullptr;
        const qint64 got = file.read(head.data(), head.size());
        if (got < 0) {
            check.problem = FileProblem::Unreadable;
            check.error = errno;
            return nullptr;
        }
        head.truncate(qsizetype(got));
    }
    if (head == "{\\rtf") {
        std::optional<ProgramFile> program;
        try {
            program = loadProgramFile(path, &check);
        } catch (const std::bad_alloc &) {
            check.problem = FileProblem::OutOfMemory;
        }
        if (!program)
            return nullptr;
        QString text = program->content.plainText();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return std::make_unique<TextSendSource>(std::move(text));
    }
    auto source = std::make_unique<StreamSendSource>();
    check = source->stream.open(path);
    if (!check.ok())
        return nullptr;
    return source;
}

} // namespace kordavel
