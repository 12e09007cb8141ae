// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QLabel;
class QStatusBar;
class QTimer;

namespace kordavel {

// The key-state, date and time panels of the frame's status bar. They keep themselves
// current from the system; `insertMode` tells whether the active editor inserts.
class KeyStatePanels : public QObject {
    Q_OBJECT
public:
    KeyStatePanels(QStatusBar *bar, std::function<bool()> insertMode);
    void refresh();

    QLabel *ins;
    QLabel *num;
    QLabel *caps;
    QLabel *scrl;
    QLabel *date;
    QLabel *time;

private:
    std::function<bool()> m_insertMode;
    QTimer *m_timer;
};

} // namespace kordavel
