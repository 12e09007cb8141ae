// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame: start-up, placement, shutdown, a second start and its hand-over of files;
// commands on the active program; status panels; files; the manual; the string table.
#include "app/CommandLine.h"
#include "app/FileHandOver.h"
#include "app/KeyStatePanels.h"
#include "app/PrivateFolder.h"
#include "app/RecentFiles.h"
#include "app/WindowPlacement.h"
#include "common/AppState.h"
#include "common/SettingsStore.h"
#include "common/Twips.h"
#include "dialogs/frmHelp.h"
#include "dnc/ErrorTexts.h"
#include "editor/EditorLimits.h"
#include "i18n/StringTable.h"
#include "program/FileDialogChoice.h"
#include "support/CaptionsFit.h"
#include "support/FrameSession.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFileDialog>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest> // and the whole of QtCore

#include <climits>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kordavel;
using namespace kordavel::test;
using TriState = RichTextBox::TriState;

namespace {

QVariantMap stored(const FrameSession &s)
{
    QSettings store(s.folders.settingsFile(), QSettings::IniFormat);
    QVariantMap out;
    for (const QString &key : store.allKeys())
        out.insert(key, store.value(key));
    return out;
}

// Each program window's caption and text, "caption|text".
QStringList titles(const frmMain &frame)
{
    QStringList out;
    for (frmProgram *program : frame.programWindows())
        out << program->windowTitle() + QLatin1Char('|') + program->editor()->text();
    return out;
}

// Runs a menu entry, an entry of the editor's right-click menu ("menu:…") or a button.
void run(FrameSession &s, const QString &command)
{
    if (command.startsWith(QLatin1String("mnu")))
        return s.frame->menuEntry(command)->trigger();
    if (!command.startsWith(QLatin1String("menu:")))
        return s.frame->toolbarButton(command)->trigger();
    QWidget *editor = s.editor();
    QCOMPARE(editor->contextMenuPolicy(), Qt::CustomContextMenu);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4),
                            editor->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(s.editor()->viewport(), &click);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QStringList entries; // the Edit menu's own entries, no others
    for (QAction *action : menu->actions())
        entries << action->objectName();
    QCOMPARE(entries,
             (QStringList{"mnuEditUndo", "mnuEditRedo", "mnuEditBar0", "mnuEditCut", "mnuEditCopy",
                          "mnuEditPaste", "mnuEditBar1", "mnuEditSelectAll"}));
    menu->actions().at(entries.indexOf(command.mid(5)))->trigger();
    menu->close();
}

TriState format(const RichTextBox *editor, const QString &key)
{
    return key == QLatin1String("Bold")     ? editor->selBold()
           : key == QLatin1String("Italic") ? editor->selItalic()
                                            : editor->selUnderline();
}

struct Window : LanguageAware {
    Window(QStringList *log, QString name, bool ok = true) : log(log), name(name), ok(ok) {}
    bool SetLanguage() override
    {
        *log << name + QLatin1Char(':') + QString::number(language());
        return ok;
    }
    QStringList *log;
    QString name;
    bool ok;
};

} // namespace

class TstApp : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        frmQuestion::releaseInstance();
        setLanguageNumber(1);
    }

    void startUpPlacement_data()
    {
        QTest::addColumn<QString>("settings"); // WindowState|MainLeft|MainTop|MainWidth|MainHeight
        QTest::addColumn<QRect>("outer");      // in pixels; none: maximized
        const auto px = [](int left, int top, int width, int height) {
            return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                         twipsToPixelsY(height));
        };
        QTest::newRow("new user") << "" << QRect();
        QTest::newRow("maximized") << "2|1500" << QRect();
        QTest::newRow("a state that is not a number is maximized") << "max" << QRect();
        QTest::newRow("normal") << "0|1440|720|9000|7200" << px(1440, 720, 9000, 7200);
        QTest::newRow("minimized is normal") << "1|300|300|8400|6000" << px(300, 300, 8400, 6000);
        QTest::newRow("values that are not numbers fall back")
            << "0|left|12abc||7200" << px(1000, 1000, 6500, 7200);
        // Lengths beyond an int are cut to four desktops.
        const QRect d = QGuiApplication::primaryScreen()->virtualGeometry();
        QTest::newRow("all four beyond an int")
            << "0|3e10|3e10|3e10|3e10"
            << QRect(d.bottomRight() + QPoint(d.width(), d.height()) * 4, d.size() * 4);
    }

    // Moved by the user, the frame keeps its new place for the next start.
    void startUpPlacement()
    {
        QFETCH(QString, settings);
        QFETCH(QRect, outer);
        FrameSession s([&settings] {
            const char *keys[] = {"WindowState", "MainLeft", "MainTop", "MainWidth", "MainHeight"};
            for (int i = 0; !settings.isEmpty() && i < settings.count('|') + 1; ++i)
                SaveSetting("Settings", QLatin1String(keys[i]), settings.section('|', i, i));
        });
        QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
        QCOMPARE(s.frame->isMaximized(), outer.isNull());
        if (!outer.isNull()) {
            QCOMPARE(s.frame->frameGeometry(), outer);
            s.frame->move(twipsToPixelsX(2880), twipsToPixelsY(1440));
            QTRY_COMPARE(s.frame->frameGeometry().topLeft(),
                         QPoint(twipsToPixelsX(2880), twipsToPixelsY(1440)));
            outer = s.frame->frameGeometry();
        }
        QVERIFY(s.frame->close());
        const QVariantMap after = stored(s);
        QCOMPARE(after.value("Settings/Language").toString(), QStringLiteral("1"));
        QCOMPARE(after.value("Settings/WindowState").toString(),
                 QString::fromLatin1(outer.isNull() ? "2" : "0"));
        if (outer.isNull())
            return;
        s.frame = std::make_unique<frmMain>();
        QVERIFY(s.frame->startUp());
        QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
        QCOMPARE(s.frame->frameGeometry(), outer);
    }

    void languageAndShutdown_data() { addLanguageRows(); }

    // A second copy is refused with a message in the stored language, which it writes alone;
    // a change of language relabels every text, also of windows in the background, and is
    // stored at once; a shutdown while minimized writes the language alone.
    void languageAndShutdown()
    {
        QFETCH(int, language);
        FrameSession s([language] { // stored as "0N", so that a write of the language shows
            SaveSetting("Settings", "WindowState", "0");
            SaveSetting("Settings", "MainLeft", "1440");
            SaveSetting("Settings", "Language", "0" + QString::number(language));
        });
        QVariantMap after = stored(s);
        after.insert(QStringLiteral("Settings/Language"), QString::number(language));
        {
            frmMain second;
            QVERIFY(!second.startUp() && !second.IsFirstInstance && !second.isVisible());
            QCOMPARE(s.dialogs.messages, QStringList{GetString({}, 0) + GetString({}, 401)});
            QCOMPARE(s.dialogs.lastIcon, MsgIcon::Critical);
            QCOMPARE(stored(s), after);
        }
        frmMain &frame = *s.frame;
        frmProgram *background = s.program();
        frame.NewProgramWindow(0);
        for (int other = 1; other <= 3; ++other) // every text relabelled from a foreign one
            frame.changeLanguage(qint16(other));
        frame.changeLanguage(qint16(language));
        const auto text = [](int offset) { return GetString(QStringLiteral("?"), offset); };
        QCOMPARE(frame.menuEntry(QStringLiteral("mnuToolsOptions"))->text(), text(144));
        QCOMPARE(frame.menuEntry(QStringLiteral("mnuEditRedo"))->text(), text(530));
        QCOMPARE(frame.toolbarButton(QStringLiteral("Save"))->toolTip(), text(303));
        QCOMPARE(frame.toolbarButton(QStringLiteral("Redo"))->toolTip(), text(531));
        QCOMPARE(s.program()->stbPanel[0]->text(), text(1));
        QCOMPARE(background->stbPanel[0]->text(), text(1));
        const char *help[] = {"", "/Kordavel.chm", "/Kordavelbg.chm", "/Kordaveles.chm"};
        QVERIFY(frame.helpFile().endsWith(QLatin1String(help[language])));
        frame.changeLanguage(qint16(language % 3 + 1));
        after.insert(QStringLiteral("Settings/Language"), QString::number(language % 3 + 1));
        QCOMPARE(stored(s), after);
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        QVERIFY(frame.close());
        QCOMPARE(stored(s), after);
    }

    // With no program window the entries for one are hidden, and their shortcuts do nothing.
    void frameEntries()
    {
        FrameSession s;
        frmMain &frame = *s.frame;
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        const QStringList document{"mnuFileClose",     "mnuFileSave",   "mnuFileSaveAs",
                                   "mnuFilePrint",     "mnuEdit",       "mnuEditPaste",
                                   "mnuFormat",        "mnuFormatBold", "mnuProgram",
                                   "mnuCommunication", "mnuWindow"};
        const auto visible = [&](const QStringList &names, bool shown) {
            for (const QString &name : names)
                QVERIFY2(frame.menuEntry(name)->isVisible() == shown, qPrintable(name));
        };
        visible(document, true);
        QVERIFY(frame.mdiArea()->currentSubWindow()->close());
        QTRY_COMPARE(ProgramWindowCount, 0);
        visible(document, false);
        QVERIFY(frame.menuEntry(QStringLiteral("mnuFileNew"))->isVisible());
        QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier); // Print
        QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier); // Save
        QVERIFY(s.dialogs.calls.isEmpty());
        QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier); // New stays
        QCOMPARE(ProgramWindowCount, 1);
        visible(document, true);
        QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(s.dialogs.calls, QStringList{QStringLiteral("print:all")});
        // Tools > colours or line numbers: off in every window, the new ones too, and stored.
        for (const auto &[key, on] : {std::pair{"Highlight", &RichTextBox::highlighting},
                                      {"LineNumbers", &RichTextBox::lineNumbers}}) {
            QVERIFY((s.editor()->*on)());
            frame.menuEntry(QStringLiteral("mnuTools") + key)->trigger();
            frame.NewProgramWindow(0);
            for (frmProgram *program : frame.programWindows())
                QVERIFY(!(program->rtfText->*on)());
            QCOMPARE(GetSetting(QStringLiteral("Settings"), key, QString()), QStringLiteral("0"));
        }
    }

    // Quitting with Yes on a long program: the quit goes on once the file is written, and
    // asks the next window; a failed save keeps the windows and the frame.
    void quitWaitsForALongSave()
    {
        const auto restore = qScopeGuard([] { setSlicedSaveCharacters(0); });
        setSlicedSaveCharacters(1000);
        for (const bool readOnly : {false, true}) {
            FrameSession s;
            frmProgram *first = s.program();
            s.frame->NewProgramWindow(0)->rtfText->setText(QStringLiteral("G01 X10"));
            const QString path = writeFile(s.folders.file(QStringLiteral("long.nc")), "OLD\r\n");
            if (readOnly)
                QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
            const QString program = QString("G01 X1.5\r\n").repeated(3000) + "M30";
            first->setWindowTitle(path);
            first->bFlagNew = false;
            first->rtfText->setText(program);
            first->rtfText->setFileFormat(FileFormat::PlainText);
            answerNextQuestion(click(&frmQuestion::cmdYes));
            QVERIFY(!s.frame->close());
            const QPointer<frmProgram> saving = first;
            QVERIFY(saving->isSaving());
            if (!readOnly)
                answerNextQuestion(
                    click(&frmQuestion::cmdNo)); // the second window, once the quit goes on
            QTRY_VERIFY(!saving || !saving->isSaving());
            QTRY_COMPARE(s.frame->isVisible(), readOnly);
            QCOMPARE(s.frame->programWindows().size(), readOnly ? 2 : 0);
            QCOMPARE(readFile(path), readOnly ? QByteArray("OLD\r\n") : program.toLatin1());
        }
    }

    // Captions count on, never reused, with a "*" while changes are not saved or undone. At
    // shutdown a window that refuses stops it.
    void captionsAndShutdown()
    {
        FrameSession s;
        s.frame->NewProgramWindow(0);
        QCOMPARE(titles(*s.frame), (QStringList{"Program 1|", "Program 2|"}));
        QVERIFY(s.frame->mdiArea()->currentSubWindow()->close());
        QTRY_COMPARE(s.frame->programWindows().size(), 1);
        s.frame->NewProgramWindow(0);
        QCOMPARE(titles(*s.frame), (QStringList{"Program 1|", "Program 3|"}));
        QTRY_COMPARE(ProgramWindowCount, 2);
        frmProgram *program = s.program();
        const auto shows = [program](const QString &caption) {
            return program->parentWidget()->windowTitle() == caption &&
                   program->shownCaption() == caption;
        };
        QTest::keyClicks(s.editor(), QStringLiteral("g1"));
        QVERIFY(shows(QStringLiteral("Program 3*")));
        QTest::keyClick(s.editor(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(shows(QStringLiteral("Program 3")));
        QTest::keyClicks(s.editor(), QStringLiteral("m30"));
        const QString path = s.folders.file(QStringLiteral("part.dnc"));
        s.dialogs.saveAnswers << path;
        s.trigger("mnuFileSave");
        QVERIFY(shows(path));
        QTest::keyClick(s.editor(), Qt::Key_Return);
        QVERIFY(shows(path + QLatin1Char('*')));
        s.trigger("mnuFileSave");
        QVERIFY(shows(path));
        s.frame->programWindows().first()->rtfText->setText(QStringLiteral("G01 X10"));
        // The first window asks and the user cancels: nothing closes, nothing is written.
        QuestionSeen seen;
        answerNextQuestion(click(&frmQuestion::cmdCancel), &seen);
        QVERIFY(!s.frame->close() && seen.shown);
        QCOMPARE(s.frame->programWindows().size(), 2);
        QVERIFY(!stored(s).contains("Settings/WindowState"));
        answerNextQuestion(click(&frmQuestion::cmdNo));
        QVERIFY(s.frame->close());
        QTRY_COMPARE(ProgramWindowCount, 0);
        QVERIFY(stored(s).contains("Settings/WindowState"));
    }

    // The caret panel follows the caret (also of a send, in the locked text), the active
    // window and the language. INS follows the active editor by the panels' own timer; the
    // offscreen platform tells no lock state, so NUM, CAPS and SCRL are greyed.
    void statusPanels()
    {
        FrameSession s;
        auto *panels = s.frame->findChild<KeyStatePanels *>();
        QVERIFY(panels && panels->ins->isEnabled());
        QVERIFY(!panels->num->isEnabled() && !panels->caps->isEnabled() &&
                !panels->scrl->isEnabled());
        QStringList days; // the panel may have been filled before midnight
        for (int day = -1; day <= 0; ++day)
            days << QLocale::system().toString(QDate::currentDate().addDays(day),
                                               QLocale::ShortFormat);
        QVERIFY2(days.contains(panels->date->text()), qPrintable(panels->date->text()));
        auto *panel = s.frame->findChild<QLabel *>(QStringLiteral("caretPanel"));
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (1 lines)"));
        RichTextBox *first = s.editor();
        QTest::keyClicks(first, QStringLiteral("g1 x5\rm30"));
        QCOMPARE(panel->text(), QStringLiteral("Ln 2, Col 4 (2 lines)"));
        QTest::keyClick(first, Qt::Key_Up);
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 4 (2 lines)"));
        QTest::keyClick(first, Qt::Key_End);
        QTest::keyClick(first, Qt::Key_Delete); // joins the lines
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 6 (1 lines)"));
        first->setText(QStringLiteral("G1 X5\r\nG1 X6\r\nM30"));
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (3 lines)"));
        first->setLocked(true);
        first->select(7, 4);
        QCOMPARE(panel->text(), QStringLiteral("Ln 2, Col 5 (3 lines)"));
        first->setLocked(false);
        QTest::keyClick(first, Qt::Key_Insert);
        QTRY_VERIFY(!panels->ins->isEnabled());
        s.frame->NewProgramWindow(0);
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (1 lines)"));
        QTRY_VERIFY(panels->ins->isEnabled());
        s.frame->mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow *>(first->parentWidget()->parentWidget()));
        QCOMPARE(panel->text(), QStringLiteral("Ln 2, Col 5 (3 lines)"));
        s.frame->changeLanguage(2);
        QCOMPARE(panel->text(), QStringLiteral("Ред 2, кол. 5 (3 реда)"));
        for (frmProgram *program : s.frame->programWindows()) {
            if (program->isModified())
                answerNextQuestion(click(&frmQuestion::cmdNo));
            program->parentWidget()->close();
        }
        QTRY_COMPARE(ProgramWindowCount, 0);
        QCOMPARE(panel->text(), QString());
    }

    void commandsOnTheText_data()
    {
        // The state after the command on "G01 X10", its first word selected, "CLIP" on the
        // clipboard: text|selection|clipboard (+rtf: with its rich flavour)|formats of the
        // selection (B, I, U) and buttons down (b, i, u).
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("after");
        const auto row = [](const char *commands, const char *after) {
            for (const QByteArray &command : QByteArray(commands).split(' '))
                QTest::newRow(command) << QString::fromLatin1(command) << after;
        };
        row("mnuEditUndo Undo menu:mnuEditUndo", "|0,0|CLIP|");
        row("mnuEditCut Cut menu:mnuEditCut", " X10|0,0|G01+rtf|");
        row("mnuEditCopy Copy menu:mnuEditCopy", "G01 X10|0,3|G01+rtf|");
        row("mnuEditPaste Paste menu:mnuEditPaste", "CLIP X10|4,0|CLIP|");
        row("mnuEditSelectAll menu:mnuEditSelectAll", "G01 X10|0,7|CLIP|");
        row("mnuFormatBold Bold", "G01 X10|0,3|CLIP|Bb");
        row("mnuFormatItalic Italic", "G01 X10|0,3|CLIP|Ii");
        row("mnuFormatUnderline Underline", "G01 X10|0,3|CLIP|Uu");
        row("mnuFormatFont", "G01 X10|0,3|CLIP|BIU");
    }

    // Each command acts on the active program; while a transfer locks its text, none does
    // anything, nor opens the font dialog, nor shows a button pressed.
    void commandsOnTheText()
    {
        QFETCH(QString, command);
        QFETCH(QString, after);
        FrameSession s;
        s.dialogs.fontAnswer =
            FontChoice{QStringLiteral("Liberation Mono"), 20, Qt::red, true, true, true, true};
        RichTextBox *editor = s.editor();
        const auto state = [&] {
            const QMimeData *mime = QApplication::clipboard()->mimeData();
            QString out = QStringLiteral("%1|%2,%3|%4%5|")
                              .arg(editor->text())
                              .arg(editor->selStart())
                              .arg(editor->selLength())
                              .arg(mime->text(), mime->hasFormat("text/rtf") ? "+rtf" : "");
            for (const QString key : {"Bold", "Italic", "Underline"}) {
                if (format(editor, key) == TriState::All)
                    out += key.left(1);
                if (s.frame->buttonValue(key) || s.frame->toolbarButton(key)->isChecked())
                    out += key.left(1).toLower();
            }
            return out;
        };
        QTest::keyClicks(editor, QStringLiteral("g01 x10"));
        editor->select(0, 3);
        QApplication::clipboard()->setText(QStringLiteral("CLIP"));
        editor->setLocked(true);
        run(s, command);
        QCOMPARE(state(), QStringLiteral("G01 X10|0,3|CLIP|"));
        QVERIFY(!s.dialogs.calls.contains(QStringLiteral("font")));
        editor->setLocked(false);
        run(s, command);
        QCOMPARE(state(), after);
    }

    // Undo and Redo, menu and toolbar, can be chosen exactly when the active window's editor
    // has a step to take and is not locked. The keys take the same steps.
    void undoRedoCommands()
    {
        FrameSession s;
        RichTextBox *editor = s.editor();
        const auto states = [&s] {
            QString out;
            for (const char *key : {"Undo", "Redo"}) {
                const bool on = s.frame->menuEntry(QStringLiteral("mnuEdit") + key)->isEnabled();
                const bool button = s.frame->toolbarButton(QLatin1String(key))->isEnabled();
                out += on != button ? QLatin1Char('?') : on ? QLatin1Char('1') : QLatin1Char('0');
            }
            return out;
        };
        QCOMPARE(states(), QStringLiteral("00"));
        QTest::keyClicks(editor, QStringLiteral("g01 x1"));
        QCOMPARE(states(), QStringLiteral("10"));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->text(), QString());
        QCOMPARE(states(), QStringLiteral("01"));
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("G01 X1"));
        s.trigger("mnuEditUndo");
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor->text(), QStringLiteral("G01 X1"));
        s.trigger("mnuEditUndo");
        s.trigger("mnuEditRedo");
        QCOMPARE(editor->text(), QStringLiteral("G01 X1"));
        QCOMPARE(states(), QStringLiteral("10"));
        editor->setLocked(true); // locked by a transfer: neither, whatever the keys say
        QCOMPARE(states(), QStringLiteral("00"));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("G01 X1"));
        editor->setLocked(false);
        QCOMPARE(states(), QStringLiteral("10"));
        // Each window has its own history; the commands follow the one in front.
        QMdiSubWindow *first = s.frame->mdiArea()->currentSubWindow();
        s.frame->NewProgramWindow(0);
        QCOMPARE(states(), QStringLiteral("00"));
        s.frame->mdiArea()->setActiveSubWindow(first);
        QCOMPARE(states(), QStringLiteral("10"));
    }

    // The button shows the state of the whole selection: down only if all of it is set; a
    // selection only partly set is set throughout; a caret follows the character before it.
    void formatToggles()
    {
        for (const QString key : {"Bold", "Italic", "Underline"}) {
            FrameSession s;
            RichTextBox *editor = s.editor();
            editor->setText(QStringLiteral("G01 X10\r\nM30"));
            const auto toggle = [&] { s.frame->menuEntry("mnuFormat" + key)->trigger(); };
            const auto shows = [&](bool down) {
                return s.frame->buttonValue(key) == down &&
                       s.frame->toolbarButton(key)->isChecked() == down;
            };
            const auto check = [&](int start, int length, TriState set) {
                editor->select(start, length);
                return format(editor, key) == set && shows(set == TriState::All);
            };
            editor->select(0, 3);
            toggle();
            QVERIFY(check(0, 3, TriState::All));
            QVERIFY(check(0, 7, TriState::Mixed));
            toggle();
            QVERIFY(check(0, 7, TriState::All));
            QVERIFY(check(9, 3, TriState::None));
            editor->select(6, 0);
            QVERIFY(shows(true));
            editor->select(11, 0);
            QVERIFY(shows(false));
            editor->select(0, 7);
            toggle();
            QVERIFY(check(0, 7, TriState::None));
            toggle();
            QVERIFY(shows(true));
            s.frame->NewProgramWindow(0); // a new window starts with every button up
            QVERIFY(shows(false));
        }
    }

    // A copy's rich flavour is preferred on paste; plain text that is RTF source is read as RTF.
    void clipboardBetweenPrograms()
    {
        FrameSession s;
        RichTextBox *first = s.editor();
        first->setText(QStringLiteral("G01 X10\r\nM30"));
        first->select(0, 3);
        s.frame->formatToggle(QStringLiteral("Bold"));
        first->select(0, 9);
        s.frame->editCopy();
        s.frame->NewProgramWindow(0);
        RichTextBox *second = s.editor();
        const auto pasted = [&] { // "*": the first character bold
            second->setText(QString());
            s.frame->editPaste();
            second->select(0, 1);
            return (second->selBold() == TriState::All ? "*" : "") + second->text();
        };
        QCOMPARE(pasted(), QStringLiteral("*G01 X10\r\n"));
        second->select(4, 3);
        QCOMPARE(second->selBold(), TriState::None);
        const char *rows[][3] = {{"", "G00 X1\nM30", "G00 X1\r\nM30"},
                                 {"{\\rtf1\\ansi {\\b G02}}", "P", "*G02"},
                                 {"", "{\\rtf1\\ansi {\\b G03}}", "*G03"},
                                 {"", "{G04}", "{G04}"}};
        for (const auto &row : rows) {
            auto *other = new QMimeData;
            if (*row[0])
                other->setData(QStringLiteral("text/rtf"), row[0]);
            other->setText(QString::fromLatin1(row[1]));
            QApplication::clipboard()->setMimeData(other);
            QCOMPARE(pasted(), QString::fromLatin1(row[2]));
        }
    }

    // A file that cannot be opened leaves an empty numbered window, new, and a message. File
    // dialogs start at the last program file used, on its filter entry; Save As proposes the
    // program's own name. The real dialog shows all that in the language chosen.
    void openAndFileDialogs()
    {
        FrameSession s;
        QVERIFY(QDir(s.folders.file(QString())).mkpath(QStringLiteral("cam/old")));
        const QString cam = s.folders.file(QStringLiteral("cam"));
        const QString nc = writeFile(cam + QStringLiteral("/O1000.ngc"), "%\nO1000\nG00 X0\n");
        const auto startedAt = [&s](const QString &folder, int filter, const QString &name) {
            const FileDialogStart &start = s.dialogs.lastStart;
            return start.folder == folder && start.filterIndex == filter && start.fileName == name;
        };
        s.frame->fileOpen(); // cancelled, or no name: no window
        s.dialogs.openAnswers << QString() << nc;
        s.frame->fileOpen();
        QVERIFY(startedAt(QString(), 0, QString()));
        QCOMPARE(s.frame->NewWindowCounter, 1);
        s.frame->fileOpen();
        QCOMPARE(s.dialogs.calls.last(), QStringLiteral("open:Open|") + programFileFilter());
        frmProgram *opened = s.program();
        QCOMPARE(opened->windowTitle(), nc);
        QVERIFY(!opened->bFlagNew && !opened->isModified());
        opened->editor()->setSelStart(opened->editor()->textLength());
        QTest::keyClicks(opened->editor()->widget(), QStringLiteral("m30"));
        s.frame->toolbarButton(QStringLiteral("Save"))->trigger();
        QVERIFY(!opened->isModified());
        QCOMPARE(readFile(nc), QByteArray("%\nO1000\nG00 X0\nM30"));
        QCOMPARE(GetSetting(QStringLiteral("Settings"), QStringLiteral("LastFile"), QString()), nc);
        s.trigger("mnuFileNew");
        s.trigger("mnuFileSaveAs");
        QVERIFY(startedAt(cam, 1, QStringLiteral("Program 3.nc")));
        s.trigger("mnuCommunicationSendFile");
        QVERIFY(startedAt(cam, 1, QStringLiteral("O1000.ngc")));
        QCOMPARE(s.dialogs.calls.last(), QStringLiteral("open:Send File|") + programFileFilter());
        const QString dnc = cam + QStringLiteral("/old/PART.DNC");
        s.dialogs.saveAnswers << dnc; // saved under a new name: the last file used
        s.trigger("mnuFileSaveAs");
        QCOMPARE(s.program()->windowTitle(), dnc);
        const QString missing = cam + QStringLiteral("/missing.dnc");
        s.dialogs.openAnswers << missing;
        s.trigger("mnuFileOpen");
        QVERIFY(startedAt(cam + QStringLiteral("/old"), 0, QStringLiteral("PART.DNC")));
        QCOMPARE(titles(*s.frame).last(), QStringLiteral("Program 4|"));
        QVERIFY(s.program()->bFlagNew);
        QCOMPARE(s.dialogs.messages, QStringList{missing + "\nThe file does not exist."});
        s.dialogs.openAnswers << nc;
        s.frame->fileOpen();
        s.frame->changeLanguage(2);
        CommonDialog::setInstance(nullptr);
        const auto scripted = qScopeGuard([&s] { CommonDialog::setInstance(&s.dialogs); });
        QStringList shown;
        onNextDialog<QFileDialog>([&](QFileDialog &dialog) {
            shown << dialog.directory().absolutePath() << dialog.selectedNameFilter()
                  << dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            dialog.reject();
        });
        s.frame->fileOpen();
        QCOMPARE(shown, (QStringList{cam, GetString({}, 560), "O1000.ngc"}));
    }

    // The font chosen goes to the selection; the next dialog shows the last choice, not the
    // selection's. Print prints the selection, or all.
    void fontAndPrint()
    {
        FrameSession s;
        RichTextBox *editor = s.editor();
        editor->setText(QStringLiteral("G01 X10\r\nG02 Y5\r\nM30"));
        editor->select(0, 3);
        const FontChoice choice{
            QStringLiteral("Liberation Mono"), 14, QColor(Qt::red), true, false, true, true};
        s.dialogs.fontAnswer = choice;
        s.frame->formatFont();
        QCOMPARE(editor->selFontName(), QStringLiteral("Liberation Mono"));
        QCOMPARE(editor->selFontSize(), 14.0);
        QCOMPARE(editor->selColor(), QColor(Qt::red));
        QVERIFY(editor->selItalic() == TriState::None && editor->selStrikeThru() == TriState::All);
        editor->select(4, 3);
        s.dialogs.fontAnswer.reset();
        s.frame->formatFont();
        QVERIFY(s.dialogs.fontShown.name == choice.name && s.dialogs.fontShown.strike &&
                s.dialogs.fontShown.color == choice.color);
        QCOMPARE(editor->selBold(), TriState::None);
        s.dialogs.printTo = s.folders.file(QStringLiteral("out.pdf"));
        for (const int length : {0, 8}) { // all, or "G02 Y5" selected
            editor->select(9, length);
            s.dialogs.calls.clear();
            s.frame->toolbarButton(QStringLiteral("Print"))->trigger();
            QCOMPARE(s.dialogs.calls, QStringList{length ? "print:selection" : "print:all"});
            QProcess pdf; // pdftotext, of poppler-utils
            pdf.start(QStringLiteral("pdftotext"), {s.dialogs.printTo, QStringLiteral("-")});
            QVERIFY(pdf.waitForFinished(30000));
            const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
            QVERIFY2(text.contains("G02 Y5") && text.contains("M30") == !length, qPrintable(text));
        }
    }

    // Minimized windows stay where they are; the others share the area whole, or cascade.
    // After a cascade the last is in front, and a new window follows the last one shown.
    void arrangeLeavesMinimizedWindows()
    {
        FrameSession s;
        s.frame->showNormal();
        QWidget *view = s.frame->mdiArea()->viewport();
        for (int extra = 0; extra < 3; ++extra) { // an area three tiles do not share evenly
            s.frame->resize(QSize(640 + extra, 480 + extra));
            QTRY_COMPARE(s.frame->size(), QSize(640 + extra, 480 + extra));
            if (view->width() % 3 && view->height() % 3)
                break;
        }
        QVERIFY(view->width() % 3 && view->height() % 3);
        for (int i = 0; i < 3; ++i)
            s.frame->NewProgramWindow(0);
        QList<QMdiSubWindow *> subs = s.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        subs[1]->showMinimized();
        const QRect minimized = subs[1]->geometry();
        QRect a, b, c;
        for (const char *tile : {"mnuWindowTileHorizontal", "mnuWindowTileVertical", ""}) {
            s.frame->mdiArea()->setActiveSubWindow(subs[0]);
            s.trigger(*tile ? tile : "mnuWindowCascade");
            QVERIFY(subs[1]->geometry() == minimized && subs[1]->isMinimized());
            a = subs[0]->geometry(), b = subs[2]->geometry(), c = subs[3]->geometry();
            QVERIFY2(!*tile ||
                         (!a.intersects(b) && !b.intersects(c) &&
                          a.united(b).united(c) == view->rect() &&
                          (a.width() == view->width()) == QByteArray(tile).endsWith("Horizontal")),
                     tile);
        }
        QVERIFY(b.x() > a.x() && b.y() > a.y() &&
                c.topLeft() - b.topLeft() == b.topLeft() - a.topLeft());
        QCOMPARE(s.frame->mdiArea()->activeSubWindow(), subs[3]);
        subs[3]->showMinimized();
        s.frame->NewProgramWindow(0);
        QCOMPARE(s.frame->mdiArea()->activeSubWindow()->pos(), c.topLeft());
    }

    // Each window a step from the one before, or back at the top left when it would leave the
    // area; windows made before the frame shows cascade again over its final size.
    void cascade()
    {
        // In the area (100, 50, 1000, 800), by steps of 30; (-1,-1): no window before.
        const std::tuple<QSize, QPoint, QRect> rows[] = {
            {{400, 300}, {-1, -1}, {100, 50, 400, 300}},    // the first
            {{400, 300}, {100, 50}, {130, 80, 400, 300}},   // the next
            {{400, 300}, {670, 520}, {700, 550, 400, 300}}, // fits exactly
            {{400, 300}, {671, 50}, {100, 50, 400, 300}},   // a pixel too wide
            {{400, 300}, {100, 521}, {100, 50, 400, 300}},  // a pixel too low
            {{1200, 700}, {100, 50}, {100, 50, 1000, 700}}, // larger than the area
        };
        for (const auto &[size, previous, placed] : rows)
            QCOMPARE(kordavel::cascadePlace(
                         QRect(100, 50, 1000, 800), size,
                         previous.x() < 0 ? std::nullopt : std::optional(previous), 30),
                     placed);
        TestFolders folders;
        ScriptedDialogs dialogs;
        frmMain frame;
        QVERIFY(frame.startUp(QStringList(10, KORDAVEL_TESTS_DIR "/data/haas_turn.nc")));
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        const QRect area = frame.mdiArea()->viewport()->rect();
        QCOMPARE(subs[0]->pos(), area.topLeft());
        const QPoint step = subs[1]->pos() - subs[0]->pos();
        QVERIFY(step.x() > 10 && step.x() == step.y());
        int wraps = 0;
        for (int i = 1; i < subs.size(); ++i) {
            const QRect next(subs[i - 1]->pos() + step, area.size() * 3 / 4);
            QCOMPARE(subs[i]->geometry(),
                     area.contains(next) ? next : QRect(area.topLeft(), next.size()));
            wraps += !area.contains(next);
        }
        QVERIFY(wraps > 0);
        QVERIFY(frame.close());
    }

    void helpHistoryAcrossLanguages_data() { addLanguageRows(); }

    // Back and Forward go through the entries chosen, also after a change of language; the
    // contents follow the page (Back, a scroll). Find selects the next match.
    void helpHistoryAcrossLanguages()
    {
        QFETCH(int, language);
        FrameSession s;
        s.frame->changeLanguage(qint16(language));
        s.trigger("mnuHelpContents");
        frmHelp *help = s.frame->helpWindow();
        QVERIFY(help && help->isVisible());
        QTreeWidget *tree = help->tvwContents;
        QTextBrowser *page = help->txtPage;
        QScrollBar *bar = page->verticalScrollBar();
        const auto entry = [tree](int section, int part = -1) {
            QTreeWidgetItem *item = tree->topLevelItem(section);
            return part < 0 ? item : item->child(part);
        };
        const auto at = [&](QTreeWidgetItem *item) { // chosen, and its heading at the top
            for (QTextBlock b = page->document()->begin(); b.isValid(); b = b.next())
                if (b.blockFormat().headingLevel() && b.text().simplified() == item->text(0))
                    return tree->currentItem() == item &&
                           qAbs(page->document()->documentLayout()->blockBoundingRect(b).top() -
                                bar->value()) <= 1;
            return false;
        };
        const auto source = [page] { return page->source().adjusted(QUrl::RemoveFragment); };
        QVERIFY(!help->cmdBack->isEnabled());
        QCOMPARE(tree->currentItem(), nullptr); // the title is above every part
        emit tree->itemClicked(entry(1), 0);
        emit tree->itemClicked(entry(3, 1), 0);
        QVERIFY(at(entry(3, 1)));
        help->cmdBack->click();
        QVERIFY(at(entry(1)));
        help->cmdForward->click();
        QCOMPARE(tree->currentItem(), entry(3, 1));
        help->cmdBack->click();
        bar->setValue(bar->value() + 1); // a scroll: the contents show the part at the top
        QCOMPARE(tree->currentItem(), entry(1));
        emit tree->itemClicked(entry(5), 0);
        bar->setValue(bar->value() - 2);
        QCOMPARE(tree->currentItem(), entry(4, entry(4)->childCount() - 1));
        const qint16 other = qint16(language % 3 + 1);
        const QString shown = entry(1)->text(0);
        s.frame->changeLanguage(other);
        const QString manual = frmHelp::manualSource(other);
        QVERIFY(entry(1)->text(0) != shown);
        QCOMPARE(source().toString(), manual);
        QCOMPARE(tree->currentItem(), entry(4, entry(4)->childCount() - 1));
        help->cmdBack->click();
        QCOMPARE(source().toString(), manual);
        QVERIFY(at(entry(1)));
        while (help->cmdBack->isEnabled())
            help->cmdBack->click();
        QCOMPARE(page->source().toString(), manual);
        QCOMPARE(tree->currentItem(), nullptr);
        help->txtFind->setText(QStringLiteral("dialout"));
        help->cmdFindNext->click();
        QCOMPARE(page->textCursor().selectedText().toLower(), QStringLiteral("dialout"));
    }

    // Every manual has the same sections, and quotes every message of the serial line as the
    // program shows it in that language.
    void manualsAgree()
    {
        const LanguageGuard english;
        QStringList sections[3];
        for (int language = 1; language <= 3; ++language) {
            setLanguageNumber(qint16(language));
            frmHelp help;
            for (QTextBlock b = help.txtPage->document()->begin(); b.isValid(); b = b.next())
                if (b.blockFormat().headingLevel() == 2 && b.begin() != b.end())
                    sections[language - 1] << b.begin().fragment().charFormat().anchorNames();
            for (int offset : {27, 32, 402, 403, 540, 541, 543})
                QVERIFY2(help.txtPage->toPlainText().contains(GetString({}, offset).trimmed()),
                         qPrintable(QString::number(language) + ": " + GetString({}, offset)));
        }
        QVERIFY(sections[0].contains(QStringLiteral("ports")));
        QCOMPARE(sections[1], sections[0]);
        QCOMPARE(sections[2], sections[0]);
    }

    // Twips to pixels and back, and the saturation of lengths no screen holds.
    void twipConversions()
    {
        for (int px : {0, 1, 15, 96, 1000, 1919, -7})
            QCOMPARE(twipsToPixelsX(pixelsToTwipsX(px)), px);
        QCOMPARE(twipsToPixelsX(1e30), INT_MAX / 4);
        QCOMPARE(twipsToPixelsY(-1e30), -(INT_MAX / 4));
        QCOMPARE(twipsToPixelsX(std::numeric_limits<double>::quiet_NaN()), 0);
    }

    void recentList_data()
    {
        // Names in the test's folder: "stored" as RecentN=name (read at the start), then
        // "added" one by one; "expected" most recent first.
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *stored, const char *added,
                            const char *expected) {
            QTest::newRow(name) << stored << added << expected;
        };
        row("most recent first", "", "a b c", "c b a");
        row("once each", "", "a b a ./b", "b a");
        row("eight at most", "", "1 2 3 4 5 6 7 8 9 10", "10 9 8 7 6 5 4 3");
        row("stored: a duplicate spelt another way and a gap count once", "1=a 2=b 3=x/../a 5=ac",
            "", "a b ac");
        row("stored: all eight read", "1=a 8=h", "", "a h");
        row("stored: read clean", "1=x/../a", "", "a");
        row("stored, then one opened again", "1=a 2=b 3=c", "c", "c a b");
    }

    // The list as the menu shows it; written back, a shorter list leaves no old entry.
    void recentList()
    {
        QFETCH(QString, stored);
        QFETCH(QString, added);
        QFETCH(QString, expected);
        TestFolders folders;
        const auto paths = [&](const QString &names) {
            QStringList out;
            for (const QString &name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                out << QDir::cleanPath(folders.file(name));
            return out;
        };
        for (const QString &entry : stored.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            SaveSetting(QStringLiteral("Settings"), "Recent" + entry.section('=', 0, 0),
                        folders.file(entry.section('=', 1)));
        RecentFiles recent;
        recent.load();
        for (const QString &path : paths(added))
            recent.add(path);
        QCOMPARE(recent.paths(), paths(expected));
        recent.save();
        recent.remove(paths(expected).first());
        recent.save();
        RecentFiles again;
        again.load();
        QCOMPARE(again.paths(), paths(expected).mid(1));
    }

    // Files opened or saved show in the File menu ('&' no accelerator, a long path by its
    // end), also at the next start; a file gone leaves the list when chosen; a FIFO in its
    // place is not opened, and the message says why.
    void recentFromTheFrame()
    {
        FrameSession s;
        const QString a = writeFile(s.folders.file(QStringLiteral("a.nc")), "G0 X1\r\n");
        const QString b = writeFile(s.folders.file(QStringLiteral("b&c.nc")), "G0 X1\r\n");
        const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
        const auto entries = [&s] { // the captions in view
            QStringList out;
            for (int i = 1; i <= RecentFiles::kMaximum; ++i)
                if (QAction *entry = s.frame->menuEntry(QStringLiteral("mnuFileRecent%1").arg(i));
                    entry->isVisible())
                    out << entry->text();
            return out;
        };
        QVERIFY(!s.frame->menuEntry(QStringLiteral("mnuFileBar4"))->isVisible());
        s.frame->openFile(a);
        QVERIFY(s.frame->menuEntry(QStringLiteral("mnuFileBar4"))->isVisible());
        s.frame->openFile(b);
        s.dialogs.saveAnswers << saved;
        s.trigger("mnuFileSaveAs");
        s.frame->openFile(a);
        const QStringList expected{"&1 " + a, "&2 " + saved, "&3 " + QString(b).replace("&", "&&")};
        QCOMPARE(entries(), expected);
        QVERIFY(s.frame->close());
        s.frame = std::make_unique<frmMain>();
        QVERIFY(s.frame->startUp());
        QCOMPARE(entries(), expected);
        QVERIFY(QFile::remove(saved));
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.frame->programWindows().size(), 1);
        QCOMPARE(s.dialogs.messages, QStringList{saved + '\n' + GetString({}, 450)});
        QCOMPARE(entries(), (QStringList{expected[0], "&2 " + expected[2].mid(3)}));
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.program()->windowTitle(), b);
        QCOMPARE(entries().first(), "&1" + expected[2].mid(2));
        QVERIFY(QFile::remove(a));
        QCOMPARE(::mkfifo(QFile::encodeName(a).constData(), 0600), 0);
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.dialogs.messages.last(), a + '\n' + GetString({}, 502));
        const QString sixty = QStringLiteral("/") + QString(59, 'p'); // longer: its end
        QCOMPARE(RecentFiles::caption(1, sixty), "&2 " + sixty);
        QCOMPARE(RecentFiles::caption(1, "/x" + sixty.mid(1) + "Z"), "&2 …" + sixty.mid(2) + "Z");
    }

    void secondStart_data()
    {
        // What is in the private folder before the running copy starts ("socket": its socket
        // given to another user); the file a second start names ("%1"); the running copy's
        // windows and messages after.
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("file"); // program, missing, or more than the editor holds
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *before, const char *file,
                            const char *windows, const char *message) {
            QTest::newRow(name) << before << file << windows << message;
        };
        const char *handed = "Program 1|;%1|G1 Y2\r\n";
        row("running copy listens", "", "b.nc", handed, "");
        row("left by a crash", "crash", "b.nc", handed, "");
        row("another user's lock", "lock", "b.nc", handed, "");
        row("a link as the lock", "link", "b.nc", handed, "");
        row("another user's socket", "socket", "b.nc", "Program 1|", "Kordavel is in use");
        row("missing: not handed over", "", "missing.nc", "Program 1|",
            "%1\nThe file does not exist.");
        row("a link to itself: not handed over", "", "loop.nc", "Program 1|",
            "%1\nThe file cannot be read. Too many levels of symbolic links");
        row("a FIFO: not handed over", "", "fifo.nc", "Program 1|",
            "%1\nThis is not a file on the disk but a pipe, a device or a socket: it could hold "
            "the program up or never end, so it is neither opened nor sent.");
        row("more than the editor holds: refused by the running copy", "", "large.dnc",
            "Program 1|;Program 2|",
            "%1\nThe file is too large for the editor on this computer, which opens programs of "
            "up to 0 MB or 6 lines. Communication > Send File sends it to the machine straight "
            "from the disk.");
    }

    // The running copy opens the files and comes forward; the second start says why it keeps
    // a file. A lock or socket not the user's own is not trusted.
    void secondStart()
    {
        QFETCH(QString, before);
        QFETCH(QString, file);
        QFETCH(QString, windows);
        QFETCH(QString, message);
        if (geteuid() != 0 && QStringList{"lock", "link", "socket"}.contains(before))
            QSKIP("only root may give a file away");
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString lockPath = folders.runtime() + QStringLiteral("/kordavel.lock");
        QLockFile held(before == QLatin1String("link") ? folders.file("held") : lockPath);
        if (before == QLatin1String("crash")) {
            // A lock of a process that died; a socket bound and closed without unlinking.
            if (const pid_t child = fork(); child == 0) {
                QLockFile lock(lockPath);
                lock.tryLock(0);
                _exit(0);
            } else {
                QVERIFY(child > 0 && waitpid(child, nullptr, 0) == child);
            }
            QVERIFY(QFile::exists(lockPath));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(FileHandOver::socketPath());
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
        } else if (before == QLatin1String("lock")) { // held by a live process, as another's
            QVERIFY(held.tryLock(0));
            QCOMPARE(::chown(QFile::encodeName(lockPath).constData(), 1, 1), 0);
        } else if (before == QLatin1String("link")) {
            QVERIFY(held.tryLock(0) && QFile::link(folders.file("held"), lockPath));
        }
        const QString kind = file.section('.', 0, 0);
        const QString path = makeNoProgram(kind, folders.file(file));
        if (kind == QLatin1String("b") || kind == QLatin1String("large"))
            writeFile(path, kind == QLatin1String("b") ? "G1 Y2\n" : QByteArray(101, 'X'));
        setEditorMemory(48 * 100); // 100 bytes or 6 lines
        const auto restore = qScopeGuard([] { setEditorMemory(0); });
        frmMain frame;
        QVERIFY(frame.startUp() && frame.IsFirstInstance);
        if (before == QLatin1String("socket"))
            QCOMPARE(::lchown(QFile::encodeName(FileHandOver::socketPath()).constData(), 1, 1), 0);
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        {
            frmMain second;
            QVERIFY(!second.startUp({path}));
            QVERIFY(!second.isVisible() && second.programWindows().isEmpty());
        }
        const QStringList expected = windows.arg(path).split(';');
        QTRY_COMPARE(titles(frame), expected);
        QTRY_COMPARE(dialogs.messages,
                     message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
        QCOMPARE(frame.isMinimized(), expected.size() == 1); // forward with its new window
        QVERIFY(frame.close());
    }

    void handOverRequests_data()
    {
        QTest::addColumn<QByteArray>("request"); // "%1" stands for a file that exists
        QTest::addColumn<bool>("hangsUp");
        QTest::addColumn<int>("opened");
        QTest::newRow("two files") << QByteArrayLiteral("%1\0%1\0") << true << 2;
        QTest::newRow("missing, relative and undecodable left out")
            << QByteArrayLiteral("/no/such.nc\0%1\0a.nc\0/\xff\xfe.nc\0") << true << 1;
        QByteArray noise(FileHandOver::kMaxRequestBytes, '\0');
        QRandomGenerator(20).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("random bytes") << noise << true << 0;
        const QByteArray one = QByteArrayLiteral("%1\0");
        QTest::newRow("more bytes than a request holds")
            << one.repeated(FileHandOver::kMaxRequestBytes / 4) << true << 0;
        QTest::newRow("more files than a request holds")
            << one.repeated(FileHandOver::kMaxRequestFiles + 1) << true << 0;
        QTest::newRow("not ended") << QByteArrayLiteral("%1\0%1") << true << 0;
        QTest::newRow("never hangs up") << one << false << 0;
        QTest::newRow("hangs up at once") << QByteArray() << true << 0;
        // "%r": the file's name relative to the running copy's folder.
        QTest::newRow("relative name of a file that is there") << QByteArray("%r") << true << 0;
        // "%u": a name that does not decode, whose decoded form is a file that is there.
        QTest::newRow("undecodable name") << QByteArray("%u") << true << 0;
        // "%B": the file's name, led by slashes, as often as makes the bound exactly.
        QTest::newRow("exactly the bound") << QByteArrayLiteral("%B") << true << 17;
        QTest::newRow("past the bound after a whole name") << "%B" + one << true << 0;
    }

    // A request is taken whole or not at all; a connection that stays open is dropped.
    void handOverRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, hangsUp);
        QFETCH(int, opened);
        TestFolders folders;
        const QString file = writeFile(folders.file(QStringLiteral("a.nc")), "M30\n");
        FileHandOver door;
        door.setConnectionLimitMs(hangsUp ? 60000 : 50);
        QVERIFY(door.listen());
        QSignalSpy arrived(&door, &FileHandOver::filesArrived);
        QSignalSpy ended(&door, &FileHandOver::connectionEnded);
        QLocalSocket client;
        client.connectToServer(FileHandOver::socketPath());
        QVERIFY(client.waitForConnected(3000));
        const QByteArray name = QFile::encodeName(file);
        QByteArray bound;
        for (int i = 0; i < 17; ++i) // a name is at most PATH_MAX
            bound += QByteArray(FileHandOver::kMaxRequestBytes / 17 - name.size() - 1 +
                                    (i ? 0 : FileHandOver::kMaxRequestBytes % 17),
                                '/') +
                     name + '\0';
        request.replace("%r", QFile::encodeName(QDir::current().relativeFilePath(file)) + '\0');
        writeFile(folders.file(QString(2, QChar(0xFFFD)) + ".nc"), "M30\n");
        request.replace("%u", QFile::encodeName(QFileInfo(file).path()) + "/\xff\xfe.nc" + '\0');
        client.write(request.replace("%B", bound).replace("%1", name));
        if (hangsUp)
            client.disconnectFromServer();
        QTRY_COMPARE(ended.size(), 1);
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QStringList files = arrived.isEmpty() ? QStringList() : arrived[0][0].toStringList();
        std::transform(files.begin(), files.end(), files.begin(), QDir::cleanPath);
        QCOMPARE(files, QStringList(opened, file));
        QCOMPARE(arrived.size(), opened > 0 ? 1 : 0);
    }

    // Connections beyond the bound are dropped at once; one that ends frees its place.
    void handOverConnectionBound()
    {
        TestFolders folders;
        FileHandOver door;
        QVERIFY(door.listen());
        QSignalSpy arrived(&door, &FileHandOver::filesArrived);
        QSignalSpy ended(&door, &FileHandOver::connectionEnded);
        std::vector<std::unique_ptr<QLocalSocket>> open;
        const auto connectOne = [&] {
            open.push_back(std::make_unique<QLocalSocket>());
            open.back()->connectToServer(FileHandOver::socketPath());
            return open.back()->waitForConnected(3000);
        };
        for (int i = 0; i <= FileHandOver::kMaxConnections; ++i)
            QVERIFY(connectOne());
        QTRY_COMPARE(ended.size(), 1);
        QTRY_COMPARE(open.back()->state(), QLocalSocket::UnconnectedState);
        open.front()->disconnectFromServer();
        QTRY_COMPARE(ended.size(), 2);
        QVERIFY(connectOne());
        open.back()->write(QFile::encodeName(writeFile(folders.file("a.nc"), "M30\n")) + '\0');
        open.back()->disconnectFromServer();
        QTRY_COMPARE(arrived.size(), 1);
        QCOMPARE(ended.size(), 3);
    }

    void handOverSplitsTheRequests_data()
    {
        QTest::addColumn<int>("count"); // files, of distinct names
        QTest::addColumn<int>("bytes"); // of the absolute names with their NULs; 0: short
        QTest::addColumn<int>("requests");
        const int files = FileHandOver::kMaxRequestFiles;
        const int bytes = int(FileHandOver::kMaxRequestBytes);
        QTest::newRow("a relative name from another folder") << 1 << 0 << 1;
        QTest::newRow("one request full of files") << files << 0 << 1;
        QTest::newRow("one file more: two requests") << files + 1 << 0 << 2;
        QTest::newRow("one request full of bytes") << 18 << bytes << 1;
        QTest::newRow("one byte more: two requests") << 18 << bytes + 1 << 2;
    }

    // A second start hands its files over by their absolute paths, in requests within the
    // bounds; it hangs up before the running copy serves it.
    void handOverSplitsTheRequests()
    {
        QFETCH(int, count);
        QFETCH(int, bytes);
        QFETCH(int, requests);
        TestFolders folders;
        QString deep = folders.file(QStringLiteral("d"));
        while (bytes && deep.size() < 3400) // a name is at most PATH_MAX
            deep += QLatin1Char('/') + QString(200, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        QStringList files, given;
        for (int i = 0; i < count; ++i) {
            const int size = bytes ? bytes / count + (i < bytes % count) - 2 - int(deep.size()) : 1;
            files << writeFile(deep + '/' + QString::number(i).rightJustified(size, 'f'), "M30\n");
            given << (bytes ? files.last() : QFileInfo(files.last()).fileName());
        }
        FileHandOver door;
        QVERIFY(door.listen());
        QSignalSpy arrived(&door, &FileHandOver::filesArrived);
        const QString was = QDir::currentPath();
        const auto back = qScopeGuard([&was] { QDir::setCurrent(was); });
        QVERIFY(QDir::setCurrent(deep));
        QVERIFY(FileHandOver::handOver(given));
        QTRY_COMPARE(arrived.size(), requests);
        QStringList got;
        for (const QList<QVariant> &signal : arrived)
            got += signal[0].toStringList();
        QCOMPARE(got, files);
    }

    void privateFolder_data()
    {
        // $XDG_RUNTIME_DIR unset, relative, or what is there; in the cache: nothing, a folder
        // with a mode, another user's, a link to a private folder, or a file.
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("chosen"); // runtime, fallback or none
        const auto row = [](const char *name, const char *runtime, const char *fallback,
                            const char *chosen) {
            QTest::newRow(name) << runtime << fallback << chosen;
        };
        row("private runtime folder", "0700", "", "runtime");
        row("no runtime folder (su, ssh, cron)", "unset", "", "fallback");
        row("runtime folder open to all", "0777", "", "fallback");
        row("runtime folder open to the group", "0750", "", "fallback");
        row("another user's runtime folder", "uid1", "", "fallback");
        row("runtime folder through a link", "link", "", "fallback");
        row("relative runtime folder", "relative", "", "fallback");
        row("own fallback open to others is closed", "0777", "0755", "fallback");
        row("another user's fallback", "unset", "uid1", "none");
        row("fallback through a link", "unset", "link", "none");
        row("a file as the fallback", "unset", "file", "none");
    }

    void privateFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, fallback);
        QFETCH(QString, chosen);
        if (geteuid() != 0 && (runtime == QLatin1String("uid1") || fallback == "uid1"))
            QSKIP("only root may give a folder away");
        const QByteArray saved[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("XDG_CACHE_HOME")};
        const auto restore = qScopeGuard([&saved] {
            qputenv("XDG_RUNTIME_DIR", saved[0]);
            qputenv("XDG_CACHE_HOME", saved[1]);
        });
        QTemporaryDir root;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
        const QString runtimePath = root.filePath(QStringLiteral("runtime"));
        const QString fallbackPath =
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/run";
        for (const auto &[path, kind] :
             {std::pair(runtimePath, runtime), {fallbackPath, fallback}}) {
            QDir().mkpath(QFileInfo(path).path());
            const QString folder = kind == QLatin1String("link") ? path + ".target" : path;
            const QByteArray name = QFile::encodeName(folder);
            const uint mode = kind.startsWith('0') ? kind.toUInt(nullptr, 8) : 0700;
            if (kind == QLatin1String("file"))
                writeFile(path, "");
            else if (kind.startsWith('0') || kind == "uid1" || kind == "link")
                QCOMPARE(::mkdir(name.constData(), 0700) + ::chmod(name.constData(), mode), 0);
            if (kind == QLatin1String("link"))
                QVERIFY(QFile::link(folder, path));
            if (kind == QLatin1String("uid1"))
                QCOMPARE(::chown(name.constData(), 1, 1), 0);
        }
        if (runtime == QLatin1String("unset"))
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtime == QLatin1String("relative")
                                           ? QByteArray("runtime")
                                           : QFile::encodeName(runtimePath));
        const QString folder = runtimeFolder();
        QCOMPARE(folder, chosen == QLatin1String("runtime")    ? runtimePath
                         : chosen == QLatin1String("fallback") ? fallbackPath
                                                               : QString());
        struct stat st {};
        QVERIFY(folder.isEmpty() ||
                (::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
                 st.st_uid == geteuid() && (st.st_mode & 0777) == 0700));
    }

    void commandLine()
    {
        // Arguments; prints and ends; options the window system sees; files after "--".
        const std::tuple<const char *, bool, int, const char *> rows[] = {
            {"--help", true, 2, ""},
            {"--version", true, 2, ""},
            {"a.nc -v", true, 3, ""},
            {"-h -- c.nc", true, 2, "c.nc"},   // help before the end
            {"-- --help", false, 1, "--help"}, // help after the end is a file
            {"b.nc -- -platform x --", false, 2, "-platform x --"},
        };
        for (const auto &[arguments, printsAndEnds, optionCount, files] : rows) {
            const QList<QByteArray> bytes = QByteArray("kordavel ").append(arguments).split(' ');
            std::vector<const char *> argv;
            for (const QByteArray &argument : bytes)
                argv.push_back(argument.constData());
            const CommandLine line = splitCommandLine(int(argv.size()), argv.data());
            QVERIFY2(line.printsAndEnds == printsAndEnds && line.optionCount == optionCount,
                     arguments);
            QCOMPARE(line.files, QString(files).split(' ', Qt::SkipEmptyParts));
        }
    }

    // The offsets in the sources (texts, questions, status codes, relabelling tables) and
    // of every error number.
    void everyOffsetInUseHasAllThreeLanguages()
    {
        const QRegularExpression uses(
            QStringLiteral(R"(GetString\([^;]*?,\s*(\d+)\s*\)|AskQuestion\((\d+)|Status\((\d+)\)|)"
                           R"(relabel\(\w+, (\d+), (\d+)|\{"\w+", (\d+)[,}])"));
        QMap<int, QString> used;
        QDirIterator it(QStringLiteral(KORDAVEL_TESTS_DIR "/../src"), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (it.filePath().contains(QLatin1String("/i18n/")) || !file.open(QIODevice::ReadOnly))
                continue;
            for (const auto &m : uses.globalMatch(QString::fromUtf8(file.readAll())))
                for (int group = 1; group <= m.lastCapturedIndex(); ++group)
                    if (m.hasCaptured(group))
                        used.insert(m.captured(group).toInt(), it.fileName() + ": " + m.captured());
        }
        QVERIFY2(used.size() > 100, "the sources were not found or their calls changed shape");
        for (int number = 0; number < 10000; ++number)
            used.insert(errorOffset(number), "errorOffset(" + QString::number(number) + ')');
        for (int event = 0; event < 1100; ++event)
            used.insert(lineErrorOffset(qint16(event)), QStringLiteral("lineErrorOffset"));
        for (auto it = used.cbegin(); it != used.cend(); ++it)
            for (int language = 1; language <= 3; ++language)
                QVERIFY2(loadString(10000 + 1000 * language + it.key()),
                         qPrintable(QString::number(language) + " lacks " + it.value()));
    }

    // What the program puts into a text or reads from it must be there in every language.
    void languagesAgree()
    {
        const QRegularExpression accelerator(QStringLiteral("&[^&]"));
        const auto placeholders = [](const QString &text) {
            QStringList out;
            for (const auto &m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text))
                out << m.captured();
            out.sort();
            return out;
        };
        for (int id : stringIdentifiers()) {
            if (id >= 12000)
                continue;
            const QString en = *loadString(id);
            for (int other : {id + 1000, id + 2000}) {
                const std::optional<QString> text = loadString(other);
                const QByteArray where = QByteArray::number(other);
                QVERIFY2(text, where);
                QVERIFY2(!text->trimmed().isEmpty() || en.trimmed().isEmpty(), where);
                QVERIFY2(placeholders(*text) == placeholders(en), where);
                QVERIFY2(text->count(accelerator) == en.count(accelerator), where);
                QVERIFY2(text->startsWith(' ') == en.startsWith(' '), where);
            }
        }
    }

    // A text by language and offset; the default where there is none. Blanks are kept. A
    // change of language walks the windows but the first, the frame, which relabels itself;
    // the walk stops at a failure.
    void languageSwitch()
    {
        const LanguageGuard english;
        const std::tuple<int, int, const char *> rows[] = {
            {1, 232, "Save file?"},   {2, 1, "Готов"},     {3, 401, " ya esta en uso"},
            {3, 209, "==> Simbolo "}, {1, 230, "DEFAULT"}, {0, 1, "DEFAULT"},
            {4, 1, "DEFAULT"}};
        for (const auto &[number, offset, expected] : rows) {
            setLanguageNumber(qint16(number));
            QCOMPARE(GetString(QStringLiteral("DEFAULT"), offset), QString::fromUtf8(expected));
        }
        QStringList log;
        Window frame(&log, QStringLiteral("frame"));
        auto second = std::make_unique<Window>(&log, QStringLiteral("a"));
        Window third(&log, QStringLiteral("b"));
        QVERIFY(ChangeLanguage(2));
        QCOMPARE(log, (QStringList{"a:2", "b:2"}));
        second.reset();
        log.clear();
        QVERIFY(ChangeLanguage(3));
        QCOMPARE(log, QStringList{"b:3"});
        Window failing(&log, QStringLiteral("c"), false);
        Window after(&log, QStringLiteral("d"));
        log.clear();
        QVERIFY(!ChangeLanguage(2));
        QCOMPARE(log, (QStringList{"b:2", "c:2"}));
        QCOMPARE(language(), qint16(2));
    }
};

QTEST_MAIN(TstApp)
#include "tst_app.moc"
