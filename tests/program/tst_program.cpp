// SPDX-License-Identifier: GPL-3.0-or-later
// The program window on its own: the close question and its every path, saving (also
// when the write fails), the keyboard filter, the send step as the timer runs it, the
// pause before a send, and the "Save file?" question by button, key and close. Its toolpath
// preview: a click on the path puts the caret on its block, the caret's block is marked, a
// send colours what it has sent, an edit redraws once typing pauses, and the words not
// understood show with their lines.
#include "common/AppState.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "program/Pause.h"
#include "program/ToolpathView.h"
#include "program/frmPreview.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/PtyMachine.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The user answers the question by a button, a key, or closing its window.
QuestionAct user(const QString &how)
{
    static const QHash<QString, QuestionAct> acts{
        {QStringLiteral("yes"), clickYes()},
        {QStringLiteral("no"), clickNo()},
        {QStringLiteral("cancel"), clickCancel()},
        {QStringLiteral("enter"),
         [](frmQuestion &d) {
             QWidget *focus = QApplication::focusWidget();
             QTest::keyClick(focus ? focus : &d, Qt::Key_Return);
         }},
        {QStringLiteral("escape"), [](frmQuestion &d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {QStringLiteral("close"), [](frmQuestion &d) { d.close(); }}};
    return acts.value(how);
}

// Line 1 a rapid along X, line 2 a feed along Y, line 3 an arc over the top to X0 Y10.
const QString kProgram =
    QStringLiteral("%\r\nG0 X10 Y0\r\nG1 X10 Y10 F100\r\nG3 X0 Y10 R5\r\nM30\r\n");

std::unique_ptr<frmProgram> makeProgram(PtyMachine &machine)
{
    machine.mapTo(3, true);
    auto program = std::make_unique<frmProgram>();
    program->tEvent->stop();
    return program;
}

struct Window {
    TestFolders folders;
    PtyMachine machine; // on the port of the program's line
    std::unique_ptr<frmProgram> owner;
    frmProgram &program;
    frmPreview *preview = nullptr;

    Window() : owner(makeProgram(machine)), program(*owner)
    {
        program.rtfText->setText(kProgram);
        program.show();
        program.Preview();
        preview = program.findChild<frmPreview *>();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        QTRY_VERIFY(!preview->busy());
    }
    QPoint at(double x, double y) const { return preview->view->toScreen({x, y, 0}).toPoint(); }
};

} // namespace

class TstProgram : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        frmQuestion::releaseInstance();
        setLanguageNumber(1);
        setPauseClock(nullptr);
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("answer"); // yes, no, cancel, close, or none
        QTest::addColumn<QString>(
            "saveAs"); // what the Save As dialog returns: a name, or "" to cancel
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");
        const auto row = [](const char *name, bool modified, bool isNew, const char *answer,
                            const char *saveAs, bool readOnly, bool closes, bool written) {
            QTest::newRow(name) << modified << isNew << QString::fromLatin1(answer)
                                << QString::fromLatin1(saveAs) << readOnly << closes << written;
        };
        row("unchanged closes without a question", false, false, "none", "", false, true, false);
        row("yes saves to the caption's file", true, false, "yes", "", false, true, true);
        row("yes on a new window goes through save as", true, true, "yes", "new.dnc", false, true,
            true);
        row("yes then save as cancelled stays open", true, true, "yes", "", false, false, false);
        row("yes then save as fails stays open as it was", true, true, "yes", "missing/new.dnc",
            false, false, false);
        row("yes on a read-only file stays open", true, false, "yes", "", true, false, false);
        row("no closes without saving", true, false, "no", "", false, true, false);
        row("cancel stays open", true, false, "cancel", "", false, false, false);
        row("window-manager close is cancel", true, false, "close", "", false, false, false);
    }

    void closeQuestion()
    {
        QFETCH(bool, modified);
        QFETCH(bool, isNew);
        QFETCH(QString, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, readOnly);
        QFETCH(bool, closes);
        QFETCH(bool, written);

        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString existing = folders.file(QStringLiteral("old.dnc"));
        writeFile(existing, "G00 X0\r\n");
        if (readOnly)
            QFile::setPermissions(existing, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        const QString saveAsPath = saveAs.isEmpty() ? QString() : folders.file(saveAs);
        dialogs.saveAnswers << (saveAs.isEmpty() ? std::nullopt
                                                 : std::optional<QString>(saveAsPath));

        auto program = std::make_unique<frmProgram>();
        const QString caption = isNew ? QStringLiteral("Program 1") : existing;
        program->setWindowTitle(caption);
        program->bFlagNew = isNew;
        program->actAction = actReceive;
        program->show();
        if (modified)
            QTest::keyClicks(program->rtfText, QStringLiteral("m30"));
        QCOMPARE(program->isModified(), modified);

        QuestionSeen seen;
        if (answer != QLatin1String("none"))
            answerNextQuestion(user(answer), &seen);
        QCOMPARE(program->close(), closes);
        QCOMPARE(seen.shown, answer != QLatin1String("none"));
        if (seen.shown) {
            QCOMPARE(seen.text, QStringLiteral("Save file?"));
            QVERIFY(seen.cancelVisible);
        }
        QCOMPARE(program->isVisible(), !closes);
        // Only a new window asks for a name; it stays new until it is written.
        const bool asked = isNew && answer == QLatin1String("yes");
        QCOMPARE(dialogs.calls, asked ? QStringList{QStringLiteral("save:Save As|") +
                                                    QLatin1String(kProgramFileFilter)}
                                      : QStringList{});
        QCOMPARE(program->bFlagNew, isNew && !written);
        QVERIFY(dialogs.messages.isEmpty());

        const QString target = isNew ? saveAsPath : existing;
        if (written) {
            QVERIFY(readFile(target).contains("M30"));
            QCOMPARE(program->windowTitle(), target);
            QVERIFY(!program->isModified());
        } else {
            QCOMPARE(readFile(existing), QByteArray("G00 X0\r\n"));
            QCOMPARE(program->windowTitle(), caption);
        }
        if (!closes) {
            // Nothing is lost: the text is still there and still counts as changed.
            QCOMPARE(program->rtfText->text(), QStringLiteral("M30"));
            QVERIFY(program->isModified());
            QCOMPARE(program->actAction, qint32(actReceive));
        } else if (modified) {
            QCOMPARE(program->actAction, qint32(actIdle));
        }
    }

    void keyboardFilter_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("locked");  // as during a transfer
        QTest::addColumn<QString>("keys"); // as typed, see below
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("beeps");
        const auto row = [](const char *name, const char *start, bool locked, const char *keys,
                            const char *expected, int beeps) {
            QTest::newRow(name) << QString::fromLatin1(start) << locked << QString::fromUtf8(keys)
                                << QString::fromLatin1(expected) << beeps;
        };
        row("small letters become capitals", "", false, "g01 x10 az", "G01 X10 AZ", 0);
        row("printable signs pass", "", false, "(a#1=[2*3]/4)~", "(A#1=[2*3]/4)~", 0);
        row("enter starts a line", "", false, "g0{Return}m30", "G0\r\nM30", 0);
        row("shift+enter and keypad enter too", "", false, "a{Shift+Return}b{Num+Enter}",
            "A\r\nB\r\n", 0);
        row("tab beeps and inserts nothing", "", false, "x{Tab}1", "X1", 1);
        row("backspace beeps and deletes nothing", "AB", false, "{Backspace}", "AB", 1);
        row("accented letter beeps", "", false, "{É}", "", 1);
        row("delete is not a character", "AB", false, "{Home}{Del}", "B", 0);
        row("escape beeps", "", false, "{Esc}", "", 1);
        row("paste", "", false, "{Ctrl+V}", "CLIP", 0);
        row("locked takes nothing", "G00\r\nM30", true, "x{Return}{Home}{Del}{Ctrl+V}",
            "G00\r\nM30", 0);
        row("locked still moves", "G00\r\nM30", true, "{Up}{unlock}x", "G00X\r\nM30", 0);
    }

    void keyboardFilter()
    {
        QFETCH(QString, start);
        QFETCH(bool, locked);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(int, beeps);

        ScriptedDialogs dialogs;
        frmProgram program;
        RichTextBox *editor = program.rtfText;
        program.show();
        editor->setText(start);
        editor->select(start.size(), 0);
        editor->setLocked(locked);
        QApplication::clipboard()->setText(QStringLiteral("CLIP"));
        // {name} is a key as QKeySequence spells it, {unlock} unlocks, anything else is typed.
        const QRegularExpression token(QStringLiteral("\\{([^}]+)\\}|(.)"));
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            if (m.capturedLength(2))
                QTest::keyClick(editor, m.captured(2).at(0).toLatin1());
            else if (m.captured(1) == QLatin1String("unlock"))
                editor->setLocked(false);
            else
                QTest::keySequence(editor, QKeySequence(m.captured(1)));
        }
        QCOMPARE(editor->text(), expected);
        QCOMPARE(editor->document()->blockCount(), int(expected.count(QLatin1String("\r\n"))) + 1);
        QCOMPARE(dialogs.beeps, beeps);
    }

    // Escape in an idle window takes off the marks of a send and the text's own
    // strike-through; neither counts as a change of the program, nor does the load.
    void escapeWhenIdleTakesStrikeThroughOff()
    {
        TestFolders folders;
        const QString path = folders.file(QStringLiteral("struck.dnc"));
        writeFile(path, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\strike G01\\strike0  X10\\par\n"
                        "M30\\par\n}\n");
        frmProgram program;
        QVERIFY(program.rtfText->loadFile(path));
        QVERIFY(!program.isModified());
        QVERIFY(program.rtfText->hasStrikeThru());
        program.rtfText->markStruck(0, 5);
        program.rtfText->select(6, 2);
        QTest::keyClick(program.rtfText, Qt::Key_Escape);
        QVERIFY(!program.rtfText->hasStrikeThru());
        QVERIFY(program.rtfText->struckMarks().isEmpty());
        QCOMPARE(program.rtfText->text(), QStringLiteral("G01 X10\r\nM30"));
        QCOMPARE(program.rtfText->selStart(), 0);
        QCOMPARE(program.rtfText->selLength(), 0);
        QCOMPARE(program.stbPanel[0]->text(), QStringLiteral("Ready"));
        QVERIFY(!program.isModified());
        QVERIFY(program.close());
    }

    void sendStepByStep_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QStringList>("wire");   // what the machine has after each tick
        QTest::addColumn<QStringList>("panels"); // the progress shown after each tick
        QTest::newRow("two lines, progress rounded down")
            << "AB\r\nCD" << 0 << 0 << QStringList{"AB\r\n", "AB\r\nCD", "AB\r\nCD\r\n"}
            << QStringList{"Send - 66%", "Send - 100%", ""};
        QTest::newRow("selection") << "G01 X10\r\nM30" << 9 << 3 << QStringList{"M3", "M30\r\n"}
                                   << QStringList{"Send - 100%", ""};
        QTest::newRow("first character")
            << "G01" << 0 << 1 << QStringList{"G\r\n"} << QStringList{""};
    }

    // The window's timer step hands the channel one piece a tick, a line or what is left of the
    // selection, and ends with a line end.
    void sendStepByStep()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QStringList, wire);
        QFETCH(QStringList, panels);
        TestFolders folders;
        PtyMachine machine;
        QVERIFY(machine.ok());
        machine.mapTo(3, true);
        qint64 now = 0;
        setPauseClock([&] { return now += 1000; });
        frmProgram program;
        program.tEvent->stop();
        QCOMPARE(program.ucDnc1->ComPort(), QStringLiteral("COM3"));
        program.rtfText->setText(text);
        program.rtfText->select(selStart, selLength);
        program.Send();
        QCOMPARE(program.actAction, qint32(actSend));
        for (int tick = 0; tick < wire.size(); ++tick) {
            program.tEvent_Timer();
            QTRY_COMPARE(QString::fromLatin1(machine.received), wire[tick]);
            QCOMPARE(program.stbPanel[1]->text(), panels[tick]);
        }
        QCOMPARE(program.actAction, qint32(actIdle));
        QCOMPARE(program.rtfText->selStart(), selStart);
    }

    // The pause keeps the events going and ends when its clock says so, not before.
    void pauseRunsEventsUntilItsClockEnds()
    {
        qint64 now = 0;
        setPauseClock([&] { return now; });
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { now += 100; });
        timer.start(0);
        Pause(0.3f);
        QCOMPARE(now, qint64(300));
        timer.stop();
        Pause(0); // the clock stands still: these return at once or never
        Pause(-1);
    }

    // The question, answered every way, in English and in another language: a switch of
    // language reaches the dialog that already exists.
    void questionAnswers_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("cancelOffered");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes button") << 1 << true << "yes" << 0;
        QTest::newRow("no button") << 1 << true << "no" << 1;
        QTest::newRow("cancel button") << 1 << true << "cancel" << 3;
        QTest::newRow("enter answers yes") << 1 << true << "enter" << 0;
        QTest::newRow("escape answers cancel") << 1 << true << "escape" << 3;
        QTest::newRow("window close answers cancel") << 1 << true << "close" << 3;
        QTest::newRow("enter without cancel") << 1 << false << "enter" << 0;
        QTest::newRow("escape without cancel answers no") << 1 << false << "escape" << 1;
        QTest::newRow("window close without cancel answers no") << 1 << false << "close" << 1;
        QTest::newRow("no button, Bulgarian") << 2 << true << "no" << 1;
        QTest::newRow("escape without cancel, Spanish") << 3 << false << "escape" << 1;
    }

    void questionAnswers()
    {
        QFETCH(int, language);
        QFETCH(bool, cancelOffered);
        QFETCH(QString, how);
        QFETCH(int, expected);
        // The previous use, in English, leaves an answer behind; it must not leak into this one.
        answerNextQuestion(clickYes());
        QCOMPARE(AskQuestion(232, true), 0);
        setLanguageNumber(qint16(language));
        QuestionSeen seen;
        answerNextQuestion(user(how), &seen);
        QCOMPARE(AskQuestion(232, cancelOffered), expected);
        QVERIFY(seen.shown);
        QCOMPARE(seen.cancelVisible, cancelOffered);
        QVERIFY(!frmQuestion::instance().isVisible());
        QCOMPARE((QStringList{seen.text, seen.yes, seen.no, seen.cancel}),
                 (QStringList{GetString({}, 232), GetString({}, 203), GetString({}, 204),
                              GetString({}, 202)}));
        QCOMPARE(frmQuestion::instance().windowTitle(), QStringLiteral("Kordavel"));
        // A text the table does not hold leaves the last one in place.
        answerNextQuestion(clickYes(), &seen);
        QCOMPARE(AskQuestion(230, false), 0);
        QCOMPARE(seen.text, GetString({}, 232));
    }

    void clickPutsTheCaretOnTheBlock_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("caret"); // editor position, a line end counting two
        QTest::newRow("rapid") << 5.0 << 0.0 << 3;
        QTest::newRow("feed") << 10.0 << 6.0 << 14;
        QTest::newRow("arc top") << 5.0 << 15.0 << 31;
        QTest::newRow("nothing there") << 5.0 << 5.0 << 45;
    }

    void clickPutsTheCaretOnTheBlock()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(int, caret);
        Window w;
        w.program.rtfText->setSelStart(45);
        QTest::mouseClick(w.preview->view, Qt::LeftButton, {}, w.at(x, y));
        QCOMPARE(w.program.rtfText->selStart(), caret);
        QCOMPARE(w.program.rtfText->selLength(), 0);
    }

    void caretMarksItsBlock_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("line");
        QTest::newRow("on the feed's block") << 20 << 2;
        QTest::newRow("at the arc block's end") << 43 << 3;
        QTest::newRow("a block without moves") << 0 << 0;
    }

    void caretMarksItsBlock()
    {
        QFETCH(int, caret);
        QFETCH(int, line);
        Window w;
        w.program.rtfText->setSelStart(caret);
        QCOMPARE(w.preview->view->markedLine(), line);
        // The marked block is drawn in the marking colour, the others are not.
        const QImage image = w.preview->view->grab().toImage();
        const QColor marked(230, 20, 20);
        QCOMPARE(image.pixelColor(w.at(10, 6)) == marked, line == 2);
        QCOMPARE(image.pixelColor(w.at(5, 15)) == marked, line == 3);
    }

    // A send of lines 1 and 2 (the selection up to the line end of line 2).
    void sendColoursTheSentBlocks()
    {
        Window w;
        QVERIFY(w.machine.ok());
        qint64 now = 0;
        setPauseClock([&] { return now += 1000; });
        w.program.rtfText->select(3, 28);
        w.program.Send();
        QList<QPair<int, int>> seen;
        while (w.program.actAction == actSend) {
            w.program.tEvent_Timer();
            QTRY_VERIFY(!w.program.ucDnc1->SendInProgress());
            seen << w.preview->view->sentLines();
        }
        setPauseClock(nullptr);
        QCOMPARE(seen, (QList<QPair<int, int>>{{1, 2}, {1, 3}, {0, -1}}));
    }

    void editRedrawsOnceTypingPauses()
    {
        Window w;
        QCOMPARE(w.preview->view->path().segments.size(), 3);
        w.program.rtfText->setSelStart(w.program.rtfText->textLength());
        QTest::keyClicks(w.program.rtfText, "G28 X0\rG1 Y-5");
        QVERIFY(w.preview->tUpdate->isActive());
        QCOMPARE(w.preview->view->path().segments.size(), 3);
        QTRY_COMPARE(w.preview->view->path().segments.size(), 4);
        QCOMPARE(w.preview->lblStatus->text(), "Not understood: G28 (line 6)");
        w.preview->chkLathe->setChecked(true);
        QCOMPARE(w.preview->view->view(), ToolpathView::ViewLathe);
        QCOMPARE(w.preview->view->path().points.at(1).x, 5.0); // X10 a diameter
        ChangeLanguage(3);
        QCOMPARE(w.preview->lblStatus->text(), "No entendido: G28 (linea 6)");
        ChangeLanguage(1);
    }
};

QTEST_MAIN(TstProgram)
#include "tst_program.moc"
