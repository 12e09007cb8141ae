// SPDX-License-Identifier: GPL-3.0-or-later
// What the menu and toolbar commands do on the active program window.
#include "WindowPlacement.h"
#include "frmMain.h"

#include "common/AppState.h"
#include "common/CommonDialog.h"
#include "common/MessageBox.h"
#include "common/SettingsStore.h"

#include "dialogs/frmAbout.h"
#include "dialogs/frmHelp.h"
#include "editor/RichTextBox.h"
#include "program/FileDialogChoice.h"
#include "program/FileProblemText.h"
#include "program/frmProgram.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

namespace kordavel {

void frmMain::fileOpen()
{
    const std::optional<QString> name = CommonDialog::instance().showOpen(
        this, QStringLiteral("Open"), programFileFilter(), openDialogStart(lastProgramFile()));
    if (!name || name->isEmpty())
        return;
    openFile(*name);
}

// A long program opens on another thread; the window shows the progress meanwhile.
void frmMain::openFile(const QString &name)
{
    frmProgram *program = NewProgramWindow(1);
    connect(
        program, &frmProgram::programOpened, program,
        [this, program, name](bool ok) {
            if (ok) {
                program->setWindowTitle(name);
                noteRecent(name);
                noteProgramFile(name);
                return;
            }
            // Nothing was loaded: keep the numbered caption, and let Save ask for a name
            // rather than write a file called "Program N". The message says why.
            program->bFlagNew = true;
            MsgBox(fileProblemText(name, program->openProblem()), MsgIcon::Exclamation,
                   QLatin1String(kProductName), this);
        },
        Qt::SingleShotConnection);
    program->openProgram(name);
}

void frmMain::filePrint()
{
    frmProgram *program = activeProgram();
    if (!program)
        return;
    QPrinter printer(QPrinter::HighResolution);
    const bool selection = program->editor()->selLength() > 0;
    if (!CommonDialog::instance().showPrint(this, printer, selection))
        return;
    program->editor()->selPrint(&printer);
}

void frmMain::editUndo()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->undo();
}

void frmMain::editRedo()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->redo();
}

// Undo and Redo, in the menu and on the toolbar, are available when the active window's
// editor has a step to take and is not locked.
void frmMain::refreshUndoRedo()
{
    const frmProgram *program = unlockedProgram();
    const bool undo = program && program->editor()->isUndoAvailable();
    const bool redo = program && program->editor()->isRedoAvailable();
    menuEntry(QStringLiteral("mnuEditUndo"))->setEnabled(undo);
    menuEntry(QStringLiteral("mnuEditRedo"))->setEnabled(redo);
    toolbarButton(QStringLiteral("Undo"))->setEnabled(undo);
    toolbarButton(QStringLiteral("Redo"))->setEnabled(redo);
}

void frmMain::editCut()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->cutToClipboard();
}

void frmMain::editCopy()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->copyToClipboard();
}

void frmMain::editPaste()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->pasteFromClipboard();
}

void frmMain::editSelectAll()
{
    if (frmProgram *program = unlockedProgram())
        program->editor()->selectRange(0, program->editor()->textLength());
}

void frmMain::formatFont()
{
    frmProgram *program = unlockedProgram();
    if (!program)
        return;
    RichTextBox *editor = richText(program->editor());
    if (!editor) {
        formatKeptInDnc();
        return;
    }
    if (!CommonDialog::instance().showFont(this, m_lastFont))
        return;
    editor->setSelFontName(m_lastFont.name);
    editor->setSelFontSize(m_lastFont.size);
    editor->setSelColor(m_lastFont.color);
    editor->setSelBold(m_lastFont.bold);
    editor->setSelItalic(m_lastFont.italic);
    editor->setSelUnderline(m_lastFont.underline);
    editor->setSelStrikeThru(m_lastFont.strike);
}

// A program in the program view is plain text: formatting would not be kept.
void frmMain::formatKeptInDnc()
{
    statusBar()->showMessage(
        GetString(QStringLiteral("Formatting is kept only in .dnc programs."), 593));
}

// A mixed selection counts as not set: the toggle sets the attribute on all of it.
void frmMain::formatToggle(const QString &key)
{
    frmProgram *program = unlockedProgram();
    if (!program)
        return;
    RichTextBox *editor = richText(program->editor());
    if (!editor) {
        formatKeptInDnc();
        setButtonValue(key, false);
        return;
    }
    bool on = false;
    if (key == QLatin1String("Bold")) {
        on = editor->selBold() != RichTextBox::TriState::All;
        editor->setSelBold(on);
    } else if (key == QLatin1String("Italic")) {
        on = editor->selItalic() != RichTextBox::TriState::All;
        editor->setSelItalic(on);
    } else if (key == QLatin1String("Underline")) {
        on = editor->selUnderline() != RichTextBox::TriState::All;
        editor->setSelUnderline(on);
    } else {
        return;
    }
    setButtonValue(key, on);
}

// The choice is stored at once, so that the next start speaks it however this run ends.
void frmMain::changeLanguage(qint16 newLanguage)
{
    ChangeLanguage(newLanguage);
    SaveSetting(QStringLiteral("Settings"), QStringLiteral("Language"),
                QString::number(language()));
    SetLanguage();
}

// Cascade (0), tile horizontally (1: one above the other), tile vertically (2: side by
// side). Minimized windows stay where they are.
void frmMain::arrange(int code)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && !sub->isMinimized())
            windows << sub;
    if (windows.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(windows.size());
    std::optional<QPoint> previous;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        QRect target;
        if (code == 0) {
            // Back at the top left when the next step would leave the area.
            target = cascadePlace(area, area.size() * 2 / 3, previous, cascadeStep());
            previous = target.topLeft();
        } else if (code == 1) {
            const int h = area.height() / n;
            target = QRect(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            const int w = area.width() / n;
            target = QRect(i * w, 0, i == n - 1 ? area.width() - i * w : w, area.height());
        }
        sub->setGeometry(target);
    }
    if (code == 0)
        m_mdi->setActiveSubWindow(windows.last());
}

void frmMain::toolsHighlight(bool on)
{
    SaveSetting(QStringLiteral("Settings"), QStringLiteral("Highlight"), QString::number(int(on)));
    for (frmProgram *program : programWindows())
        program->editor()->setHighlighting(on);
}

void frmMain::toolsLineNumbers(bool on)
{
    SaveSetting(QStringLiteral("Settings"), QStringLiteral("LineNumbers"),
                QString::number(int(on)));
    for (frmProgram *program : programWindows())
        program->editor()->setLineNumbers(on);
}

// A compiled help file beside the program wins where the system can show it; otherwise the
// manual built into the program.
void frmMain::helpContents()
{
    if (QFileInfo::exists(m_helpFile) && QDesktopServices::openUrl(QUrl::fromLocalFile(m_helpFile)))
        return;
    if (!m_help)
        m_help = new frmHelp(this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void frmMain::helpAbout()
{
    frmAbout about(this);
    about.exec();
}

// A toolbar button runs its menu entry's command; the pressed states stay as the program
// set them, whatever the click did to the button.
void frmMain::toolbarClick(const QString &key)
{
    if (QAction *entry = m_buttonEntries.value(key))
        entry->trigger();
    if (QAction *button = m_buttons.value(key); button && button->isCheckable())
        button->setChecked(m_pressed.value(key, false));
}

} // namespace kordavel
