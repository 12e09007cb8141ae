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
class QToolButton;

namespace kordavel {

class ProgramText;
class ToolpathView;

// The toolpath of a program window's text, as a pane of that window: the view with its
// plane, the lathe mode, whole numbers as thousandths and zoom to fit, and a status line of
// the words not understood (wrapped, the whole list in its tooltip). Clicking a segment puts
// the editor's caret on its block; the caret's block is marked. An edit redraws the path
// once typing pauses; a long program is read in slices between events, so typing goes on
// meanwhile.
// The lathe mode follows the program's words (a lathe's program, a mill's, or the last
// choice when they tell neither) until the user chooses; the choices of view, lathe and
// thousandths are the window's own and are stored as the last used, for the next preview.
class frmPreview : public QWidget, public LanguageAware {
    Q_OBJECT
public:
    explicit frmPreview(ProgramText *editor, QWidget *parent = nullptr);
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
    QCheckBox *chkThousandths;
    QPushButton *cmdFit;
    QToolButton *cmdClose;
    QLabel *lblView;
    QLabel *lblStatus;
    // Starts anew on every edit and reads the program when it runs out (250 ms).
    QTimer *tUpdate;

signals:
    // Escape was pressed in the preview: its program's transfer is to stop, as Escape in the
    // program's own window stops it.
    void stopPressed();
    // The user closed the pane.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void readSlice();
    void showStatus();
    void moveCaret(int line);
    void markCaretLine();
    void chooseView();

    ProgramText *m_editor;
    QTimer *m_slices;
    QString m_text;
    qsizetype m_at = 0;
    std::unique_ptr<ToolpathInterpreter> m_interpreter;
    QString m_caption;
    bool m_stale = false;       // an edit came while the window was closed
    bool m_latheChosen = false; // by the user: the program's words no longer decide
    bool m_lastLathe = false;   // stored: the lathe mode chosen last
    bool m_detecting = false;
};

} // namespace kordavel
