// SPDX-License-Identifier: GPL-3.0-or-later
#include "StreamSendSource.h"

#include "editor/ProgramFile.h"

#include <QFile>

namespace kordavel {

std::unique_ptr<SendSource> openSendFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    if (file.read(5) == "{\\rtf") {
        const std::optional<ProgramFile> program = loadProgramFile(path);
        if (!program)
            return nullptr;
        QString text = program->content.plainText();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return std::make_unique<TextSendSource>(std::move(text));
    }
    auto source = std::make_unique<StreamSendSource>();
    if (!source->stream.open(path))
        return nullptr;
    return source;
}

} // namespace kordavel
