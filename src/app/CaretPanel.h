// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QStatusBar;
class QString;

namespace kordavel {

class ProgramText;

// The frame's status-bar panel that tells where the caret of the active program is: its
// line and column (1 the first) and the number of lines. It follows the caret as it moves,
// by hand or with a send, and the text as it changes; empty without a program.
class CaretPanel : public QObject {
    Q_OBJECT
public:
    explicit CaretPanel(QStatusBar *bar);
    // The editor to follow, or none.
    void follow(ProgramText *editor);
    void refresh();

    QLabel *label;

private:
    ProgramText *m_editor = nullptr;
    QPointer<QWidget> m_editorWidget; // gone with the editor
    QList<QMetaObject::Connection> m_connections;
};

// The panel's text in the current language.
QString caretText(int line, int column, int lines);

} // namespace kordavel
