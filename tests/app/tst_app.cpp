// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame: start-up, placement and shutdown against the settings store, a second
// copy; menus, toolbar and keys on the active program; the status panels; files, recent
// files and the manual; the hand-over of files from a second start, its private folder and
// socket; the command line; twips; the string table and the language switch.
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
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QDirIterator>
#include <QFileDialog>
#include <QLocalSocket>
#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

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

// Stores "Key=value;..." in the section [Settings]; for a session's preparation.
std::function<void()> store(const QString &list)
{
    return [list] {
        for (const QString &pair : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            SaveSetting(QStringLiteral("Settings"), pair.section('=', 0, 0), pair.section('=', 1));
    };
}

QVariantMap stored(const FrameSession &s)
{
    QSettings store(s.folders.settingsFile(), QSettings::IniFormat);
    QVariantMap out;
    for (const QString &key : store.allKeys())
        out.insert(key, store.value(key));
    return out;
}

// The captions of the File menu's recent entries in view.
QStringList recentEntries(const frmMain &frame)
{
    QStringList out;
    for (int i = 1; i <= RecentFiles::kMaximum; ++i)
        if (QAction *entry = frame.menuEntry(QStringLiteral("mnuFileRecent%1").arg(i));
            entry->isVisible())
            out << entry->text();
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

// Runs a menu entry ("mnu…"), an entry of the editor's right-click menu ("menu:mnu…") or a
// toolbar button.
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

// The offsets written in the sources: GetString calls, questions, status codes, and the
// relabelling tables of the frame and the line settings.
QMap<int, QString> offsetsInTheSources()
{
    const QRegularExpression uses(
        QStringLiteral(R"(GetString\([^;]*?,\s*(\d+)\s*\)|AskQuestion\((\d+)|Status\((\d+)\)|)"
                       R"(relabel\(\w+, (\d+), (\d+)|\{"\w+", (\d+)[,}])"));
    QMap<int, QString> found;
    QDirIterator it(QStringLiteral(KORDAVEL_TESTS_DIR "/../src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (it.filePath().contains(QLatin1String("/i18n/")) || !file.open(QIODevice::ReadOnly))
            continue;
        for (const QRegularExpressionMatch &m : uses.globalMatch(QString::fromUtf8(file.readAll())))
            for (int group = 1; group <= m.lastCapturedIndex(); ++group)
                if (m.hasCaptured(group))
                    found.insert(m.captured(group).toInt(), it.fileName() + ": " + m.captured());
    }
    return found;
}

QStringList placeholders(const QString &text)
{
    QStringList out;
    for (const auto &m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text))
        out << m.captured();
    out.sort();
    return out;
}

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
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QRect>("twips"); // the outer rectangle expected; none: maximized
        const auto row = [](const char *name, const char *settings, QRect twips = {}) {
            QTest::newRow(name) << QString::fromLatin1(settings) << twips;
        };
        row("new user", "");
        row("maximized", "WindowState=2;MainLeft=1500");
        row("a state that is not a number is maximized", "WindowState=max");
        row("normal", "WindowState=0;MainLeft=1440;MainTop=720;MainWidth=9000;MainHeight=7200",
            {1440, 720, 9000, 7200});
        row("minimized is treated as normal",
            "WindowState=1;MainLeft=300;MainTop=300;MainWidth=8400;MainHeight=6000",
            {300, 300, 8400, 6000});
        row("values that are not numbers fall back",
            "WindowState=0;MainLeft=left;MainTop=12abc;MainWidth=;MainHeight=7200",
            {1000, 1000, 6500, 7200});
        // Lengths beyond an int are cut to four desktops.
        const QRect d = QGuiApplication::primaryScreen()->virtualGeometry();
        const QSize four = d.size() * 4;
        row("all four beyond an int",
            "WindowState=0;MainLeft=3e10;MainTop=3e10;MainWidth=3e10;MainHeight=3e10",
            QRect(qRound(pixelsToTwipsX(d.right() + four.width())),
                  qRound(pixelsToTwipsY(d.bottom() + four.height())),
                  qRound(pixelsToTwipsX(four.width())), qRound(pixelsToTwipsY(four.height()))));
    }

    // Moved by the user, the frame keeps its new place for the next start.
    void startUpPlacement()
    {
        QFETCH(QString, settings);
        QFETCH(QRect, twips);
        FrameSession s(store(settings));
        QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
        QVERIFY(s.frame->IsFirstInstance && s.program()->bFlagNew);
        QCOMPARE(s.frame->isMaximized(), twips.isNull());
        const QPoint place(twipsToPixelsX(2880), twipsToPixelsY(1440));
        if (!twips.isNull()) {
            QCOMPARE(s.frame->frameGeometry(),
                     QRect(twipsToPixelsX(twips.left()), twipsToPixelsY(twips.top()),
                           twipsToPixelsX(twips.width()), twipsToPixelsY(twips.height())));
            s.frame->move(place);
            QTRY_COMPARE(s.frame->frameGeometry().topLeft(), place);
        }
        const QRect outer = s.frame->frameGeometry();
        QVERIFY(s.frame->close());
        QTRY_COMPARE(ProgramWindowCount, 0);
        const QVariantMap after = stored(s);
        QCOMPARE(after.value("Settings/Language").toString(), QStringLiteral("1"));
        QCOMPARE(after.value("Settings/WindowState").toString(),
                 QString::fromLatin1(twips.isNull() ? "2" : "0"));
        if (twips.isNull())
            return;
        const double expected[] = {2880, 1440, pixelsToTwipsX(outer.width()),
                                   pixelsToTwipsY(outer.height())};
        const char *keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(after.value(QLatin1String("Settings/") + keys[i]).toDouble() -
                              expected[i]) < 16,
                     keys[i]);
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
        // Stored as "0N", so that a write of the language shows.
        FrameSession s(store(
            QStringLiteral("WindowState=0;MainLeft=1440;MainTop=1440;Language=0%1").arg(language)));
        QVariantMap after = stored(s);
        after.insert(QStringLiteral("Settings/Language"), QString::number(language));
        {
            frmMain second;
            QVERIFY(!second.startUp() && !second.IsFirstInstance && !second.isVisible());
            QVERIFY(second.programWindows().isEmpty());
            QCOMPARE(s.dialogs.messages, QStringList{GetString({}, 0) + GetString({}, 401)});
            QCOMPARE(s.dialogs.lastIcon, MsgIcon::Critical);
            QCOMPARE(stored(s), after);
        }
        QCOMPARE(ProgramWindowCount, 1);
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
        const int other = language % 3 + 1;
        frame.changeLanguage(qint16(other));
        after.insert(QStringLiteral("Settings/Language"), QString::number(other));
        QCOMPARE(stored(s), after);
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        QVERIFY(frame.close());
        QCOMPARE(stored(s), after);
    }

    // With no program window the entries for one are hidden, and their shortcuts do nothing.
    void withoutWindowsOnlyFrameEntriesAct()
    {
        FrameSession s;
        frmMain &frame = *s.frame;
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        const QStringList document{"mnuFileClose",     "mnuFileSave",   "mnuFileSaveAs",
                                   "mnuFilePrint",     "mnuEdit",       "mnuEditPaste",
                                   "mnuFormat",        "mnuFormatBold", "mnuProgram",
                                   "mnuCommunication", "mnuWindow"};
        const QStringList always{"mnuFile",  "mnuFileNew",      "mnuFileOpen", "mnuFileExit",
                                 "mnuTools", "mnuToolsOptions", "mnuHelp",     "mnuHelpAbout"};
        const auto visible = [&](const QStringList &names, bool shown) {
            for (const QString &name : names)
                QVERIFY2(frame.menuEntry(name)->isVisible() == shown, qPrintable(name));
        };
        visible(document + always, true);
        QVERIFY(frame.mdiArea()->currentSubWindow()->close());
        QTRY_COMPARE(ProgramWindowCount, 0);
        visible(document, false);
        visible(always, true);
        QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier); // Print
        QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier); // Save
        QVERIFY(s.dialogs.calls.isEmpty());
        QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier); // New stays
        QCOMPARE(ProgramWindowCount, 1);
        visible(document, true);
        QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(s.dialogs.calls, QStringList{QStringLiteral("print:all")});
        for (const char *name : {"mnuCommunicationRemote", "mnuHelpIndex", "mnuHelpSearch"})
            QVERIFY(!frame.menuEntry(QLatin1String(name))->isEnabled()); // greyed, never chosen
    }

    void quitWaitsForALongSave_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("written: the quit goes on") << false;
        QTest::newRow("read-only file: the quit stops") << true;
    }

    // Quitting with Yes on a long program: the quit goes on once the file is written, and
    // asks the next window; a failed save keeps its window, its text and the frame.
    void quitWaitsForALongSave()
    {
        QFETCH(bool, readOnly);
        const auto restore = qScopeGuard([] { setSlicedSaveCharacters(0); });
        setSlicedSaveCharacters(1000);
        FrameSession s;
        s.frame->NewProgramWindow(0);
        const QList<frmProgram *> windows = s.frame->programWindows();
        const QString path = writeFile(s.folders.file(QStringLiteral("long.nc")), "OLD\r\n");
        if (readOnly)
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        const QString program = QString("G01 X1.5\r\n").repeated(3000) + "M30";
        windows[0]->setWindowTitle(path);
        windows[0]->bFlagNew = false;
        windows[0]->rtfText->setText(program);
        windows[0]->rtfText->setFileFormat(FileFormat::PlainText);
        windows[1]->rtfText->setText(QStringLiteral("G01 X10"));
        answerNextQuestion(clickYes());
        QVERIFY(!s.frame->close());
        const QPointer<frmProgram> saving = windows[0];
        QVERIFY(saving->isSaving());
        if (!readOnly)
            answerNextQuestion(clickNo()); // the second window, once the quit goes on
        QTRY_VERIFY(!saving || !saving->isSaving());
        if (!readOnly) {
            QTRY_VERIFY(!s.frame->isVisible());
            QCOMPARE(ProgramWindowCount, 0);
            QCOMPARE(readFile(path), program.toLatin1());
            return;
        }
        QCOMPARE(readFile(path), QByteArray("OLD\r\n"));
        QCOMPARE(s.dialogs.messages.size(), 1);
        QCOMPARE(s.frame->programWindows().size(), 2);
        QCOMPARE(saving->rtfText->text(), program);
        QVERIFY(s.frame->isVisible());
    }

    // Captions count on and are never reused; at shutdown a window that refuses stops it.
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
        QCOMPARE(s.program()->windowTitle(), QStringLiteral("Program 3"));
        s.frame->programWindows().first()->rtfText->setText(QStringLiteral("G01 X10"));
        // The first window asks and the user cancels: nothing closes, nothing is written.
        QuestionSeen seen;
        answerNextQuestion(clickCancel(), &seen);
        QVERIFY(!s.frame->close());
        QVERIFY(seen.shown);
        QCOMPARE(s.frame->programWindows().size(), 2);
        QVERIFY(!QFile::exists(s.folders.settingsFile()));
        answerNextQuestion(clickNo());
        QVERIFY(s.frame->close());
        QTRY_COMPARE(ProgramWindowCount, 0);
        QVERIFY(QFile::exists(s.folders.settingsFile()));
    }

    // A changed program shows a "*" after its caption until it is saved or its changes are
    // undone; the caption itself stays the file's name.
    void captionShowsUnsavedChanges()
    {
        FrameSession s;
        frmProgram *program = s.program();
        RichTextBox *editor = s.editor();
        const auto shows = [&](const QString &caption) {
            return program->parentWidget()->windowTitle() == caption &&
                   program->shownCaption() == caption;
        };
        QTest::keyClicks(editor, QStringLiteral("g1"));
        QVERIFY(shows(QStringLiteral("Program 1*")));
        QCOMPARE(program->windowTitle(), QStringLiteral("Program 1"));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(shows(QStringLiteral("Program 1")));
        QTest::keyClicks(editor, QStringLiteral("m30"));
        const QString path = s.folders.file(QStringLiteral("part.dnc"));
        s.dialogs.saveAnswers << path;
        s.trigger("mnuFileSave");
        QVERIFY(shows(path));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(shows(path + QLatin1Char('*')));
        s.trigger("mnuFileSave");
        QVERIFY(shows(path));
    }

    void caretPanel_data()
    {
        QTest::addColumn<QString>("keys"); // {name}: a key as QKeySequence spells it
        QTest::addColumn<QString>("shown");
        QTest::newRow("typed") << "g1 x5{Return}m30"
                               << "Ln 2, Col 4 (2 lines)";
        QTest::newRow("up") << "g1 x5{Return}m30{Up}"
                            << "Ln 1, Col 4 (2 lines)";
        QTest::newRow("home") << "g1 x5{Return}m30{Home}"
                              << "Ln 2, Col 1 (2 lines)";
        QTest::newRow("backspace joins") << "g1{Return}{Backspace}"
                                         << "Ln 1, Col 3 (1 lines)";
    }

    void caretPanel()
    {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        FrameSession s;
        auto *panel = s.frame->findChild<QLabel *>(QStringLiteral("caretPanel"));
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (1 lines)"));
        const QRegularExpression token(QStringLiteral("\\{([^}]+)\\}|(.)"));
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            if (m.capturedLength(2))
                QTest::keyClick(s.editor(), m.captured(2).at(0).toLatin1());
            else
                QTest::keySequence(s.editor(), QKeySequence(m.captured(1)));
        }
        QCOMPARE(panel->text(), shown);
    }

    // The panel follows the active window, the caret of a send (which selects each piece as
    // it leaves, in the locked text), the language, and is empty without a window.
    void caretPanelFollowsTheWindow()
    {
        FrameSession s;
        auto *panel = s.frame->findChild<QLabel *>(QStringLiteral("caretPanel"));
        RichTextBox *first = s.editor();
        first->setText(QStringLiteral("G1 X5\r\nG1 X6\r\nM30"));
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (3 lines)"));
        first->setLocked(true);
        first->select(7, 4);
        QCOMPARE(panel->text(), QStringLiteral("Ln 2, Col 5 (3 lines)"));
        first->setLocked(false);
        s.frame->NewProgramWindow(0);
        QCOMPARE(panel->text(), QStringLiteral("Ln 1, Col 1 (1 lines)"));
        s.frame->mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow *>(first->parentWidget()->parentWidget()));
        QCOMPARE(panel->text(), QStringLiteral("Ln 2, Col 5 (3 lines)"));
        s.frame->changeLanguage(2);
        QCOMPARE(panel->text(), QStringLiteral("Ред 2, кол. 5 (3 реда)"));
        for (frmProgram *program : s.frame->programWindows()) {
            if (program->isModified())
                answerNextQuestion(clickNo());
            program->parentWidget()->close();
        }
        QTRY_COMPARE(ProgramWindowCount, 0);
        QCOMPARE(panel->text(), QString());
    }

    // INS follows the active editor, by the panels' own timer; the offscreen platform tells
    // no lock state, so NUM, CAPS and SCRL are greyed; the date is a date near today.
    void keyStatePanels()
    {
        FrameSession s;
        auto *panels = s.frame->findChild<KeyStatePanels *>();
        QVERIFY(panels && panels->ins->isEnabled());
        QTest::keyClick(s.editor(), Qt::Key_Insert);
        QVERIFY(s.editor()->overwriteMode());
        QTRY_VERIFY(!panels->ins->isEnabled());
        QVERIFY(!panels->num->isEnabled() && !panels->caps->isEnabled());
        QVERIFY(!panels->scrl->isEnabled());
        QStringList days; // the panel may have been filled before midnight
        for (int day = -1; day <= 0; ++day)
            days << QLocale::system().toString(QDate::currentDate().addDays(day),
                                               QLocale::ShortFormat);
        QVERIFY2(days.contains(panels->date->text()), qPrintable(panels->date->text()));
        s.frame->NewProgramWindow(0);
        QTRY_VERIFY(panels->ins->isEnabled());
    }

    void commandsOnTheText_data()
    {
        // The state after the command on "G01 X10", its first word selected, "CLIP" on the
        // clipboard: text|selection|clipboard (+rtf: with its rich flavour)|formats of the
        // selection (B, I, U) and buttons down (b, i, u).
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("after");
        const auto row = [](const char *command, const char *after) {
            QTest::newRow(command) << QString::fromLatin1(command) << QString::fromLatin1(after);
        };
        for (const char *undo : {"mnuEditUndo", "Undo", "menu:mnuEditUndo"})
            row(undo, "|0,0|CLIP|");
        for (const char *cut : {"mnuEditCut", "Cut"})
            row(cut, " X10|0,0|G01+rtf|");
        for (const char *copy : {"mnuEditCopy", "Copy", "menu:mnuEditCopy"})
            row(copy, "G01 X10|0,3|G01+rtf|");
        for (const char *paste : {"mnuEditPaste", "Paste", "menu:mnuEditPaste"})
            row(paste, "CLIP X10|4,0|CLIP|");
        for (const char *all : {"mnuEditSelectAll", "menu:mnuEditSelectAll"})
            row(all, "G01 X10|0,7|CLIP|");
        row("mnuFormatBold", "G01 X10|0,3|CLIP|Bb");
        row("Bold", "G01 X10|0,3|CLIP|Bb");
        row("mnuFormatItalic", "G01 X10|0,3|CLIP|Ii");
        row("mnuFormatUnderline", "G01 X10|0,3|CLIP|Uu");
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
            QString out =
                editor->text() +
                QStringLiteral("|%1,%2|").arg(editor->selStart()).arg(editor->selLength());
            const QMimeData *mime = QApplication::clipboard()->mimeData();
            out += mime->text() + (mime->hasFormat("text/rtf") ? "+rtf|" : "|");
            const TriState set[] = {editor->selBold(), editor->selItalic(), editor->selUnderline()};
            for (int i = 0; i < 3; ++i)
                out += set[i] == TriState::All ? QString(QLatin1Char("BIU"[i])) : QString();
            for (const char *key : {"Bold", "Italic", "Underline"})
                if (s.frame->buttonValue(QLatin1String(key)) ||
                    s.frame->toolbarButton(QLatin1String(key))->isChecked())
                    out += QChar(QLatin1Char(key[0])).toLower();
            return out;
        };
        QTest::keyClicks(editor, QStringLiteral("g01 x10"));
        editor->select(0, 3);
        QApplication::clipboard()->setText(QStringLiteral("CLIP"));
        const QString before = state();
        const QByteArray rtf = editor->textRTF();
        editor->setLocked(true);
        run(s, command);
        QCOMPARE(state(), before);
        QCOMPARE(editor->textRTF(), rtf);
        QVERIFY(!s.dialogs.calls.contains(QStringLiteral("font")));
        editor->setLocked(false);
        run(s, command);
        QCOMPARE(state(), after);
    }

    // Undo and Redo, in the menu and on the toolbar, can be chosen exactly when they can act:
    // the active window's editor has a step to take and is not locked. The keys take the
    // same steps; Clean then Numbering come back one at a time.
    void undoRedoCommands()
    {
        FrameSession s;
        frmMain &frame = *s.frame;
        RichTextBox *editor = s.editor();
        const auto states = [&] {
            QString out;
            for (const char *key : {"Undo", "Redo"}) {
                const bool on = frame.menuEntry(QStringLiteral("mnuEdit") + key)->isEnabled();
                const bool button = frame.toolbarButton(QLatin1String(key))->isEnabled();
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
        QMdiSubWindow *first = frame.mdiArea()->currentSubWindow();
        frame.NewProgramWindow(0);
        QCOMPARE(states(), QStringLiteral("00"));
        frame.mdiArea()->setActiveSubWindow(first);
        QCOMPARE(states(), QStringLiteral("10"));
        editor->setText(QStringLiteral("N1 G90\r\n\r\nM30\r\n"));
        const auto answer = [](auto &dialog) { dialog.cmdOK->click(); };
        onNextDialog<frmClean>(answer);
        s.trigger("mnuProgramClean");
        onNextDialog<frmNumbering>(answer);
        s.trigger("mnuProgramNumbering");
        QCOMPARE(editor->text(), QStringLiteral("N10 G90\r\nN20 M30\r\n"));
        s.trigger("mnuEditUndo");
        QCOMPARE(editor->text(), QStringLiteral("N1 G90\r\nM30\r\n"));
        s.trigger("mnuEditUndo");
        QCOMPARE(editor->text(), QStringLiteral("N1 G90\r\n\r\nM30\r\n"));
    }

    void toolsSwitches_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("colours") << "Highlight";
        QTest::newRow("line numbers") << "LineNumbers";
    }

    // Tools > colours or line numbers: off in every window, the new ones too, and stored.
    void toolsSwitches()
    {
        QFETCH(QString, key);
        FrameSession s;
        s.frame->NewProgramWindow(0);
        const auto on = [&key](RichTextBox *editor) {
            return key == QLatin1String("Highlight") ? editor->highlighting()
                                                     : editor->lineNumbers();
        };
        QVERIFY(on(s.editor()));
        s.frame->menuEntry("mnuTools" + key)->trigger();
        s.frame->NewProgramWindow(0);
        for (frmProgram *program : s.frame->programWindows())
            QVERIFY(!on(program->rtfText));
        QCOMPARE(GetSetting(QStringLiteral("Settings"), key, QString()), QStringLiteral("0"));
    }

    void formatToggles_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("fromToolbar");
        for (const char *key : {"Bold", "Italic", "Underline"}) {
            QTest::addRow("%s menu", key) << QString::fromLatin1(key) << false;
            QTest::addRow("%s toolbar", key) << QString::fromLatin1(key) << true;
        }
    }

    // The button shows the state of the whole selection: down only if all of it is set; a
    // selection only partly set is set throughout; a caret follows the character before it.
    void formatToggles()
    {
        QFETCH(QString, key);
        QFETCH(bool, fromToolbar);
        FrameSession s;
        RichTextBox *editor = s.editor();
        editor->setText(QStringLiteral("G01 X10\r\nM30"));
        const auto state = [&] {
            return key == QLatin1String("Bold")     ? editor->selBold()
                   : key == QLatin1String("Italic") ? editor->selItalic()
                                                    : editor->selUnderline();
        };
        const auto toggle = [&] { run(s, fromToolbar ? key : QStringLiteral("mnuFormat") + key); };
        const auto shows = [&](bool down) {
            return s.frame->buttonValue(key) == down &&
                   s.frame->toolbarButton(key)->isChecked() == down;
        };
        const auto check = [&](int start, int length, TriState set) {
            editor->select(start, length);
            return state() == set && shows(set == TriState::All);
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
        QCOMPARE(editor->text(), QStringLiteral("G01 X10\r\nM30"));
        editor->select(0, 3);
        toggle();
        s.trigger("mnuEditUndo"); // the editor's own: it takes the last toggle back
        editor->select(0, 3);
        QCOMPARE(state(), TriState::None);
        toggle();
        QVERIFY(shows(true));
        s.frame->NewProgramWindow(0); // a new window starts with every button up
        QVERIFY(shows(false));
    }

    // Other programs that take plain text get the program, not RTF source; the formats go
    // with the rich flavour into another window.
    void copyBetweenWindows()
    {
        FrameSession s;
        RichTextBox *first = s.editor();
        first->setText(QStringLiteral("G01 X10\r\nM30"));
        first->select(0, 3);
        s.frame->formatToggle(QStringLiteral("Bold"));
        first->select(0, 9);
        s.frame->editCopy();
        const QMimeData *mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime->data(QStringLiteral("text/rtf")).startsWith("{\\rtf"));
        QCOMPARE(mime->text().replace(QLatin1String("\r\n"), QLatin1String("\n")),
                 QStringLiteral("G01 X10\n"));
        s.frame->NewProgramWindow(0);
        RichTextBox *second = s.editor();
        s.frame->editPaste();
        QCOMPARE(second->text(), QStringLiteral("G01 X10\r\n"));
        second->select(0, 3);
        QCOMPARE(second->selBold(), TriState::All);
        second->select(4, 3);
        QCOMPARE(second->selBold(), TriState::None);
        QCOMPARE(first->text(), QStringLiteral("G01 X10\r\nM30"));
    }

    void pasteFromOtherPrograms_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("expected"); // "*": the first character bold
        QTest::newRow("plain text") << QByteArray() << "G00 X1\nM30"
                                    << "G00 X1\r\nM30";
        QTest::newRow("rich flavour first") << QByteArray("{\\rtf1\\ansi {\\b G02}}") << "P"
                                            << "*G02";
        QTest::newRow("plain RTF source") << QByteArray() << "{\\rtf1\\ansi {\\b G03}}"
                                          << "*G03";
        QTest::newRow("braces are text") << QByteArray() << "{G04}"
                                         << "{G04}";
    }

    void pasteFromOtherPrograms()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, plain);
        QFETCH(QString, expected);
        FrameSession s;
        auto *mime = new QMimeData;
        if (!rtf.isEmpty())
            mime->setData(QStringLiteral("text/rtf"), rtf);
        mime->setText(plain);
        QApplication::clipboard()->setMimeData(mime);
        s.frame->editPaste();
        s.editor()->select(0, 1);
        const bool bold = s.editor()->selBold() == TriState::All;
        QCOMPARE((bold ? "*" : "") + s.editor()->text(), expected);
    }

    void openKeepsTheFileAsItWasAndFailures()
    {
        FrameSession s;
        const QString path =
            writeFile(s.folders.file(QStringLiteral("O1000.NC")), "%\nO1000\nG00 X0\n");
        s.frame->fileOpen(); // cancelled, or no name: no window
        s.dialogs.openAnswers << QString();
        s.frame->fileOpen();
        QCOMPARE(s.frame->programWindows().size(), 1);
        QCOMPARE(s.frame->NewWindowCounter, 1);
        s.dialogs.openAnswers << path;
        s.frame->fileOpen();
        QCOMPARE(s.dialogs.calls.last(), QStringLiteral("open:Open|") + programFileFilter());
        frmProgram *opened = s.program();
        QCOMPARE(opened->windowTitle(), path);
        QVERIFY(!opened->bFlagNew && !opened->isModified());
        opened->editor()->setSelStart(opened->editor()->textLength());
        QTest::keyClicks(opened->editor()->widget(), QStringLiteral("m30"));
        QVERIFY(opened->isModified());
        s.frame->toolbarButton(QStringLiteral("Save"))->trigger();
        QVERIFY(!opened->isModified());
        QCOMPARE(readFile(path), QByteArray("%\nO1000\nG00 X0\nM30"));
        // The next Open starts from the last name; a file that cannot be read leaves an empty
        // window with its numbered caption, which Save will not write under that caption, and
        // a message that says why.
        const QString missing = s.folders.file(QStringLiteral("missing.dnc"));
        s.dialogs.openAnswers << missing;
        s.frame->fileOpen();
        QCOMPARE(s.dialogs.lastStart.folder + '/' + s.dialogs.lastStart.fileName, path);
        QCOMPARE(titles(*s.frame).last(), QStringLiteral("Program 3|"));
        QVERIFY(s.program()->bFlagNew);
        QCOMPARE(s.dialogs.messages, QStringList{missing + "\nThe file does not exist."});
    }

    // Open, Send File and Save As start in the folder of the last program file used (kept in
    // the settings), on its entry of the filter; Save As proposes the program's own name.
    // The real dialog shows all that, its NC entry in the language chosen.
    void fileDialogsStartAtTheLastFile()
    {
        FrameSession s;
        QVERIFY(QDir(s.folders.file(QString())).mkpath(QStringLiteral("cam/old")));
        const QString cam = s.folders.file(QStringLiteral("cam"));
        const QString nc = writeFile(cam + QStringLiteral("/O1000.ngc"), "%\nO1000\nM30\n%\n");
        const auto startedAt = [&s](const QString &folder, int filter, const QString &name) {
            const FileDialogStart &start = s.dialogs.lastStart;
            return start.folder == folder && start.filterIndex == filter && start.fileName == name;
        };
        s.dialogs.openAnswers << nc;
        s.frame->fileOpen();
        QVERIFY(startedAt(QString(), 0, QString()));
        QCOMPARE(GetSetting(QStringLiteral("Settings"), QStringLiteral("LastFile"), QString()), nc);
        s.trigger("mnuFileNew");
        s.trigger("mnuFileSaveAs");
        QVERIFY(startedAt(cam, 1, QStringLiteral("Program 3.nc")));
        s.trigger("mnuCommunicationSendFile");
        QVERIFY(startedAt(cam, 1, QStringLiteral("O1000.ngc")));
        QCOMPARE(s.dialogs.calls.last(), QStringLiteral("open:Send File|") + programFileFilter());
        // Saved under a new name, the program is the last file used.
        const QString dnc = cam + QStringLiteral("/old/PART.DNC");
        s.dialogs.saveAnswers << dnc;
        s.trigger("mnuFileSaveAs");
        QCOMPARE(s.program()->windowTitle(), dnc);
        s.trigger("mnuFileOpen");
        QVERIFY(startedAt(cam + QStringLiteral("/old"), 0, QStringLiteral("PART.DNC")));
        // The real dialog.
        writeFile(cam + QStringLiteral("/O2000.tap"), "M30\n");
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
        QCOMPARE(shown,
                 (QStringList{cam, "NC програми (*.nc *.ngc *.tap *.cnc *.mpf *.eia *.gcode *.txt)",
                              "O1000.ngc"}));
    }

    void filesThatAreNoProgramsAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("handedOver"); // by a second start, else on the command line
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing, handed over") << "missing" << true << "The file does not exist.";
        QTest::newRow("folder") << "folder" << false << "This is a folder, not a file.";
        QTest::newRow("FIFO") << "fifo" << false << "This is not a file on the disk but a pipe";
        QTest::newRow("link to itself")
            << "loop" << false << "The file cannot be read. Too many levels of symbolic links";
        QTest::newRow("more than the editor holds, handed over")
            << "large" << true
            << "The file is too large for the editor on this computer, which opens programs of "
               "up to 0 MB or 6 lines. Communication > Send File sends it";
    }

    // Nothing hangs on a FIFO: each file that is no program leaves its empty numbered window
    // and a message that names it and says why; one not there is not handed over.
    void filesThatAreNoProgramsAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(bool, handedOver);
        QFETCH(QString, reason);
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString path = makeNoProgram(kind, folders.file(kind == "large" ? "p.dnc" : "p.nc"));
        if (kind == QLatin1String("large"))
            writeFile(path, QByteArray(101, 'X'));
        setEditorMemory(48 * 100); // 100 bytes or 6 lines
        const auto restore = qScopeGuard([] { setEditorMemory(0); });
        frmMain frame;
        QVERIFY(frame.startUp(handedOver ? QStringList() : QStringList{path}));
        if (handedOver) {
            frmMain second;
            QVERIFY(!second.startUp({path}));
        }
        QTRY_COMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().startsWith(path + '\n' + reason),
                 qPrintable(dialogs.messages.first()));
        QCOMPARE(titles(frame).size(), handedOver && kind != QLatin1String("missing") ? 2 : 1);
        QCOMPARE(titles(frame).last(), QStringLiteral("Program %1|").arg(titles(frame).size()));
        QVERIFY(frame.activeProgram()->bFlagNew);
        QVERIFY(frame.close());
    }

    // The font chosen goes to the selection; the next dialog shows the last choice, not the
    // selection's.
    void fontDialogRemembersItsLastChoice()
    {
        FrameSession s;
        RichTextBox *editor = s.editor();
        editor->setText(QStringLiteral("G01 X10"));
        editor->select(0, 3);
        const FontChoice choice{
            QStringLiteral("Liberation Mono"), 14, QColor(Qt::red), true, false, true, true};
        s.dialogs.fontAnswer = choice;
        s.frame->formatFont();
        QCOMPARE(editor->selFontName(), QStringLiteral("Liberation Mono"));
        QCOMPARE(editor->selFontSize(), 14.0);
        QCOMPARE(editor->selColor(), QColor(Qt::red));
        QCOMPARE(editor->selItalic(), TriState::None);
        QCOMPARE(editor->selStrikeThru(), TriState::All);
        editor->select(4, 3);
        s.dialogs.fontAnswer.reset();
        s.frame->formatFont();
        QCOMPARE(s.dialogs.fontShown.name, choice.name);
        QCOMPARE(s.dialogs.fontShown.color, choice.color);
        QVERIFY(s.dialogs.fontShown.strike);
        QCOMPARE(editor->selBold(), TriState::None);
    }

    void printToPdf_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("printed"); // the lines printed; the others must not be
        QTest::newRow("everything") << 0 << 0 << "G01 X10|G02 Y5|M30";
        QTest::newRow("the selection") << 9 << 8 << "G02 Y5";
    }

    void printToPdf()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, printed);
        FrameSession s;
        s.editor()->setText(QStringLiteral("G01 X10\r\nG02 Y5\r\nM30"));
        s.editor()->select(start, length);
        s.dialogs.printTo = s.folders.file(QStringLiteral("out.pdf"));
        s.frame->toolbarButton(QStringLiteral("Print"))->trigger();
        QCOMPARE(s.dialogs.calls, QStringList{length ? "print:selection" : "print:all"});
        QProcess pdf; // pdftotext, of poppler-utils
        pdf.start(QStringLiteral("pdftotext"), {s.dialogs.printTo, QStringLiteral("-")});
        QVERIFY(pdf.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
        for (const QString line : {"G01 X10", "G02 Y5", "M30"})
            QVERIFY2(text.contains(line) == printed.split('|').contains(line), qPrintable(text));
    }

    void arrangeLeavesMinimizedWindows_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("cascade") << "mnuWindowCascade";
        QTest::newRow("tile horizontal") << "mnuWindowTileHorizontal";
        QTest::newRow("tile vertical") << "mnuWindowTileVertical";
    }

    // Minimized windows stay where they are; the others cascade, or share the area whole.
    // After a cascade the last is in front, and a new window follows the last one shown.
    void arrangeLeavesMinimizedWindows()
    {
        QFETCH(QString, command);
        FrameSession s;
        s.frame->showNormal();
        const auto view = [&s] { return s.frame->mdiArea()->viewport(); };
        // An area that three tiles do not share evenly, either way.
        for (int extra = 0; extra < 3; ++extra) {
            s.frame->resize(QSize(640 + extra, 480 + extra));
            QTRY_COMPARE(s.frame->size(), QSize(640 + extra, 480 + extra));
            if (view()->width() % 3 && view()->height() % 3)
                break;
        }
        QVERIFY(view()->width() % 3 && view()->height() % 3);
        for (int i = 0; i < 3; ++i)
            s.frame->NewProgramWindow(0);
        QList<QMdiSubWindow *> subs = s.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        subs[1]->showMinimized();
        const QRect minimized = subs[1]->geometry();
        s.frame->mdiArea()->setActiveSubWindow(subs[0]);
        s.trigger(qPrintable(command));
        QCOMPARE(subs[1]->geometry(), minimized);
        QVERIFY(subs[1]->isMinimized());
        const QRect a = subs[0]->geometry(), b = subs[2]->geometry(), c = subs[3]->geometry();
        if (command != QLatin1String("mnuWindowCascade")) {
            QVERIFY(!a.intersects(b) && !b.intersects(c));
            QCOMPARE(a.united(b).united(c), view()->rect());
            QCOMPARE(a.width() == view()->width(), command.endsWith(QLatin1String("Horizontal")));
            return;
        }
        QVERIFY(b.x() > a.x() && b.y() > a.y() &&
                c.topLeft() - b.topLeft() == b.topLeft() - a.topLeft());
        QCOMPARE(s.frame->mdiArea()->activeSubWindow(), subs[3]);
        subs[3]->showMinimized();
        s.frame->NewProgramWindow(0);
        QCOMPARE(s.frame->mdiArea()->activeSubWindow()->pos(), c.topLeft());
    }

    void cascadeInsideTheArea_data()
    {
        QTest::addColumn<bool>("beforeShown");
        QTest::newRow("shown frame") << false;
        QTest::newRow("made at start-up") << true;
    }

    // Each window a step from the one before, or back at the top left when that step would
    // leave the area; windows made before the frame shows cascade again over its final size.
    void cascadeInsideTheArea()
    {
        QFETCH(bool, beforeShown);
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString file = QStringLiteral(KORDAVEL_TESTS_DIR "/data/haas_turn.nc");
        frmMain frame;
        QVERIFY(frame.startUp(beforeShown ? QStringList(10, file) : QStringList()));
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        for (int i = 0; !beforeShown && i < 9; ++i)
            i % 2 ? frame.menuEntry(QStringLiteral("mnuFileNew"))->trigger() : frame.openFile(file);
        const QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 10);
        const QRect area = frame.mdiArea()->viewport()->rect();
        QCOMPARE(subs[0]->pos(), area.topLeft());
        const QPoint step = subs[1]->pos() - subs[0]->pos();
        QVERIFY(step.x() > 10 && step.x() == step.y());
        int wraps = 0;
        for (int i = 1; i < subs.size(); ++i) {
            const QRect place = subs[i]->geometry();
            QVERIFY2(area.contains(place), qPrintable(QStringLiteral("window %1").arg(i + 1)));
            QCOMPARE(place.size(), area.size() * 3 / 4);
            const QRect next(subs[i - 1]->pos() + step, place.size());
            QCOMPARE(place.topLeft(), area.contains(next) ? next.topLeft() : area.topLeft());
            wraps += !area.contains(next);
        }
        QVERIFY(wraps > 0);
        QVERIFY(frame.close());
    }

    void cascadePlace_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("previous"); // (-1,-1): none
        QTest::addColumn<QRect>("placed");    // in the area (100, 50, 1000, 800), by steps of 30
        const QSize size(400, 300);
        QTest::newRow("first") << size << QPoint(-1, -1) << QRect(100, 50, 400, 300);
        QTest::newRow("next") << size << QPoint(100, 50) << QRect(130, 80, 400, 300);
        QTest::newRow("fits exactly") << size << QPoint(670, 520) << QRect(700, 550, 400, 300);
        QTest::newRow("a pixel too wide") << size << QPoint(671, 50) << QRect(100, 50, 400, 300);
        QTest::newRow("a pixel too low") << size << QPoint(100, 521) << QRect(100, 50, 400, 300);
        QTest::newRow("larger than the area")
            << QSize(1200, 700) << QPoint(100, 50) << QRect(100, 50, 1000, 700);
    }

    void cascadePlace()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, previous);
        QFETCH(QRect, placed);
        const std::optional<QPoint> last =
            previous.x() < 0 ? std::nullopt : std::optional<QPoint>(previous);
        QCOMPARE(kordavel::cascadePlace(QRect(100, 50, 1000, 800), size, last, 30), placed);
    }

    void helpHistoryAcrossLanguages_data() { addLanguageRows(); }

    // Each entry of the contents chosen is a step Back and Forward go through; the contents
    // follow the page wherever it goes (Back, a scroll); after a change of language Back goes
    // to the same places in the new manual. Find selects the next match.
    void helpHistoryAcrossLanguages()
    {
        QFETCH(int, language);
        FrameSession s;
        s.frame->changeLanguage(qint16(language));
        QAction *contents = s.frame->menuEntry(QStringLiteral("mnuHelpContents"));
        QCOMPARE(contents->shortcut(), QKeySequence(Qt::Key_F1));
        contents->trigger();
        frmHelp *help = s.frame->helpWindow();
        QVERIFY(help && help->isVisible());
        QTreeWidget *tree = help->tvwContents;
        QTextBrowser *page = help->txtPage;
        QScrollBar *bar = page->verticalScrollBar();
        const auto entry = [tree](int section, int part = -1) {
            QTreeWidgetItem *item = tree->topLevelItem(section);
            return part < 0 ? item : item->child(part);
        };
        const auto atTop = [&](QTreeWidgetItem *item) {
            for (QTextBlock b = page->document()->begin(); b.isValid(); b = b.next())
                if (b.blockFormat().headingLevel() && b.text().simplified() == item->text(0))
                    return qAbs(page->document()->documentLayout()->blockBoundingRect(b).top() -
                                bar->value()) <= 1;
            return false;
        };
        const auto source = [page] { return page->source().adjusted(QUrl::RemoveFragment); };
        QVERIFY(!help->cmdBack->isEnabled());
        QCOMPARE(tree->currentItem(), nullptr); // the title is above every part
        emit tree->itemClicked(entry(1), 0);
        emit tree->itemClicked(entry(3, 1), 0);
        QVERIFY(tree->currentItem() == entry(3, 1) && atTop(entry(3, 1)));
        help->cmdBack->click();
        QVERIFY(tree->currentItem() == entry(1) && atTop(entry(1)));
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
        QVERIFY(tree->currentItem() == entry(1) && atTop(entry(1)));
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
        QTest::newRow("most recent first") << ""
                                           << "a b c"
                                           << "c b a";
        QTest::newRow("once each") << ""
                                   << "a b a ./b"
                                   << "b a";
        QTest::newRow("eight at most") << ""
                                       << "1 2 3 4 5 6 7 8 9 10"
                                       << "10 9 8 7 6 5 4 3";
        QTest::newRow("stored: a duplicate spelt another way and a gap count once")
            << "1=a 2=b 3=x/../a 5=ac"
            << ""
            << "a b ac";
        QTest::newRow("stored: all eight read") << "1=a 8=h"
                                                << ""
                                                << "a h";
        QTest::newRow("stored: read clean") << "1=x/../a"
                                            << ""
                                            << "a";
        QTest::newRow("stored, then one opened again") << "1=a 2=b 3=c"
                                                       << "c"
                                                       << "c a b";
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

    void recentCaption_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        const QString sixty = QStringLiteral("/") + QString(59, QLatin1Char('p'));
        QTest::newRow("short") << 0 << "/cam/a.nc"
                               << "&1 /cam/a.nc";
        QTest::newRow("an ampersand") << 7 << "/cam/b&c.nc"
                                      << "&8 /cam/b&&c.nc";
        QTest::newRow("sixty characters whole") << 1 << sixty << "&2 " + sixty;
        QTest::newRow("sixty-one: its end") << 1 << "/x" + sixty.mid(1) + "Z"
                                            << "&2 …" + sixty.mid(2) + "Z";
    }

    void recentCaption()
    {
        QFETCH(int, index);
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(RecentFiles::caption(index, path), caption);
    }

    // Files opened or saved show in the File menu, also at the next start; a file gone
    // leaves the list when chosen; a FIFO in its place is not opened, and the message says why.
    void recentFromTheFrame()
    {
        FrameSession s;
        const QString a = writeFile(s.folders.file(QStringLiteral("a.nc")), "G0 X1\r\n");
        const QString b = writeFile(s.folders.file(QStringLiteral("b&c.nc")), "G0 X1\r\n");
        const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
        QVERIFY(recentEntries(*s.frame).isEmpty());
        QVERIFY(!s.frame->menuEntry(QStringLiteral("mnuFileBar4"))->isVisible());
        s.frame->openFile(a);
        QVERIFY(s.frame->menuEntry(QStringLiteral("mnuFileBar4"))->isVisible());
        s.frame->openFile(b);
        s.dialogs.saveAnswers << saved;
        s.trigger("mnuFileSaveAs");
        s.frame->openFile(a);
        const QStringList expected{"&1 " + a, "&2 " + saved, "&3 " + QString(b).replace("&", "&&")};
        QCOMPARE(recentEntries(*s.frame), expected);
        QVERIFY(s.frame->close());
        s.frame = std::make_unique<frmMain>();
        QVERIFY(s.frame->startUp());
        QCOMPARE(recentEntries(*s.frame), expected);
        QVERIFY(QFile::remove(saved));
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.frame->programWindows().size(), 1);
        QCOMPARE(s.dialogs.messages, QStringList{saved + '\n' + GetString({}, 450)});
        QCOMPARE(recentEntries(*s.frame), (QStringList{expected[0], "&2 " + expected[2].mid(3)}));
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.program()->windowTitle(), b);
        QCOMPARE(recentEntries(*s.frame).first(), "&1" + expected[2].mid(2));
        QVERIFY(QFile::remove(a));
        QCOMPARE(::mkfifo(QFile::encodeName(a).constData(), 0600), 0);
        s.trigger("mnuFileRecent2");
        QCOMPARE(s.dialogs.messages.last(), a + '\n' + GetString({}, 502));
    }

    void secondStartHandsFilesOver_data()
    {
        QTest::addColumn<bool>("crashed"); // a copy left its socket and its lock behind
        QTest::newRow("running copy listens") << false;
        QTest::newRow("socket and lock left by a crash") << true;
    }

    // The running copy opens the files and comes forward; the second start ends quietly.
    void secondStartHandsFilesOver()
    {
        QFETCH(bool, crashed);
        TestFolders folders;
        ScriptedDialogs dialogs;
        if (crashed) {
            // The lock taken by a process that dies without releasing it; the socket bound and
            // closed without unlinking.
            if (const pid_t child = fork(); child == 0) {
                QLockFile lock(folders.runtime() + QStringLiteral("/kordavel.lock"));
                lock.tryLock(0);
                _exit(0);
            } else {
                QVERIFY(child > 0 && waitpid(child, nullptr, 0) == child);
            }
            QVERIFY(QFile::exists(folders.runtime() + QStringLiteral("/kordavel.lock")));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(FileHandOver::socketPath());
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
        }
        const QString b = writeFile(folders.file(QStringLiteral("b.nc")), "G1 Y2\n");
        frmMain frame;
        QVERIFY(frame.startUp() && frame.IsFirstInstance);
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        {
            frmMain second;
            QVERIFY(!second.startUp({b}));
            QVERIFY(!second.isVisible() && second.programWindows().isEmpty());
        }
        QTRY_COMPARE(titles(frame), (QStringList{"Program 1|", b + "|G1 Y2\r\n"}));
        QVERIFY(!frame.isMinimized());
        QVERIFY(dialogs.messages.isEmpty()); // no "in use" message
        QVERIFY(frame.close());
    }

    void strangersInTheFolder_data()
    {
        QTest::addColumn<QString>("stranger");
        QTest::newRow("another user's lock") << "lock";
        QTest::newRow("a link as the lock") << "link";
        QTest::newRow("another user's socket") << "socket";
    }

    // What is at the lock's or the socket's place and is not the user's own is not trusted: a
    // lock that is no lock of this user's stops nobody, and files go to no socket of another.
    void strangersInTheFolder()
    {
        QFETCH(QString, stranger);
        if (geteuid() != 0)
            QSKIP("only root may give a file away");
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString lockPath = folders.runtime() + QStringLiteral("/kordavel.lock");
        // A lock held by a live process, as another copy's would be.
        QLockFile held(stranger == QLatin1String("link") ? folders.file("held") : lockPath);
        if (stranger == QLatin1String("lock")) {
            QVERIFY(held.tryLock(0));
            QCOMPARE(::chown(QFile::encodeName(lockPath).constData(), 1, 1), 0);
        } else if (stranger == QLatin1String("link")) {
            QVERIFY(held.tryLock(0) && QFile::link(folders.file("held"), lockPath));
        }
        frmMain frame;
        QVERIFY(frame.startUp() && frame.IsFirstInstance);
        QVERIFY(dialogs.messages.isEmpty());
        if (stranger != QLatin1String("socket"))
            return;
        QCOMPARE(::lchown(QFile::encodeName(FileHandOver::socketPath()).constData(), 1, 1), 0);
        const QString b = writeFile(folders.file(QStringLiteral("b.nc")), "G1 Y2\n");
        {
            frmMain second;
            QVERIFY(!second.startUp({b}));
        }
        QCOMPARE(dialogs.messages, QStringList{GetString({}, 0) + GetString({}, 401)});
        QCOMPARE(frame.programWindows().size(), 1);
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
        QTest::newRow("more bytes than a request holds")
            << QByteArray("%1").append('\0').repeated(FileHandOver::kMaxRequestBytes / 4) << true
            << 0;
        QTest::newRow("more files than a request holds")
            << QByteArray("%1").append('\0').repeated(FileHandOver::kMaxRequestFiles + 1) << true
            << 0;
        QTest::newRow("not ended") << QByteArrayLiteral("%1\0%1") << true << 0;
        QTest::newRow("never hangs up") << QByteArrayLiteral("%1\0") << false << 0;
        QTest::newRow("hangs up at once") << QByteArray() << true << 0;
        // "%r": the file's name relative to the running copy's folder.
        QTest::newRow("relative name of a file that is there") << QByteArray("%r") << true << 0;
        // "%B": the file's name, led by slashes, as often as makes the bound exactly.
        QTest::newRow("exactly the bound") << QByteArrayLiteral("%B") << true << 17;
        QTest::newRow("past the bound after a whole name")
            << QByteArrayLiteral("%B%1\0") << true << 0;
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
        const QString file = writeFile(folders.file(QStringLiteral("a.nc")), "M30\n");
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
        open.back()->write(QFile::encodeName(file) + '\0');
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

    // A second start hands its files over by their absolute paths (it hangs up before the
    // running copy serves it), in requests within the bounds.
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
        // "unset", "relative"; else what is there: nothing (""), a folder of the user's own
        // with a mode, another user's private folder, a link to a private folder, a file.
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("chosen"); // runtime, fallback or none
        QTest::newRow("private runtime folder") << "0700"
                                                << ""
                                                << "runtime";
        QTest::newRow("no runtime folder") << "unset"
                                           << ""
                                           << "fallback";
        QTest::newRow("runtime folder open to all") << "0777"
                                                    << ""
                                                    << "fallback";
        QTest::newRow("another user's runtime folder") << "uid1"
                                                       << ""
                                                       << "fallback";
        QTest::newRow("runtime folder through a link") << "link"
                                                       << ""
                                                       << "fallback";
        QTest::newRow("relative runtime folder") << "relative"
                                                 << ""
                                                 << "fallback";
        QTest::newRow("own fallback open to others is closed") << "0777"
                                                               << "0755"
                                                               << "fallback";
        QTest::newRow("another user's fallback") << "unset"
                                                 << "uid1"
                                                 << "none";
        QTest::newRow("fallback through a link") << "unset"
                                                 << "link"
                                                 << "none";
        QTest::newRow("a file as the fallback") << "unset"
                                                << "file"
                                                << "none";
    }

    void privateFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, fallback);
        QFETCH(QString, chosen);
        if (geteuid() != 0 && (runtime == QLatin1String("uid1") || fallback == "uid1"))
            QSKIP("only root may give a folder away");
        QTemporaryDir root;
        const auto make = [&](const QString &path, const QString &kind) {
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
        };
        const QString runtimePath = root.filePath(QStringLiteral("runtime"));
        const QString fallbackPath = root.filePath(QStringLiteral("cache/Kordavel/run"));
        make(runtimePath, runtime);
        make(fallbackPath, fallback);
        const QString given = runtime == QLatin1String("unset")      ? QString()
                              : runtime == QLatin1String("relative") ? QStringLiteral("runtime")
                                                                     : runtimePath;
        const QString folder = choosePrivateFolder(given, fallbackPath);
        QCOMPARE(folder, chosen == QLatin1String("runtime")    ? runtimePath
                         : chosen == QLatin1String("fallback") ? fallbackPath
                                                               : QString());
        if (!folder.isEmpty()) {
            struct stat st {};
            QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode) && st.st_uid == geteuid());
            QCOMPARE(st.st_mode & 0777, mode_t(0700));
        }
        if (runtime != QLatin1String("unset") || !fallback.isEmpty())
            return;
        // Without $XDG_RUNTIME_DIR (su, ssh, cron) the folder is in the user's own cache.
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
            savedCache.isNull() ? qunsetenv("XDG_CACHE_HOME")
                                : qputenv("XDG_CACHE_HOME", savedCache);
        });
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("xdg"))));
        QCOMPARE(runtimeFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/run");
        QVERIFY(runtimeFolder().startsWith(root.filePath(QStringLiteral("xdg/"))));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments"); // after the program's name
        QTest::addColumn<bool>("printsAndEnds");
        QTest::addColumn<int>("optionCount");
        QTest::addColumn<QString>("files"); // named after "--"
        QTest::newRow("help") << "--help" << true << 2 << "";
        QTest::newRow("--version") << "--version" << true << 2 << "";
        QTest::newRow("version after a file") << "a.nc -v" << true << 3 << "";
        QTest::newRow("help before the end") << "-h -- c.nc" << true << 2 << "c.nc";
        QTest::newRow("help after the end is a file") << "-- --help" << false << 1 << "--help";
        QTest::newRow("window-system options after the end are files")
            << "b.nc -- -platform x --" << false << 2 << "-platform x --";
    }

    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, printsAndEnds);
        QFETCH(int, optionCount);
        QFETCH(QString, files);
        QList<QByteArray> bytes{"kordavel"};
        for (const QString &argument : arguments.split(' '))
            bytes << argument.toLocal8Bit();
        std::vector<const char *> argv;
        for (const QByteArray &argument : bytes)
            argv.push_back(argument.constData());
        const CommandLine line = splitCommandLine(int(argv.size()), argv.data());
        QCOMPARE(line.printsAndEnds, printsAndEnds);
        QCOMPARE(line.optionCount, optionCount);
        QCOMPARE(line.files, files.split(' ', Qt::SkipEmptyParts));
    }

    void everyOffsetInUseHasAllThreeLanguages()
    {
        QMap<int, QString> used = offsetsInTheSources();
        QVERIFY2(used.size() > 100, "the sources were not found or their calls changed shape");
        for (int number = 0; number < 10000; ++number)
            used.insert(errorOffset(number), QStringLiteral("errorOffset(%1)").arg(number));
        for (int event = 0; event < 1100; ++event)
            used.insert(lineErrorOffset(qint16(event)), QStringLiteral("lineErrorOffset"));
        for (auto it = used.cbegin(); it != used.cend(); ++it)
            for (int language = 1; language <= 3; ++language)
                QVERIFY2(loadString(10000 + 1000 * language + it.key()),
                         qPrintable(QStringLiteral("language %1 lacks %2 (%3)")
                                        .arg(language)
                                        .arg(it.key())
                                        .arg(it.value())));
    }

    // What the program puts into a text or reads from it must be there in every language.
    void languagesAgree()
    {
        const QRegularExpression accelerator(QStringLiteral("&[^&]"));
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

    void getString_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected");
        QTest::newRow("english") << 1 << 232 << "Save file?";
        QTest::newRow("bulgarian") << 2 << 1 << "Готов";
        QTest::newRow("spanish leading blank kept") << 3 << 401 << " ya esta en uso";
        QTest::newRow("spanish trailing blank kept") << 3 << 209 << "==> Simbolo ";
        QTest::newRow("missing offset") << 1 << 230 << "DEFAULT";
        QTest::newRow("language 0") << 0 << 1 << "DEFAULT";
        QTest::newRow("language 4") << 4 << 1 << "DEFAULT";
    }

    void getString()
    {
        QFETCH(int, language);
        QFETCH(int, offset);
        QFETCH(QString, expected);
        const LanguageGuard english;
        setLanguageNumber(qint16(language));
        QCOMPARE(GetString(QStringLiteral("DEFAULT"), offset), expected);
    }

    // The first window is the frame, which relabels itself; the walk stops at a failure.
    void changeLanguageWalksLoadedWindows()
    {
        const LanguageGuard english;
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
