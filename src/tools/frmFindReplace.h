// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace kordavel {

class ProgramText;

// The text of the last search, for Find Next from the menu. Empty at start.
inline QString LastFindText;

// The find and replace dialog: modeless, always on top, one at a time. It acts on the
// editor its owner names (the active program window's) at the moment a button is pressed, and
// remembers, while it is open, the texts confirmed with Enter.
class frmFindReplace : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    enum Action : qint32 { FindNext = 0, Replace = 1, ReplaceAll = 2 };

    // The loaded dialog, or none.
    static frmFindReplace *loaded();
    // The loaded dialog; loads it first when it is not.
    static frmFindReplace &load();

    // Shows the dialog on top of every window at screen position 100, 100. Always 0.
    qint32 FindAnswer();
    // Find next (0), replace the selection (1) or replace all (2). False when there was
    // no program window to act on.
    bool FindReplaceCommand(qint32 &action);
    bool SetLanguage() override;

    // Where the commands find their editor; none until the frame names one.
    static void setEditorSource(std::function<ProgramText *()> source);
    // Where the commands say what became of them: that the text was not found, how many
    // matches Replace All replaced; an empty text when a match was found.
    static void setReportSink(std::function<void(const QString &)> sink);

    QLabel *lblFind;
    QComboBox *cboFind;
    QLabel *lblReplace;
    QComboBox *cboReplace;
    QPushButton *cmdFindNext;
    QPushButton *cmdCancel;
    QPushButton *cmdReplace;
    QPushButton *cmdReplaceAll;

    ~frmFindReplace() override;

private:
    frmFindReplace();
};

// The editor the find commands act on, or none.
ProgramText *findTarget();

// Finds the next match of the find text (the dialog's, copied into LastFindText, or
// LastFindText itself when useLastText is true) and selects it. True when there is no
// match anywhere; false otherwise, also for an empty find text.
bool FindNextMatch(bool &useLastText);

// Edit > Find and Edit > Replace.
void ShowFindDialog();
// Closes the dialog when it is loaded.
void CloseFindDialog();
// Minimizes the dialog with the frame, and brings it back with it.
void FollowFrameState(bool frameMinimized);

// Adds a text to a combo box's list in alphabetical order, letter case ignored; a text
// already listed is listed again.
void addSorted(QComboBox *box, const QString &text);

} // namespace kordavel
