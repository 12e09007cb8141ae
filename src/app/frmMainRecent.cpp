// SPDX-License-Identifier: GPL-3.0-or-later
// File > 1 to 8: the programs opened or saved last.
#include "frmMain.h"

#include "common/AppState.h"
#include "common/MessageBox.h"
#include "common/RegularFile.h"

#include <QAction>

namespace kordavel {

void frmMain::noteRecent(const QString &path)
{
    m_recent.add(path);
    m_recent.save();
    showRecentFiles();
}

void frmMain::showRecentFiles()
{
    const QStringList &paths = m_recent.paths();
    menuEntry(QStringLiteral("mnuFileBar4"))->setVisible(!paths.isEmpty());
    for (int i = 0; i < RecentFiles::kMaximum; ++i) {
        QAction *entry = menuEntry(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        entry->setVisible(i < paths.size());
        if (i < paths.size()) {
            entry->setText(RecentFiles::caption(i, paths[i]));
            entry->setStatusTip(paths[i]);
        }
    }
}

void frmMain::openRecent(int index)
{
    const QString path = m_recent.paths().value(index);
    if (path.isEmpty())
        return;
    // Anything else there (a folder, a FIFO) goes to openFile, which says what it is.
    if (checkRegularFile(path).problem == FileProblem::Missing) {
        MsgBox(path + QLatin1Char('\n') +
                   GetString(QStringLiteral("The file is no longer there. It leaves the list of "
                                            "recent files."),
                             450),
               MsgIcon::Exclamation, QLatin1String(kProductName), this);
        m_recent.remove(path);
        m_recent.save();
        showRecentFiles();
        return;
    }
    openFile(path);
}

} // namespace kordavel
