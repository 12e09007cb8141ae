// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileProblemText.h"

#include "editor/EditorLimits.h"
#include "i18n/Language.h"

namespace kordavel {

namespace {

QString reason(const FileCheck &check, bool sending)
{
    switch (check.problem) {
    case FileProblem::Missing:
        return GetString(QStringLiteral("The file does not exist."), 500);
    case FileProblem::Folder:
        return GetString(QStringLiteral("This is a folder, not a file."), 501);
    case FileProblem::NotRegular:
        return GetString(QStringLiteral("This is not a file on the disk but a pipe, a device or "
                                        "a socket: it could hold the program up or never end, "
                                        "so it is neither opened nor sent."),
                         502);
    case FileProblem::TooLarge: {
        if (sending)
            return GetString(QStringLiteral("The file is too large for this computer: a "
                                            "rich-text program (.dnc) is read whole before it "
                                            "is sent, and this one would take more memory than "
                                            "the editor may have."),
                             509);
        const EditorLimits limits = editorLimits();
        return GetString(QStringLiteral("The file is too large for the editor on this computer, "
                                        "which opens programs of up to %1 MB or %2 lines. "
                                        "Communication > Send File sends it to the machine "
                                        "straight from the disk."),
                         503)
            .arg(limits.bytes / 1000000)
            .arg(limits.lines);
    }
    case FileProblem::OutOfMemory:
        return GetString(QStringLiteral("There is not enough memory to read the file."), 504);
    case FileProblem::Shrunk:
        return GetString(QStringLiteral("The file became shorter while it was being sent, so the "
                                        "send was stopped. The machine did not get the whole "
                                        "program."),
                         505);
    case FileProblem::Replaced:
        return GetString(QStringLiteral("The file was replaced while it was being sent, so the "
                                        "send was stopped. Check what the machine got before "
                                        "running it."),
                         506);
    case FileProblem::Deleted:
        return GetString(QStringLiteral("The file was deleted while it was being sent, so the "
                                        "send was stopped. Check what the machine got before "
                                        "running it."),
                         507);
    case FileProblem::None:
    case FileProblem::Unreadable:
        break;
    }
    const QString system = check.systemReason();
    const QString text = GetString(QStringLiteral("The file cannot be read."), 433);
    return system.isEmpty() ? text : text + QLatin1Char(' ') + system;
}

} // namespace

QString fileProblemText(const QString &path, const FileCheck &check, bool sending)
{
    return path + QLatin1Char('\n') + reason(check, sending);
}

} // namespace kordavel
