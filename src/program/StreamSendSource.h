// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SendSource.h"

#include "editor/PlainTextStream.h"

namespace kordavel {

// A plain program file streamed from disk; its position and total are bytes of the file.
class StreamSendSource : public SendSource {
public:
    PlainTextStream stream;

    QString take(qint64 max) override { return stream.read(max); }
    bool atEnd() const override { return stream.atEnd(); }
    qint64 position() const override { return stream.position(); }
    qint64 total() const override { return stream.size(); }
    FileCheck problem() const override { return stream.problem(); }
    bool grown() const override { return stream.grown(); }
};

// The source of a program file: a plain one streamed, an RTF one (a .dnc) read whole
// through the RTF reader for its plain text. Nothing, and why in problem, when it is no
// regular file or cannot be read.
std::unique_ptr<SendSource> openSendFile(const QString &path, FileCheck *problem = nullptr);

} // namespace kordavel
