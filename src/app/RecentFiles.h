// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace kordavel {

// The programs opened or saved last, most recent first, kept in the settings section
// "Settings" under Recent1 to Recent8.
class RecentFiles {
public:
    static constexpr int kMaximum = 8;

    // Reads the stored list; a list never stored is empty.
    void load();
    // Writes the list when it differs from what was read or written last.
    void save();

    // Puts a file first; it is then in the list once only.
    void add(const QString &path);
    void remove(const QString &path);
    const QStringList &paths() const { return m_paths; }

    // The menu caption of the entry at `index` (0 first): "&1 name".
    static QString caption(int index, const QString &path);

private:
    QStringList m_paths;
    QStringList m_stored;
};

} // namespace kordavel
