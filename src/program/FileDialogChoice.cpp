// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDialogChoice.h"

#include "common/SettingsStore.h"
#include "i18n/Language.h"

#include <QDir>
#include <QFileInfo>

namespace kordavel {

namespace {

const char *const kPlainExtensions[] = {"nc", "ngc", "tap", "cnc", "mpf", "eia", "gcode", "txt"};

enum FilterEntry { kRichEntry = 0, kPlainEntry = 1, kAllEntry = 2 };

} // namespace

QString programFileFilter()
{
    QStringList patterns;
    for (const char *extension : kPlainExtensions)
        patterns << QStringLiteral("*.") + QLatin1String(extension);
    const QString plain = GetString(
        QStringLiteral("NC Programs (*.nc *.ngc *.tap *.cnc *.mpf *.eia *.gcode *.txt)"), 560);
    return QStringLiteral("Mashining Program (*.dnc)|*.dnc|") + plain + QLatin1Char('|') +
           patterns.join(QLatin1Char(';')) + QStringLiteral("|All Files (*.*)|*.*");
}

int programFilterIndex(const QString &path)
{
    if (path.isEmpty())
        return kRichEntry;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("dnc"))
        return kRichEntry;
    for (const char *extension : kPlainExtensions)
        if (suffix == QLatin1String(extension))
            return kPlainEntry;
    return kAllEntry;
}

QString lastProgramFile()
{
    return GetSetting(QStringLiteral("Settings"), QStringLiteral("LastFile"), QString());
}

void noteProgramFile(const QString &path)
{
    SaveSetting(QStringLiteral("Settings"), QStringLiteral("LastFile"),
                QFileInfo(path).absoluteFilePath());
}

QString folderOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    QString folder = QFileInfo(path).absolutePath();
    // Each step goes one folder up: no more steps than the path has folders.
    for (qsizetype steps = folder.count(QLatin1Char('/')) + 1; steps > 0; --steps) {
        if (QFileInfo(folder).isDir())
            return folder;
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            break;
        folder = up;
    }
    return {};
}

FileDialogStart openDialogStart(const QString &lastFile)
{
    FileDialogStart start;
    start.folder = folderOf(lastFile);
    start.filterIndex = programFilterIndex(lastFile);
    if (!lastFile.isEmpty())
        start.fileName = QFileInfo(lastFile).fileName();
    return start;
}

FileDialogStart saveAsDialogStart(const QString &lastFile, const QString &caption, bool isNew)
{
    if (!isNew)
        return openDialogStart(caption);
    FileDialogStart start = openDialogStart(lastFile);
    const bool plain = start.filterIndex == kPlainEntry;
    start.fileName = caption + (plain ? QStringLiteral(".nc") : QStringLiteral(".dnc"));
    if (!plain)
        start.filterIndex = kRichEntry;
    return start;
}

} // namespace kordavel
