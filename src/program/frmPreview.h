// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"
#include "tools/ToolpathInterpreter.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kordavel {

class RichTextBox;
class ToolpathView;

// The toolpath of a program window's text, in a window of its own: the view with its
// plane, the lathe mode and zoom to fit, and a status line of the words not understood.
// Clicking a segment puts the editor's caret on its block; the caret's block is marked.
// An edit redraws the path once typing pauses; a long program is read in slices between
// events, so typing goes on meanwhile.
class frmPreview : public QWidget, public LanguageAware {
    Q_OBJECT
public:
    explicit frmPreview(RichTextBox *editor, QWidget *parent = nullptr);
    ~frmPreview() override;

    bool SetLanguage() override;
    // A send from the editor position start has reached position (-1: no send): the
    // blocks between are sent.
    void setSentPosition(qint32 start, qint32 position);
    // Reads the program anew now; the path shows once the last slice is read.
    void refresh();
    bool busy() const { return m_interpreter != nullptr; }
    // The program's caption, which the window's caption follows.
    void setProgramCaption(const QString &caption);

    ToolpathView *view;
    QComboBox *cboView;
    QCheckBox *chkLathe;
    QPushButton *cmdFit;
    QLabel *lblView;
    QLabel *lblStatus;
    // Starts anew on every edit and reads the program when it runs out (250 ms).
    QTimer *tUpdate;

signals:
    // Escape was pressed in the preview: its program's transfer is to stop, as Escape in the
    // program's own window stops it.
    void stopPressed();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void readSlice();
    void showStatus();
    void moveCaret(int line);
    void markCaretLine();
    void chooseView();

    RichTextBox *m_editor;
    QTimer *m_slices;
    QString m_text;
    qsizetype m_at = 0;
    std::unique_ptr<ToolpathInterpreter> m_interpreter;
    QString m_caption;
    bool m_stale = false; // an edit came while the window was closed
};

} // namespace kordavel
