// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every test keeps the settings store and the running-copy lock in folders of its own.
#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

} // namespace kordavel::test
