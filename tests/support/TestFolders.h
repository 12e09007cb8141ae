// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every test keeps the settings store and the running-copy lock in folders of its own.
#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace kordavel::test {

class TestFolders {
public:
    TestFolders()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime().toLocal8Bit());
        setSettingsFolder(m_root.filePath(QStringLiteral("settings")));
    }
    QString runtime() const { return m_root.filePath(QStringLiteral("runtime")); }
    QString settingsFile() const
    {
        return m_root.filePath(QStringLiteral("settings/Kordavel/Kordavel.ini"));
    }
    QString file(const QString &name) const { return m_root.filePath(name); }

private:
    QTemporaryDir m_root;
};

// A file's bytes; none when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a file anew; returns its path.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Puts a file that is no program at path: "folder", "fifo", "loop" (a link to itself), or
// "/dev/zero" itself. Returns the path to open; other kinds leave path as it is.
inline QString makeNoProgram(const QString &kind, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    bool made = true;
    if (kind == QLatin1String("folder"))
        made = QDir().mkpath(path);
    else if (kind == QLatin1String("fifo"))
        made = ::mkfifo(name.constData(), 0600) == 0;
    else if (kind == QLatin1String("loop"))
        made = ::symlink(name.constData(), name.constData()) == 0;
    else if (kind == QLatin1String("/dev/zero"))
        return kind;
    if (!made)
        qFatal("cannot make %s at %s", qPrintable(kind), name.constData());
    return path;
}

} // namespace kordavel::test
