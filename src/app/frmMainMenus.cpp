// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's menu tree, toolbar, relabelling and the showing of document menus.
#include "CaretPanel.h"
#include "RecentFiles.h"
#include "frmMain.h"

#include "common/AppState.h"

#include "program/frmProgram.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace kordavel {

namespace {

// A toolbar button runs the command of its menu entry.
struct ButtonDef {
    const char *key; // empty: a separator
    int tooltip;
    const char *picture;
    const char *entry;
    bool pressable; // shows a pressed state that the program sets
};

const ButtonDef kButtons[] = {
    {"New", 301, "new", "mnuFileNew", false},
    {"Open", 302, "open", "mnuFileOpen", false},
    {"Save", 303, "save", "mnuFileSave", false},
    {},
    {"Print", 304, "print", "mnuFilePrint", false},
    {},
    {"Find", 305, "find", "mnuEditFind", false},
    {},
    {"Cut", 306, "cut", "mnuEditCut", false},
    {"Copy", 307, "copy", "mnuEditCopy", false},
    {"Paste", 308, "paste", "mnuEditPaste", false},
    {},
    {"Undo", 309, "undo", "mnuEditUndo", false},
    {"Redo", 531, "redo", "mnuEditRedo", false},
    {},
    {"Bold", 310, "bold", "mnuFormatBold", true},
    {"Italic", 311, "italic", "mnuFormatItalic", true},
    {"Underline", 312, "underline", "mnuFormatUnderline", true},
    {},
    {"Send", 313, "send", "mnuCommunicationSend", true},
    {"Receive", 314, "receive", "mnuCommunicationReceive", true},
    {"SendFile", 431, "sendfile", "mnuCommunicationSendFile", false},
    {},
    {"Preview", 471, "preview", "mnuProgramPreview", false},
};

// Menu entries relabelled by the frame, in relabelling order, with their offsets.
const std::pair<const char *, int> kCaptions[] = {
    {"mnuFile", 101},
    {"mnuFileNew", 102},
    {"mnuFileOpen", 103},
    {"mnuFileClose", 104},
    {"mnuFileSave", 105},
    {"mnuFileSaveAs", 106},
    {"mnuFilePrint", 107},
    {"mnuFileExit", 108},
    {"mnuEdit", 109},
    {"mnuEditUndo", 110},
    {"mnuEditRedo", 530},
    {"mnuEditCut", 111},
    {"mnuEditCopy", 112},
    {"mnuEditPaste", 113},
    {"mnuEditSelectAll", 114},
    {"mnuEditFind", 115},
    {"mnuEditFindNext", 116},
    {"mnuEditReplace", 117},
    {"mnuEditGoTo", 550},
    {"mnuFormat", 118},
    {"mnuFormatFont", 119},
    {"mnuFormatBold", 120},
    {"mnuFormatItalic", 121},
    {"mnuFormatUnderline", 122},
    {"mnuProgram", 123},
    {"mnuProgramClean", 124},
    {"mnuProgramNumbering", 125},
    {"mnuProgramPreview", 470},
    {"mnuProgramSendFromCaret", 590},
    {"mnuProgramFacts", 570},
    {"mnuProgramCompare", 571},
    {"mnuCommunication", 126},
    {"mnuCommunicationSend", 127},
    {"mnuCommunicationReceive", 128},
    {"mnuCommunicationSendFile", 430},
    {"mnuWindow", 130},
    {"mnuWindowCascade", 131},
    {"mnuWindowTileHorizontal", 132},
    {"mnuWindowTileVertical", 133},
    {"mnuTools", 143},
    {"mnuToolsChange", 134},
    {"mnuToolsChangeEnglish", 135},
    {"mnuToolsChangeBulgarian", 136},
    {"mnuToolsChangeSpanish", 137},
    {"mnuToolsOptions", 144},
    {"mnuToolsHighlight", 451},
    {"mnuToolsLineNumbers", 452},
    {"mnuHelp", 138},
    {"mnuHelpContents", 139},
    {"mnuHelpAbout", 142},
};

// What RefreshCommands hides while no program window exists.
const char *const kDocumentEntries[] = {"mnuFileClose", "mnuFileSave",      "mnuFileSaveAs",
                                        "mnuFilePrint", "mnuFileBar1",      "mnuFileBar2",
                                        "mnuEdit",      "mnuCommunication", "mnuFormat",
                                        "mnuProgram",   "mnuWindow"};

} // namespace

QAction *frmMain::addEntry(QMenu *menu, const QString &name, const QString &caption,
                           const QKeySequence &shortcut)
{
    QAction *action = caption.isEmpty() ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    m_entries.insert(name, action);
    return action;
}

QMenu *frmMain::addMenu(QMenu *parent, const QString &name, const QString &caption)
{
    QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    m_entries.insert(name, menu->menuAction());
    m_menus.insert(name, menu);
    return menu;
}

QAction *frmMain::menuEntry(const QString &name) const
{
    return m_entries.value(name);
}

QAction *frmMain::toolbarButton(const QString &key) const
{
    return m_buttons.value(key);
}

// The actions are the Edit menu's, so the texts follow the language and the commands keep
// their guards: nothing happens while a transfer holds the text.
void frmMain::showEditMenu(QMdiSubWindow *sub, const QPoint &globalPos)
{
    m_mdi->setActiveSubWindow(sub);
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const char *name : {"mnuEditUndo", "mnuEditRedo", "mnuEditBar0", "mnuEditCut",
                             "mnuEditCopy", "mnuEditPaste", "mnuEditBar1", "mnuEditSelectAll"})
        menu->addAction(m_entries.value(QLatin1String(name)));
    menu->popup(globalPos);
}

void frmMain::buildMenus()
{
    const auto on = [this](QAction *action, auto &&slot) {
        connect(action, &QAction::triggered, this, std::forward<decltype(slot)>(slot));
    };
    const auto program = [this](auto member) {
        return [this, member] {
            if (frmProgram *p = activeProgram())
                (p->*member)();
        };
    };

    QMenu *file = addMenu(nullptr, QStringLiteral("mnuFile"), QStringLiteral("File"));
    on(addEntry(file, QStringLiteral("mnuFileNew"), QStringLiteral("New"),
                QKeySequence(Qt::CTRL | Qt::Key_N)),
       [this] { NewProgramWindow(0); });
    on(addEntry(file, QStringLiteral("mnuFileOpen"), QStringLiteral("Open"),
                QKeySequence(Qt::CTRL | Qt::Key_O)),
       [this] { fileOpen(); });
    on(addEntry(file, QStringLiteral("mnuFileClose"), QStringLiteral("Close")), [this] {
        if (QMdiSubWindow *sub = mdiArea()->currentSubWindow())
            sub->close();
    });
    addEntry(file, QStringLiteral("mnuFileBar1"), QString());
    on(addEntry(file, QStringLiteral("mnuFileSave"), QStringLiteral("Save"),
                QKeySequence(Qt::CTRL | Qt::Key_S)),
       program(&frmProgram::SaveFile));
    on(addEntry(file, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save As")),
       program(&frmProgram::SaveAsFile));
    addEntry(file, QStringLiteral("mnuFileBar2"), QString());
    on(addEntry(file, QStringLiteral("mnuFilePrint"), QStringLiteral("Print"),
                QKeySequence(Qt::CTRL | Qt::Key_P)),
       [this] { filePrint(); });
    addEntry(file, QStringLiteral("mnuFileBar3"), QString());
    on(addEntry(file, QStringLiteral("mnuFileExit"), QStringLiteral("Exit")), [this] { close(); });
    addEntry(file, QStringLiteral("mnuFileBar4"), QString());
    for (int i = 0; i < RecentFiles::kMaximum; ++i)
        on(addEntry(file, QStringLiteral("mnuFileRecent%1").arg(i + 1),
                    QStringLiteral("&%1").arg(i + 1)),
           [this, i] { openRecent(i); });

    QMenu *edit = addMenu(nullptr, QStringLiteral("mnuEdit"), QStringLiteral("Edit"));
    on(addEntry(edit, QStringLiteral("mnuEditUndo"), QStringLiteral("Undo"),
                QKeySequence(Qt::CTRL | Qt::Key_Z)),
       [this] { editUndo(); });
    QAction *redo = addEntry(edit, QStringLiteral("mnuEditRedo"), QStringLiteral("Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    on(redo, [this] { editRedo(); });
    addEntry(edit, QStringLiteral("mnuEditBar0"), QString());
    on(addEntry(edit, QStringLiteral("mnuEditCut"), QStringLiteral("Cut"),
                QKeySequence(Qt::CTRL | Qt::Key_X)),
       [this] { editCut(); });
    on(addEntry(edit, QStringLiteral("mnuEditCopy"), QStringLiteral("Copy"),
                QKeySequence(Qt::CTRL | Qt::Key_C)),
       [this] { editCopy(); });
    on(addEntry(edit, QStringLiteral("mnuEditPaste"), QStringLiteral("Paste"),
                QKeySequence(Qt::CTRL | Qt::Key_V)),
       [this] { editPaste(); });
    addEntry(edit, QStringLiteral("mnuEditBar1"), QString());
    on(addEntry(edit, QStringLiteral("mnuEditSelectAll"), QStringLiteral("Select All"),
                QKeySequence(Qt::CTRL | Qt::Key_A)),
       [this] { editSelectAll(); });
    addEntry(edit, QStringLiteral("mnuEditBar2"), QString());
    on(addEntry(edit, QStringLiteral("mnuEditFind"), QStringLiteral("Find"),
                QKeySequence(Qt::CTRL | Qt::Key_F)),
       [this] { editFind(); });
    on(addEntry(edit, QStringLiteral("mnuEditFindNext"), QStringLiteral("Find Next"),
                QKeySequence(Qt::Key_F3)),
       [this] { editFindNext(); });
    on(addEntry(edit, QStringLiteral("mnuEditReplace"), QStringLiteral("Replace"),
                QKeySequence(Qt::CTRL | Qt::Key_H)),
       [this] { editReplace(); });
    on(addEntry(edit, QStringLiteral("mnuEditGoTo"), QStringLiteral("Go To"),
                QKeySequence(Qt::CTRL | Qt::Key_G)),
       [this] { editGoTo(); });

    QMenu *format = addMenu(nullptr, QStringLiteral("mnuFormat"), QStringLiteral("Format"));
    on(addEntry(format, QStringLiteral("mnuFormatFont"), QStringLiteral("Font")),
       [this] { formatFont(); });
    on(addEntry(format, QStringLiteral("mnuFormatBold"), QStringLiteral("Bold")),
       [this] { formatToggle(QStringLiteral("Bold")); });
    on(addEntry(format, QStringLiteral("mnuFormatItalic"), QStringLiteral("Italic")),
       [this] { formatToggle(QStringLiteral("Italic")); });
    on(addEntry(format, QStringLiteral("mnuFormatUnderline"), QStringLiteral("Underline")),
       [this] { formatToggle(QStringLiteral("Underline")); });

    QMenu *prog = addMenu(nullptr, QStringLiteral("mnuProgram"), QStringLiteral("Program"));
    on(addEntry(prog, QStringLiteral("mnuProgramClean"), QStringLiteral("Clean")),
       [this] { programClean(); });
    on(addEntry(prog, QStringLiteral("mnuProgramNumbering"), QStringLiteral("Numbering")),
       [this] { programNumbering(); });
    on(addEntry(prog, QStringLiteral("mnuProgramPreview"), QStringLiteral("Preview")),
       program(&frmProgram::Preview));
    on(addEntry(prog, QStringLiteral("mnuProgramSendFromCaret"), QStringLiteral("Send from Caret")),
       program(&frmProgram::SendFromCaret));
    on(addEntry(prog, QStringLiteral("mnuProgramFacts"), QStringLiteral("Program Facts")),
       [this] { programFacts(); });
    on(addEntry(prog, QStringLiteral("mnuProgramCompare"), QStringLiteral("Compare With…")),
       [this] { programCompare(); });

    QMenu *comm =
        addMenu(nullptr, QStringLiteral("mnuCommunication"), QStringLiteral("Communication"));
    on(addEntry(comm, QStringLiteral("mnuCommunicationSend"), QStringLiteral("Send")),
       [this] { communicationSend(); });
    on(addEntry(comm, QStringLiteral("mnuCommunicationReceive"), QStringLiteral("Receive")),
       [this] { communicationReceive(); });
    on(addEntry(comm, QStringLiteral("mnuCommunicationSendFile"), QStringLiteral("Send File...")),
       [this] { communicationSendFile(); });
    addEntry(comm, QStringLiteral("mnuCommunicationRemote"), QStringLiteral("Remote"))
        ->setEnabled(false);

    QMenu *tools = addMenu(nullptr, QStringLiteral("mnuTools"), QStringLiteral("Tools"));
    QMenu *change =
        addMenu(tools, QStringLiteral("mnuToolsChange"), QStringLiteral("Change Language"));
    on(addEntry(change, QStringLiteral("mnuToolsChangeEnglish"), QStringLiteral("English")),
       [this] { changeLanguage(1); });
    on(addEntry(change, QStringLiteral("mnuToolsChangeBulgarian"), QStringLiteral("Bulgarian")),
       [this] { changeLanguage(2); });
    on(addEntry(change, QStringLiteral("mnuToolsChangeSpanish"), QStringLiteral("Spanish")),
       [this] { changeLanguage(3); });
    on(addEntry(tools, QStringLiteral("mnuToolsOptions"), QStringLiteral("Options")),
       [this] { toolsOptions(); });
    addEntry(tools, QStringLiteral("mnuToolsBar0"), QString());
    for (const auto &[name, caption, command] :
         {std::tuple("mnuToolsHighlight", "G-code Colours", &frmMain::toolsHighlight),
          std::tuple("mnuToolsLineNumbers", "Line Numbers", &frmMain::toolsLineNumbers)}) {
        QAction *entry = addEntry(tools, QLatin1String(name), QLatin1String(caption));
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, command);
    }

    QMenu *window = addMenu(nullptr, QStringLiteral("mnuWindow"), QStringLiteral("Window"));
    on(addEntry(window, QStringLiteral("mnuWindowCascade"), QStringLiteral("Cascade")),
       [this] { arrange(0); });
    on(addEntry(window, QStringLiteral("mnuWindowTileHorizontal"),
                QStringLiteral("Tile Horizontal")),
       [this] { arrange(1); });
    on(addEntry(window, QStringLiteral("mnuWindowTileVertical"), QStringLiteral("Tile Vertical")),
       [this] { arrange(2); });

    QMenu *help = addMenu(nullptr, QStringLiteral("mnuHelp"), QStringLiteral("Help"));
    on(addEntry(help, QStringLiteral("mnuHelpContents"), QStringLiteral("Contents"),
                QKeySequence(Qt::Key_F1)),
       [this] { helpContents(); });
    addEntry(help, QStringLiteral("mnuHelpIndex"), QStringLiteral("Index"))->setEnabled(false);
    addEntry(help, QStringLiteral("mnuHelpSearch"), QStringLiteral("Search"))->setEnabled(false);
    addEntry(help, QStringLiteral("mnuHelpBar0"), QString());
    on(addEntry(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("About")),
       [this] { helpAbout(); });
}

void frmMain::buildToolbar()
{
    tbToolBar = addToolBar(QStringLiteral("Toolbar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setIconSize(QSize(24, 24));
    for (const ButtonDef &def : kButtons) {
        if (!def.key) {
            tbToolBar->addSeparator();
            continue;
        }
        const QString key = QLatin1String(def.key);
        QAction *button = tbToolBar->addAction(
            QIcon(QStringLiteral(":/toolbar/%1.svg").arg(QLatin1String(def.picture))), key);
        button->setObjectName(QStringLiteral("tb") + key);
        button->setToolTip(key);
        button->setCheckable(def.pressable);
        m_buttons.insert(key, button);
        m_buttonEntries.insert(key, m_entries.value(QLatin1String(def.entry)));
        connect(button, &QAction::triggered, this, [this, key] { toolbarClick(key); });
    }
}

void frmMain::setButtonValue(const QString &key, bool pressed)
{
    m_pressed.insert(key, pressed);
    if (QAction *button = m_buttons.value(key))
        button->setChecked(pressed);
}

bool frmMain::buttonValue(const QString &key) const
{
    return m_pressed.value(key, false);
}

void frmMain::relabel(const QString &name, int offset)
{
    if (QAction *action = m_entries.value(name))
        action->setText(GetString(action->text(), offset));
}

bool frmMain::SetLanguage()
{
    for (const auto &[name, offset] : kCaptions)
        relabel(QLatin1String(name), offset);
    if (m_caretPanel)
        m_caretPanel->refresh();
    for (const ButtonDef &def : kButtons) {
        if (!def.key)
            continue;
        QAction *button = m_buttons.value(QLatin1String(def.key));
        button->setToolTip(GetString(button->toolTip(), def.tooltip));
    }
    const QString folder = QApplication::applicationDirPath();
    switch (language()) {
    case 1:
        m_helpFile = folder + QStringLiteral("/Kordavel.chm");
        break;
    case 2:
        m_helpFile = folder + QStringLiteral("/Kordavelbg.chm");
        break;
    case 3:
        m_helpFile = folder + QStringLiteral("/Kordaveles.chm");
        break;
    default:
        break;
    }
    return true;
}

void frmMain::RefreshCommands()
{
    const bool any = ProgramWindowCount >= 1;
    for (const char *name : kDocumentEntries) {
        QAction *entry = m_entries.value(QLatin1String(name));
        entry->setVisible(any);
        // The entries of a hidden menu hide too, so that their shortcuts do not act.
        if (QMenu *menu = m_menus.value(QLatin1String(name)))
            for (QAction *child : menu->actions())
                child->setVisible(any);
    }
    setButtonValue(QStringLiteral("Send"), false);
    setButtonValue(QStringLiteral("Receive"), false);
}

} // namespace kordavel
