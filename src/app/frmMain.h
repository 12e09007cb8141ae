// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecentFiles.h"

#include "common/CommonDialog.h"
#include "dialogs/frmHelp.h"
#include "i18n/Language.h"

#include <QHash>
#include <QLockFile>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace kordavel {

class CaretPanel;
class FileHandOver;
class frmProgram;
class KeyStatePanels;

// The main frame: a multiple-document window holding the program windows, with the menu
// bar, the toolbar and the status bar. Exactly one exists while the program runs.
class frmMain : public QMainWindow, public LanguageAware {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Start-up: language, placement, second-copy test, then the given files, each in a
    // window of its own, or one empty window. False when this is a second copy: the frame
    // has then handed the files to the running copy (or, without files, said that the
    // program is in use) and closed itself, and the process ends.
    bool startUp(const QStringList &files = {});

    // Creates and shows a program window: mode 0 a new program, 1 one about to be loaded.
    frmProgram *NewProgramWindow(qint32 mode);
    void RefreshCommands();
    bool SetLanguage() override;

    // Pressed state of a toolbar button by key: 1 pressed, 0 up.
    void setButtonValue(const QString &key, bool pressed);
    // The Send and Receive buttons as the program window shows them, if it is in front.
    void showTransferButtons(frmProgram *program);
    bool buttonValue(const QString &key) const;

    frmProgram *activeProgram() const;
    QList<frmProgram *> programWindows() const;
    QMdiArea *mdiArea() const { return m_mdi; }
    bool IsFirstInstance = false;
    qint32 NewWindowCounter = 0;
    QString helpFile() const { return m_helpFile; }
    frmHelp *helpWindow() const { return m_help; }

    // Commands, as the menus and the toolbar run them.
    void fileOpen();
    // Opens a program file in a new window; a file that cannot be loaded leaves its window
    // empty, as a failed Open does.
    void openFile(const QString &name);
    void filePrint();
    void editUndo();
    void editRedo();
    void editCut();
    void editCopy();
    void editPaste();
    void editSelectAll();
    void formatFont();
    void formatToggle(const QString &key);
    // A format command on a program in the program view changes nothing: the status bar
    // says why.
    void formatKeptInDnc();
    void changeLanguage(qint16 language);
    void arrange(int code);
    void helpContents();
    void helpAbout();
    void toolbarClick(const QString &key);
    void editFind();
    void editFindNext();
    void editReplace();
    // Edit > Go To: the caret to a line or block of the active program.
    void editGoTo();
    void programClean();
    void programNumbering();
    void programFacts();
    void programCompare();
    // Communication > Send and Receive, by the active window's transfer state; Tools >
    // Options.
    void communicationSend();
    void communicationReceive();
    // Communication > Send File: a program file from disk, in the active window; while that
    // window sends, a stop.
    void communicationSendFile();
    void toolsOptions();
    // Tools > G-code Colours and Line Numbers, for every program window (display only);
    // kept in "Settings" as Highlight and LineNumbers.
    void toolsHighlight(bool on);
    void toolsLineNumbers(bool on);
    // File > 1 to 8: opens a recent program; one no longer there leaves the list.
    void openRecent(int index);
    const RecentFiles &recentFiles() const { return m_recent; }

    QAction *menuEntry(const QString &name) const;
    QAction *toolbarButton(const QString &key) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    QAction *addEntry(QMenu *menu, const QString &name, const QString &caption,
                      const QKeySequence &shortcut = {});
    QMenu *addMenu(QMenu *parent, const QString &name, const QString &caption);
    void relabel(const QString &name, int offset);
    bool closeAllPrograms();
    bool m_quitAfterWait = false; // a quit waits for a long program's save or a send's stop
    void savePlacement();
    void applyPlacement();
    frmProgram *unlockedProgram() const;
    void refreshUndoRedo();
    // The editor's right-click menu: the Edit menu's own commands, for that window.
    void showEditMenu(QMdiSubWindow *sub, const QPoint &globalPos);
    // The find dialog is minimized and restored with the frame.
    void followFindDialog();
    void programClosed();
    // A new window goes where the MDI default cascade puts it, wholly inside the area.
    void placeProgramWindow(QMdiSubWindow *sub, const std::optional<QPoint> &previous);
    int cascadeStep() const;
    void noteRecent(const QString &path);
    void showRecentFiles();

    QMdiArea *m_mdi;
    QToolBar *tbToolBar;
    QHash<QString, QAction *> m_entries;
    QHash<QString, QMenu *> m_menus;
    QHash<QString, QAction *> m_buttons;
    QHash<QString, QAction *> m_buttonEntries; // the menu entry each button runs
    QHash<QString, bool> m_pressed;
    QStringList m_entryOrder;
    std::unique_ptr<QLockFile> m_lock;
    KeyStatePanels *m_keyPanels = nullptr;
    CaretPanel *m_caretPanel = nullptr;
    FileHandOver *m_handOver = nullptr;
    QPointer<frmHelp> m_help;
    QString m_helpFile;
    FontChoice m_lastFont;
    QRect m_outerTarget; // placement in pixels still to apply once the frame is shown
    // Windows made while the frame was not active (at start-up, before it reached its
    // final size), with the place they were given: they follow the area's size, in a
    // cascade of their own, until the user places them.
    QList<std::pair<QPointer<QMdiSubWindow>, QRect>> m_unsized;
    RecentFiles m_recent;
};

} // namespace kordavel
