// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecentFiles.h"

#include "common/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

namespace kordavel {

namespace {

const QString kSection = QStringLiteral("Settings");

QString key(int index)
{
    return QStringLiteral("Recent") + QString::number(index + 1);
}

QString normalized(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void RecentFiles::load()
{
    m_paths.clear();
    for (int i = 0; i < kMaximum; ++i) {
        const QString path = GetSetting(kSection, key(i), QString());
        if (!path.isEmpty() && !m_paths.contains(normalized(path)))
            m_paths << normalized(path);
    }
    m_stored = m_paths;
}

void RecentFiles::save()
{
    if (m_paths == m_stored)
        return;
    for (int i = 0; i < kMaximum; ++i)
        if (m_paths.value(i) != m_stored.value(i))
            SaveSetting(kSection, key(i), m_paths.value(i));
    m_stored = m_paths;
}

void RecentFiles::add(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString name = normalized(path);
    m_paths.removeAll(name);
    m_paths.prepend(name);
    while (m_paths.size() > kMaximum)
        m_paths.removeLast();
}

void RecentFiles::remove(const QString &path)
{
    m_paths.removeAll(normalized(path));
}

// The path, its end only when it is long; an '&' in it is no accelerator.
QString RecentFiles::caption(int index, const QString &path)
{
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > 60)
        shown = QStringLiteral("…") + shown.right(59);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QLatin1Char('&') + QString::number(index + 1) + QLatin1Char(' ') + shown;
}

} // namespace kordavel
