// SPDX-License-Identifier: GPL-3.0-or-later
// The program window on its own, where it matters on a .dnc program (rich-text control) and a
// plain one (program view) alike: the close question, the keyboard filter, the send step and
// the line's speed, Send File, what a receive keeps; its toolpath preview; its communication
// panel, the stored defaults and the Options dialog. A plain program opened in a frame: the
// frame's commands on the program view (Undo, Save byte for byte, Save As, Clean and
// Numbering, Receive, the format commands), and its positions that count a line end as two.
#include "common/ReadCall.h"
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"
#include "editor/EditorLimits.h"
#include "editor/ProgramFile.h"
#include "editor/ProgramView.h"
#include "profiles/DefaultLineSettings.h"
#include "profiles/ValueLists.h"
#include "profiles/frmOptions.h"
#include "program/FileDialogChoice.h"
#include "program/FileSendView.h"
#include "program/Pause.h"
#include "program/PreviewSplit.h"
#include "program/ProgramPanel.h"
#include "program/ReceivedText.h"
#include "program/SendClock.h"
#include "program/StreamSendSource.h"
#include "program/ToolpathView.h"
#include "program/TransferSteps.h"
#include "program/frmPreview.h"
#include "support/CaptionsFit.h"
#include "support/FrameSession.h"
#include "support/PtyMachine.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QClipboard>
#include <QImageWriter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The user answers the question by a button, a key, or closing its window.
QuestionAct user(const QString &how)
{
    static const QHash<QString, QuestionAct> acts{
        {QStringLiteral("yes"), click(&frmQuestion::cmdYes)},
        {QStringLiteral("no"), click(&frmQuestion::cmdNo)},
        {QStringLiteral("cancel"), click(&frmQuestion::cmdCancel)},
        {QStringLiteral("enter"),
         [](frmQuestion &d) {
             QWidget *focus = QApplication::focusWidget();
             QTest::keyClick(focus ? focus : &d, Qt::Key_Return);
         }},
        {QStringLiteral("escape"), [](frmQuestion &d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {QStringLiteral("close"), [](frmQuestion &d) { d.close(); }}};
    return acts.value(how);
}

// "+" in a row's text stands for CR LF.
QString crlf(QString text)
{
    return text.replace(QLatin1Char('+'), QStringLiteral("\r\n"));
}

// Each row on a .dnc program and on a plain one; a name starting "r:" or "p:" on that one only.
template <typename... Values> void bothKinds(const QString &name, const Values &...values)
{
    for (const bool plain : {false, true})
        if (!name.startsWith(QLatin1String(plain ? "r:" : "p:")))
            ((QTest::newRow(qPrintable(name + (plain ? " (plain)" : ""))) << plain)
             << ... << values);
}

// Line 1 a rapid along X, line 2 a feed along Y, line 3 an arc over the top to X0 Y10.
const QString kProgram =
    QStringLiteral("%\r\nG0 X10 Y0\r\nG1 X10 Y10 F100\r\nG3 X0 Y10 R5\r\nM30\r\n");

// A program window whose line goes to a machine on a pty; the test runs the steps and the
// pause's clock.
struct Station {
    TestFolders folders;
    PtyMachine machine;
    std::unique_ptr<frmProgram> owner = (machine.mapTo(3, true), std::make_unique<frmProgram>());
    frmProgram &program = *owner;
    qint64 now = 0;
    Station()
    {
        setPauseClock([this] { return now += 1000; });
    }
    // The text as a .dnc program's, or as a plain file's in the program view.
    ProgramText &load(const QString &text, bool plain)
    {
        if (plain)
            program.openProgram(
                writeFile(folders.file(QStringLiteral("part.nc")), text.toLatin1()));
        else
            program.rtfText->setText(text);
        return *program.editor();
    }
};

// The station's window showing kProgram with its preview.
struct Window : Station {
    frmPreview *preview = nullptr;
    explicit Window(bool plain = false)
    {
        load(kProgram, plain);
        program.show();
        program.Preview();
        preview = program.findChild<frmPreview *>();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        QTRY_VERIFY(!preview->busy());
    }
    QPoint at(double x, double y) const { return preview->view->toScreen({x, y, 0}).toPoint(); }
};

void drawIcon(const QString &path, Qt::GlobalColor colour = Qt::darkCyan)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    QImageWriter writer(path, "ico");
    QVERIFY2(writer.write(image), qPrintable(writer.errorString()));
}

QChar bit(bool on)
{
    return on ? QLatin1Char('1') : QLatin1Char('0');
}

// Port, baud rate, data bits, parity and stop bits, then XOnXOff, WaitXOn, RTSCTS, DSRDTR
// and EIA as 0 or 1 and the pace's index: what the controls show.
QStringList shownBy(const LineSettingsControls &c)
{
    const QString flags = QString() + bit(c.chkXOnXOff->isChecked()) +
                          bit(c.chkWaitXOn->isChecked()) + bit(c.chkRTSCTS->isChecked()) +
                          bit(c.chkDSRDTR->isChecked()) + bit(c.optFormat[1]->isChecked()) +
                          QString::number(c.cboPace->currentIndex());
    return {c.cboPort->currentText(),   c.cboBaudRate->currentText(), c.cboDataBits->currentText(),
            c.cboParity->currentText(), c.cboStopBits->currentText(), flags};
}

// Folders of their own with a machine folder, and ports 1 to 16 all absent but 3 and 5.
struct Profiles {
    TestFolders folders;
    std::unique_ptr<PtyMachine> port3 = std::make_unique<PtyMachine>();
    std::unique_ptr<PtyMachine> port5 = std::make_unique<PtyMachine>();
    Profiles()
    {
        QDir().mkpath(folders.file(QStringLiteral("machines")));
        setMachineFolder(folders.file(QStringLiteral("machines")));
        for (int n = 1; n <= 16; ++n)
            SaveSetting("Ports", "Com" + QString::number(n), folders.file("absent"));
        port3->mapTo(3);
        port5->mapTo(5);
    }
    ~Profiles() { setMachineFolder(QString()); }
};

// The position of each offset as the rich-text control counts them: every line end two
// characters, an offset between CR and LF taken as before the CR.
QList<qint64> referencePositions(const QByteArray &b)
{
    QList<qint64> out{0};
    for (qsizetype i = 0; i < b.size(); ++i) {
        const bool crOfCrLf = b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n';
        out << out.last() + (crOfCrLf ? 0 : b[i] == '\n' || b[i] == '\r' ? 2 : 1);
    }
    return out;
}

// A frame whose line goes to a machine on a pty, to open plain programs in.
struct PlainSession : PtyMachine, FrameSession {
    // The transfer clock stands still: a receive never ends by a quiet line.
    PlainSession() : FrameSession([this] { mapTo(7, true); })
    {
        setTransferClock([] { return qint64(0); });
    }
    ~PlainSession() { setTransferClock(nullptr); }
    // Opens the bytes as a program file of that name; the window that shows it.
    frmProgram *open(const QString &name, const QByteArray &bytes)
    {
        frame->openFile(writeFile(folders.file(name), bytes));
        return program();
    }
    ProgramView *view() const { return programView(program()->editor()); }
};

const QByteArray kCrLf("%\r\nO1000\r\nN10 G00 X0 Y0\r\nN20 G01 X10 F200\r\nN30 M30\r\n%\r\n");
const QByteArray kLf("%\nO1000\nN10 G00 X0 Y0\nN20 G01 X10 F200\nN30 M30\n%\n");
const QByteArray kMixed("%\r\nO1000\nN10 G00 X0 Y0\rN20 G01 X10 F200\r\nN30 M30\n%");

} // namespace

class TstProgram : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        frmQuestion::releaseInstance();
        setLanguageNumber(1);
        setPauseClock(nullptr);
        setTransferClock(nullptr);
    }

    // Where Open, Send File and Save As start, from the last file used. "@" stands for a
    // folder of the test's own; "sub" exists in it, "gone" does not. Row: last file, the
    // program saved ("" for Open, "*name" a new one), folder, filter, name.
    void fileDialogStarts_data()
    {
        QTest::addColumn<QStringList>("row");
        const auto row = [](const QString &r) { QTest::newRow(qPrintable(r)) << r.split('|'); };
        for (const char *r :
             {"|||0|", "@/sub/PART.DNC||@/sub|0|PART.DNC", "@/sub/O1000||@/sub|2|O1000",
              "@/sub/gone/deeper/O1.nc||@/sub|1|O1.nc",
              "@/other/X.dnc|@/sub/O1000.nc|@/sub|1|O1000.nc",
              "@/sub/O1000.nc|*Program 2|@/sub|1|Program 2.nc",
              "@/sub/A.dnc|*Program 2|@/sub|0|Program 2.dnc", "|*Program 1||0|Program 1.dnc"})
            row(QString::fromLatin1(r));
        for (const char *ext : {"nc", "NGC", "tap", "cnc", "mpf", "eia", "gcode", "txt"})
            row(QStringLiteral("@/sub/O1000.%1||@/sub|1|O1000.%1").arg(ext));
    }

    void fileDialogStarts()
    {
        QFETCH(QStringList, row);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
        for (QString &field : row)
            field.replace(QLatin1Char('@'), dir.path());
        const QString saved = row[1].mid(row[1].startsWith('*') ? 1 : 0);
        const FileDialogStart start = row[1].isEmpty()
                                          ? openDialogStart(row[0])
                                          : saveAsDialogStart(row[0], saved, row[1] != saved);
        QCOMPARE((QStringList{start.folder, QString::number(start.filterIndex), start.fileName}),
                 row.mid(2));
        // The entry chosen is the one the filter has at that place.
        const QStringList entries = programFileFilter().split(QLatin1Char('|'));
        QCOMPARE(entries.size(), 6);
        if (!start.fileName.isEmpty() && start.filterIndex < 2)
            QVERIFY(entries[2 * start.filterIndex + 1].contains(
                QLatin1String("*.") + QFileInfo(start.fileName).suffix().toLower()));
    }

    // Closing a window, by its state (m: modified, n: new, r: a read-only file, L: long, saved
    // in slices on another thread, p: a plain file's), the answer (yes, no, cancel, or none
    // asked) and what Save As returns ("" cancels); then whether it closes (c) and the file
    // was written (w).
    void closeQuestion_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r :
             {"unchanged closes without a question||none||c", "yes saves to the file|m|yes||cw",
              "yes on a new window goes through save as|mn|yes|new.dnc|cw",
              "yes then save as cancelled stays open|mn|yes||",
              "yes then save as fails stays open as it was|mn|yes|missing/new.dnc|",
              "yes on a read-only file stays open|mr|yes||", "no closes without saving|m|no||c",
              "cancel stays open|m|cancel||",
              "yes on a long program closes once written|mL|yes||cw",
              "yes on a long new program closes once written|mnL|yes|new.dnc|cw",
              "yes on a long program, read-only file, stays open|mrL|yes||",
              "plain, yes saves|mp|yes||cw", "plain, no closes without saving|mp|no||c",
              "plain, cancel stays open|mp|cancel||"}) {
            QStringList f = QString::fromLatin1(r).split('|');
            QTest::newRow(qPrintable(f.takeFirst())) << f;
        }
    }

    void closeQuestion()
    {
        QFETCH(QStringList, row);
        const QString state = row[0], answer = row[1], saveAs = row[2];
        const bool isNew = state.contains('n'), readOnly = state.contains('r'),
                   longProgram = state.contains('L'), plain = state.contains('p'),
                   closes = row[3].contains('c'), written = row[3].contains('w');
        setSlicedSaveCharacters(longProgram ? 1000 : 0);
        const auto restore = qScopeGuard([] { setSlicedSaveCharacters(0); });
        const QString program0 = longProgram ? QString("G01 X1.5\r\n").repeated(3000) : QString();
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString existing = folders.file(plain ? "old.nc" : "old.dnc");
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
        plain ? program->openProgram(existing) : program->rtfText->setText(program0);
        ProgramText &editor = *program->editor();
        if (state.contains('m'))
            QTest::keyClicks(editor.widget(), QStringLiteral("m30"));
        QCOMPARE(program->isModified(), state.contains('m'));
        const QString text = editor.text();
        QuestionSeen seen;
        if (answer != QLatin1String("none"))
            answerNextQuestion(user(answer), &seen);
        // A long program's window stays until its save has ended.
        QCOMPARE(program->close(), closes && !longProgram);
        QCOMPARE(editor.isSaving(), longProgram);
        QTRY_VERIFY(!editor.isSaving());
        QCOMPARE(seen.shown, answer != QLatin1String("none"));
        // The question names the file it asks about.
        QVERIFY(!seen.shown || (seen.text == "Save file?\n" + QFileInfo(caption).fileName() &&
                                seen.cancelVisible));
        QCOMPARE(program->isVisible(), !closes);
        // Only a new window asks for a name; it stays new until it is written.
        const bool asked = isNew && answer == QLatin1String("yes");
        QCOMPARE(dialogs.calls,
                 asked ? QStringList{QStringLiteral("save:Save As|") + programFileFilter()}
                       : QStringList{});
        QCOMPARE(program->bFlagNew, isNew && !written);
        const QString target = isNew ? saveAsPath : existing;
        // A save that was tried and failed says so, with the file and the system's reason.
        const bool failed = answer == QLatin1String("yes") && !written && !target.isEmpty();
        QCOMPARE(dialogs.messages,
                 failed ? QStringList{GetString({}, 510) + '\n' + target + '\n' +
                                      (readOnly ? GetString({}, 511)
                                                : QStringLiteral("No such file or directory"))}
                        : QStringList{});
        QVERIFY(!written || (readFile(target).contains("M30") &&
                             readFile(target).size() > program0.size() && !program->isModified()));
        QVERIFY(written || readFile(existing) == "G00 X0\r\n");
        QCOMPARE(program->windowTitle(), written ? target : caption);
        // Nothing is lost when it stays: the text is still there and still counts as changed.
        if (!closes)
            QVERIFY(editor.text() == text && !editor.locked() && program->isModified());
        QCOMPARE(program->actAction, qint32(closes ? actIdle : actReceive));
    }

    // Keys typed into either kind of program (see keyboardFilter), as during a transfer when
    // locked: row: start, locked (L), keys, expected text, beeps.
    void keyboardFilter_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QStringList>("row");
        for (const char *r :
             {"small letters become capitals||-|g01 x10 az|G01 X10 AZ|0",
              "printable signs pass||-|(a#1=[2*3]/4)~|(A#1=[2*3]/4)~|0",
              "enter starts a line||-|g0{Return}m30|G0+M30|0",
              "shift+enter and keypad enter too||-|a{Shift+Return}b{Num+Enter}|A+B+|0",
              "tab beeps and inserts nothing||-|x{Tab}1|X1|1",
              "backspace deletes the character before the caret|AB+C|-|"
              "{Backspace}{Backspace}{Backspace}x|AX|0",
              "backspace at the start deletes nothing|AB|-|{Home}{Backspace}|AB|0",
              "accented letter beeps||-|{\xc3\x89}||1",
              "delete is not a character|AB|-|{Home}{Del}|B|0", "escape beeps||-|{Esc}||1",
              "paste||-|{Ctrl+V}|CLIP|0",
              "locked takes nothing|G00+M30|L|x{Return}{Home}{Del}{Ctrl+V}|G00+M30|0",
              "locked still moves|G00+M30|L|{Up}{unlock}x|G00X+M30|0"}) {
            QStringList f = QString::fromUtf8(r).split('|');
            const QString name = f.takeFirst();
            bothKinds(name, QStringList{crlf(f[0]), f[1], f[2], crlf(f[3]), f[4]});
        }
    }

    void keyboardFilter()
    {
        QFETCH(bool, plain);
        QFETCH(QStringList, row);
        const QString start = row[0], keys = row[2], expected = row[3];
        ScriptedDialogs dialogs;
        Station station;
        ProgramText &editor = station.load(start, plain);
        station.program.show();
        editor.selectRange(start.size(), 0);
        editor.setLocked(row[1] == QLatin1String("L"));
        QApplication::clipboard()->setText(QStringLiteral("CLIP"));
        // {name} is a key as QKeySequence spells it, {unlock} unlocks, anything else is typed.
        const QRegularExpression token(QStringLiteral("\\{([^}]+)\\}|(.)"));
        for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
            if (m.capturedLength(2))
                QTest::keyClick(editor.widget(), m.captured(2).at(0).toLatin1());
            else if (m.captured(1) == QLatin1String("unlock"))
                editor.setLocked(false);
            else
                QTest::keySequence(editor.widget(), QKeySequence(m.captured(1)));
        }
        QCOMPARE(editor.text(), expected);
        QCOMPARE(editor.lineCount(), int(expected.count(QLatin1String("\r\n"))) + 1);
        QCOMPARE(dialogs.beeps, row[4].toInt());
    }

    // Escape in an idle window takes off the marks of a send and the text's own
    // strike-through; neither counts as a change of the program, nor does the load.
    void escapeWhenIdleTakesStrikeThroughOff()
    {
        TestFolders folders;
        const QString path =
            writeFile(folders.file(QStringLiteral("struck.dnc")),
                      "{\\rtf1\\ansi\\f0\\strike G01\\strike0  X10\\par\nM30\\par\n}\n");
        frmProgram program;
        RichTextBox &text = *program.rtfText;
        QVERIFY(text.loadFile(path) && !program.isModified() && text.hasStrikeThru());
        text.markStruck(0, 5);
        text.select(6, 2);
        QTest::keyClick(&text, Qt::Key_Escape);
        QVERIFY(!text.hasStrikeThru() && text.struckMarks().isEmpty());
        QVERIFY(text.selStart() + text.selLength() == 0 && !program.isModified());
        QCOMPARE(text.text(), QStringLiteral("G01 X10\r\nM30"));
    }

    // The window's timer step hands the channel one piece a tick, a line or what is left of
    // the selection, and ends with a line end; the machine has wire[n] after tick n, and the
    // progress shows panels[n], the text locked and struck through up to there. With stopAt,
    // the stop comes after that many ticks, between pieces or while the last one leaves
    // (onItsWay): where the last one left its block open, the rest of it goes with its end of
    // block before the port closes.
    void sendStepByStep_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QStringList>("row"); // text, selStart, selLength, stopAt, onItsWay
        QTest::addColumn<QStringList>("wire");
        QTest::addColumn<QStringList>("panels");
        for (const char *r :
             {"r:two lines, progress rounded down|AB+CD|0|0|-1|0|AB+;AB+CD;AB+CD+|"
              "Send - 66%;Send - 100%;",
              "p:two lines, the closing end with the last|AB+CD|0|0|-1|0|AB+;AB+CD+|Send - 66%;",
              "r:selection|G01 X10+M30|9|3|-1|0|M3;M30+|Send - 100%;",
              "p:selection|G01 X10+M30|9|3|-1|0|M30+|", "first character|G01|0|1|-1|0|G+|",
              "stop between lines|AB+CD+|0|0|1|0|AB+|",
              "stop, a line on its way|AB+CD+|0|0|1|1|AB+|",
              // The scan stops short of the selection's last character.
              "stop inside the selection's last line|G01 X10+M30|9|3|1|0|M30+|",
              "stop, the selection's last line on its way|G01 X10+M30|9|3|1|1|M30+|",
              "stop after the selection's last character|G01 X10+M30|9|3|2|0|M30+|",
              "stop, nothing sent yet|AB+CD|0|0|0|0||"}) {
            QStringList f = QString::fromLatin1(r).split('|');
            const QString name = f.takeFirst();
            bothKinds(name, f.mid(0, 5).replaceInStrings("+", "\r\n"), crlf(f[5]).split(';'),
                      f[6].split(';'));
        }
    }

    void sendStepByStep()
    {
        QFETCH(bool, plain);
        QFETCH(QStringList, row);
        QFETCH(QStringList, wire);
        QFETCH(QStringList, panels);
        const QString text = row[0];
        const int selStart = row[1].toInt(), stopAt = row[3].toInt();
        const bool onItsWay = row[4] == QLatin1String("1");
        Station station;
        frmProgram &program = station.program;
        ProgramText &editor = station.load(text, plain);
        editor.selectRange(selStart, row[2].toInt());
        program.Send();
        program.Send(); // a second start within the pause changes nothing
        QTRY_COMPARE(program.actAction, qint32(actSend));
        QVERIFY(editor.locked() && station.now == 3000); // the pause: two seconds on its clock
        program.tEvent->stop();                          // the test ticks
        for (int tick = 0; tick < (stopAt < 0 ? wire.size() : stopAt); ++tick) {
            program.tEvent_Timer();
            if (stopAt >= 0) {
                if (tick + 1 < stopAt || !onItsWay)
                    QTRY_VERIFY(!program.ucDnc1->SendInProgress());
                continue;
            }
            QTRY_COMPARE(QString::fromLatin1(station.machine.received), wire[tick]);
            QTRY_COMPARE(program.stbPanel[1]->text(), panels[tick]);
            if (program.actAction == actSend)
                QCOMPARE(editor.strikes().value(0), std::pair(selStart, int(wire[tick].size())));
        }
        if (stopAt >= 0) {
            QCOMPARE(program.ucDnc1->SendInProgress(), onItsWay);
            QTest::keyClick(&program, Qt::Key_Escape); // Escape stops
            QTRY_COMPARE(program.actAction, qint32(actIdle));
            QTRY_COMPARE(QString::fromLatin1(station.machine.received), wire.last());
        }
        QCOMPARE(program.actAction, qint32(actIdle));
        QVERIFY(!editor.locked() && editor.strikes().isEmpty());
        QCOMPARE(editor.text(), text);
        QCOMPARE(editor.selStart(), selStart);
    }

    // The time a send has moved, its holds left out: what the time left is reckoned from.
    // Script: s: start, h: held, g: let go, at @ms each; then now=moving. From there the time
    // left shown (t sent left elapsed=shown) and the percentage (p position total=shown).
    void sendClock_data()
    {
        QTest::addColumn<QString>("script");
        for (const char *r :
             {"s@1000 4000=3000", "s@0 h@1000 g@3000 4000=2000", "s@0 h@1000 61000=1000",
              "h@0 s@500 g@2000 3000=1000", "h@0 g@400 s@500 1500=1000",
              "s@0 h@100 h@200 g@300 g@900 1000=800", "s@0 h@100 g@300 h@500 g@600 1000=700",
              "s@1000 0=0", "s@1000 h@500 g@800 2000=1000", "t 100 100 1000=00:01",
              "t 3 1 1000=00:01", "t 1 3600 1000=1:00:00", "t 1 3599 1000=59:59",
              "t 0 5 1000=", "p 0 0=100", "p 2 3=66"})
            QTest::newRow(r) << QString::fromLatin1(r);
    }

    void sendClock()
    {
        QFETCH(QString, script);
        QStringList steps = script.split(QLatin1Char(' '));
        const qint64 now = steps.last().section('=', 0, 0).toLongLong();
        const QString expected = steps.takeLast().section('=', 1);
        const auto arg = [&](int i) { return steps.value(i).toLongLong(); };
        if (steps[0] == QLatin1String("t"))
            QCOMPARE(timeLeftText(arg(1), arg(2), now), expected);
        else if (steps[0] == QLatin1String("p"))
            QCOMPARE(QString::number(progressPercent(arg(1), now)), expected);
        if (steps[0].size() == 1)
            return;
        SendClock clock;
        for (const QString &step : steps) {
            const qint64 at = step.mid(2).toLongLong();
            if (step.startsWith(QLatin1Char('s')))
                clock.start(at);
            else
                clock.hold(step.startsWith(QLatin1Char('h')), at);
        }
        QCOMPARE(QString::number(clock.movingMs(now)), expected);
    }

    // What a stop still sends of a block gone in part: at most the rest of its line (64
    // characters here), always with an end of block. Row: text, characters gone, the rest.
    void restOfBlock_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r : {"N1 X1+N2 X2+|3|X1+", "N1+N2+|3|\n", "N1+N2 X|5|2 X+", "N1+N2|6|+"})
            QTest::newRow(r) << crlf(QString::fromLatin1(r)).split('|');
        const QString x = QString(61, 'X'); // a line longer than the most
        QTest::newRow("long") << crlf("N1 " + x + x + "+|0|N1 " + x + "+").split('|');
    }

    void restOfBlock()
    {
        QFETCH(QStringList, row);
        TextSendSource source(row[0]);
        source.take(row[1].toInt());
        QCOMPARE(kordavel::restOfBlock(&source, 64), row[2]);
        QCOMPARE(kordavel::restOfBlock(nullptr, 64), QStringLiteral("\r\n"));
    }

    // A send at the line's speed of a selection that starts on the second line. While the
    // transfer clock stands still, never more than 64 characters are ahead of the line, and
    // the closing CR LF waits for two characters of room; the strike-through, the progress
    // and the blocks sent count from the selection's start.
    void lineSpeedSend_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("whileStill"); // what reaches the machine while the clock stands
        bothKinds("more than the window", 200, 64);
        bothKinds("the closing CR LF with one character of room", 63, 63);
    }

    void lineSpeedSend()
    {
        QFETCH(bool, plain);
        QFETCH(int, selLength);
        QFETCH(int, whileStill);
        const QString text = QStringLiteral("N1 G00 X0\r\n") +
                             QStringLiteral("G01 X1.5 Y2.5\r\n").repeated(15) +
                             QStringLiteral("M30");
        constexpr int kStart = 11;
        Station station;
        frmProgram &program = station.program;
        qint64 now = 0;
        setTransferClock([&] { return now; });
        QSignalSpy blocks(&program, &frmProgram::sendProgress);
        QSignalSpy steps(program.findChild<QTimer *>(QStringLiteral("feed")), &QTimer::timeout);
        program.picControl->controls->cboPace->setCurrentIndex(1);
        ProgramText &editor = station.load(text, plain);
        editor.selectRange(kStart, selLength);
        program.Send();
        const auto still = [&](int count) {
            QTRY_VERIFY(steps.count() >= 5);
            QTRY_COMPARE(station.machine.received.size(), count);
            const int after = steps.count();
            QTRY_VERIFY(steps.count() >= after + 5);
            QCOMPARE(station.machine.received.size(), count);
        };
        still(whileStill);
        // Each 300 ms later the line has carried the window: 64 more, and the progress shows.
        for (int shown = 128; shown < selLength; shown += 64) {
            now += 300;
            steps.clear();
            still(shown);
            const int at = kStart + shown;
            QCOMPARE(program.stbPanel[2]->text(), QString::number(at));
            QCOMPARE(program.stbPanel[1]->text(),
                     QStringLiteral("Send - %1%").arg(at * 100 / (kStart + selLength - 1)));
            QCOMPARE(editor.strikes(), (QList<std::pair<int, int>>{{kStart, shown}}));
        }
        setTransferClock([&] { return now += 1000; });
        QTRY_COMPARE(program.actAction, qint32(actIdle));
        QCOMPARE(QString::fromLatin1(station.machine.received),
                 text.mid(kStart, selLength) + QStringLiteral("\r\n"));
        QVERIFY(!editor.locked() && editor.strikes().isEmpty());
        QVERIFY(blocks.size() >= 2);
        QCOMPARE(blocks.first().at(0).toInt(), kStart);
        // The last before the end's (0, -1): the whole selection.
        QCOMPARE(blocks.at(blocks.size() - 2).at(1).toInt(), kStart + selLength);
    }

    // A file read for Send File, line after line: every line end as CR LF, an empty line as an
    // empty block; a .dnc through its plain text. Position and total are the file's bytes.
    void sendFileSource_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("lines"); // as taken, "|" between
        for (const char *r : {"N1\n\nN2\r\n\r\nM30|N1+|+|N2+|+|M30", "N1\r\rN2\r|N1+|+|N2+",
                              "N1 G01 X10\n|N1 G0|1 X10|+",
                              "{\\rtf1\\ansi\\f0 N1\\par\n\\par\nM30\\par\n}|N1+|+|M30"})
            QTest::newRow(r) << QByteArray(r).split('|').first()
                             << crlf(QString(r).section('|', 1));
    }

    void sendFileSource()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, lines);
        TestFolders folders;
        FileCheck problem;
        const std::unique_ptr<SendSource> source =
            openSendFile(writeFile(folders.file(QStringLiteral("part.nc")), file), &problem);
        QVERIFY(source && problem.ok());
        const bool plain = !file.startsWith('{');
        QVERIFY(!plain || source->total() == file.size());
        QStringList taken;
        for (int n = 0; n < 10 && !source->atEnd(); ++n)
            taken << source->takeLine(5);
        QCOMPARE(taken.join('|'), lines);
        QVERIFY(!source->failed());
        QVERIFY(!plain || (source->total() == file.size() && source->position() == file.size()));
        QVERIFY(!openSendFile(folders.file(QStringLiteral("missing.nc")), &problem) &&
                problem.problem == FileProblem::Missing);
    }

    // A Send File whose file cannot be read past its first bytes (those that tell a plain file
    // from a .dnc) ends the transfer with a message naming the file and the system's reason.
    void sendFileReadError()
    {
        Station station;
        frmProgram &program = station.program;
        ScriptedDialogs dialogs;
        setTransferClock([&] { return station.now += 1000; });
        const QString path =
            writeFile(station.folders.file(QStringLiteral("part.nc")), "N1\n\nN2\r\nM30\n");
        program.picControl->controls->cboPace->setCurrentIndex(1);
        const auto restore = qScopeGuard([] { setReadCall(nullptr); });
        setReadCall([](int fd, void *into, size_t size) -> ssize_t {
            return size <= 5 ? ::read(fd, into, size) : (errno = EIO, -1);
        });
        program.SendFile(path);
        QTRY_COMPARE(
            dialogs.messages,
            QStringList{path + "\nThe file could not be read to its end. " + qt_error_string(EIO)});
        QCOMPARE(program.actAction, qint32(actIdle));
        QVERIFY(!program.ucDnc1->MSComm1().PortOpen());
    }

    // The file view shows the last lines sent without their CRs, however much was sent
    // between two flushes (lines, lines handed at a time); a new file starts it empty.
    void fileSendViewShowsTheTail_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("piece");
        for (const auto &[lines, piece] : {std::pair{3, 1}, {1000, 1000}, {1000, 1}})
            QTest::newRow(qPrintable(QStringLiteral("%1 by %2").arg(lines).arg(piece)))
                << lines << piece;
    }

    void fileSendViewShowsTheTail()
    {
        QFETCH(int, lines);
        QFETCH(int, piece);
        FileSendView view;
        view.start(QStringLiteral("/old/O1.nc"));
        view.sent(QStringLiteral("OLD\r\n"));
        view.flush();
        view.start(QStringLiteral("/parts/O2000.nc"));
        QCOMPARE(view.lblFile->text(), QStringLiteral("O2000.nc"));
        QStringList sent;
        for (int n = 1; n <= lines; ++n)
            sent << QStringLiteral("N%1 G01 X%2 Y1.5").arg(n).arg(n % 97);
        for (int n = 0; n < lines; n += piece)
            view.sent(sent.mid(n, piece).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        view.flush();
        QCOMPARE(view.txtLines->toPlainText(),
                 (sent.mid(std::max(0, lines - 11)) << "").join('\n'));
    }

    // How much of received text fits after a program of lines lines and length characters,
    // within 3 lines and 20 characters. Row: text, lines, length, what fits.
    void receivedFits_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r :
             {"N1+N2+|1|0|N1+N2+", "N1+N2+N3+|1|0|N1+N2+N3", "A\rB\nC+|1|0|A\rB\nC", "N2+N3|3|6|N2",
              "N10 X1+|1|15|N10 X", "A\nB|1|18|A", "N1+N2|1|17|N1", "+|3|0|"})
            QTest::newRow(r) << crlf(QString::fromLatin1(r)).split('|');
    }

    void receivedFits()
    {
        QFETCH(QStringList, row);
        const qsizetype fits =
            receivedFitting(row[0], row[1].toInt(), row[2].toInt(), ReceiveLimit{3, 20});
        QCOMPARE(row[0].left(fits), row[3]);
    }

    // The question, answered every way, in English and in another language: a switch of
    // language reaches the dialog that already exists. Row: language, cancel offered (c),
    // how the user answers, the answer.
    void questionAnswers_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r :
             {"1 c yes 0", "1 c no 1", "1 c cancel 3", "1 c enter 0", "1 c escape 3", "1 c close 3",
              "1 - enter 0", "1 - escape 1", "1 - close 1", "2 c no 1", "3 - escape 1"})
            QTest::newRow(r) << QString::fromLatin1(r).split(' ');
    }

    void questionAnswers()
    {
        QFETCH(QStringList, row);
        const bool cancelOffered = row[1] == QLatin1String("c");
        // The previous use, in English, leaves an answer behind; it must not leak into this one.
        answerNextQuestion(click(&frmQuestion::cmdYes));
        QCOMPARE(AskQuestion(232, true), 0);
        const LanguageGuard english;
        setLanguageNumber(qint16(row[0].toInt()));
        QuestionSeen seen;
        answerNextQuestion(user(row[2]), &seen);
        QCOMPARE(AskQuestion(232, cancelOffered), row[3].toInt());
        QVERIFY(seen.shown && !frmQuestion::instance().isVisible());
        QCOMPARE(seen.cancelVisible, cancelOffered);
        QCOMPARE((QStringList{seen.text, seen.yes, seen.no, seen.cancel}),
                 (QStringList{GetString({}, 232), GetString({}, 203), GetString({}, 204),
                              GetString({}, 202)}));
        // A text the table does not hold leaves the last one in place.
        answerNextQuestion(click(&frmQuestion::cmdYes), &seen);
        QCOMPARE(AskQuestion(230, false), 0);
        QCOMPARE(seen.text, GetString({}, 232));
        // A name longer than the line is shortened in the middle, keeping its start and end.
        const QString name = QStringLiteral("FLANGE_").repeated(30) + QStringLiteral("OP20.nc");
        answerNextQuestion(click(&frmQuestion::cmdNo), &seen);
        setLanguageNumber(1);
        QCOMPARE(AskQuestion(232, true, name), 1);
        const QStringList lines = seen.text.split(QLatin1Char('\n'));
        QVERIFY(lines.size() == 2 && lines[0] == QStringLiteral("Save file?"));
        QVERIFY(lines[1].startsWith(QStringLiteral("FLANGE_")) && lines[1].endsWith("OP20.nc"));
        const QLabel *label = frmQuestion::instance().lblText;
        QVERIFY(label->fontMetrics().horizontalAdvance(lines[1]) <= label->width());
    }

    // A click on the path puts the caret at the start of its block (a click on nothing leaves
    // it); the caret's block is marked, drawn in the marking colour, the others not.
    void caretAndPath_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QPointF>("clicked"); // none when x < 0
        QTest::addColumn<int>("caret");       // editor position, a line end counting two
        QTest::addColumn<int>("line");        // the block marked
        bothKinds("rapid", QPointF(5, 0), 3, 1);
        bothKinds("feed", QPointF(10, 6), 14, 2);
        bothKinds("arc top", QPointF(5, 15), 31, 3);
        bothKinds("nothing there, a block without moves", QPointF(5, 5), 45, 4);
        bothKinds("caret at the arc block's end", QPointF(-1, 0), 43, 3);
    }

    void caretAndPath()
    {
        QFETCH(bool, plain);
        QFETCH(QPointF, clicked);
        QFETCH(int, caret);
        QFETCH(int, line);
        Window w(plain);
        ProgramText &editor = *w.program.editor();
        editor.setSelStart(clicked.x() < 0 ? caret : 45);
        if (clicked.x() >= 0)
            QTest::mouseClick(w.preview->view, Qt::LeftButton, {}, w.at(clicked.x(), clicked.y()));
        QCOMPARE(std::pair(editor.selStart(), editor.selLength()), std::pair(caret, 0));
        QCOMPARE(w.preview->view->markedLine(), line);
        const QImage image = w.preview->view->grab().toImage();
        const QColor marked(230, 20, 20);
        QCOMPARE(image.pixelColor(w.at(10, 6)) == marked, line == 2);
        QCOMPARE(image.pixelColor(w.at(5, 15)) == marked, line == 3);
    }

    // A send of lines 1 and 2 (the selection up to the line end of line 2) colours them.
    // Closing the preview gives its room back to the text; dragging the handle widens it.
    // (Where it stands at the sizes of a 1024x768 screen: tst_screen.)
    void previewColoursAndRoom()
    {
        Window w;
        w.program.rtfText->select(3, 28);
        w.program.Send();
        QTRY_COMPARE(w.program.actAction, qint32(actSend));
        w.program.tEvent->stop(); // the test ticks
        QList<QPair<int, int>> seen;
        while (w.program.actAction == actSend) {
            w.program.tEvent_Timer();
            QTRY_VERIFY(!w.program.ucDnc1->Busy());
            seen << w.preview->view->sentLines();
        }
        QCOMPARE(seen, (QList<QPair<int, int>>{{1, 2}, {1, 3}, {0, -1}}));
        w.program.resize(1916, 930);
        const int text = w.program.rtfText->width();
        QMetaObject::invokeMethod(w.preview->findChild<QWidget *>("cmdClose"), "click");
        QVERIFY(!w.preview->isVisible());
        QCOMPARE(w.program.rtfText->width(), w.program.panelArea->x());
        w.program.Preview();
        QCOMPARE(w.program.rtfText->width(), text);
        auto *handle = w.program.findChild<QWidget *>("PaneHandle");
        const QPointF from(kPreviewHandle / 2, 10), to(kPreviewHandle / 2 - 200, 10);
        QTest::mousePress(handle, Qt::LeftButton, {}, from.toPoint());
        QMouseEvent drag(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &drag);
        QCOMPARE(w.program.rtfText->width(), text - 200);
        QVERIFY(w.preview->mapTo(&w.program, QPoint(w.preview->width(), 0)).x() <=
                w.program.panelArea->x());
    }

    // The preview follows the text once typing pauses, names the words not understood in the
    // language chosen, and reads the program again when the thousandths box changes (the
    // thousandths choice stored for the next preview). Of many words not understood the status
    // names the first; the tooltip holds them all.
    void previewFollowsTheText()
    {
        Window w;
        frmPreview &p = *w.preview;
        w.program.rtfText->setSelStart(w.program.rtfText->textLength());
        QTest::keyClicks(w.program.rtfText, "G28 X0\rG1 Y-5");
        QVERIFY(p.tUpdate->isActive());
        QCOMPARE(p.view->path().segments.size(), 3);
        QTRY_COMPARE(p.view->path().segments.size(), 4);
        QCOMPARE(p.lblStatus->text(), "Not understood: G28 (line 6)");
        const LanguageGuard english;
        ChangeLanguage(3);
        QCOMPARE(p.lblStatus->text(), "No entendido: G28 (linea 6)");
        ChangeLanguage(1);
        w.program.rtfText->setText("G0 X10000 Y2500\nG1 X100.\n");
        p.refresh();
        QCOMPARE(p.view->path().points.at(1).x, 10000.0);
        p.chkThousandths->setChecked(true);
        QTRY_VERIFY(!p.busy());
        QCOMPARE(p.view->path().points.at(1), (ToolpathPoint{10, 2.5, 0}));
        frmProgram next;
        next.Preview();
        QVERIFY(next.preview()->chkThousandths->isChecked());

        w.program.resize(760, 440);
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QString("G1 X1 A%1\n").arg(i);
        w.program.rtfText->setText(text);
        p.refresh();
        QTRY_VERIFY(p.lblStatus->text().contains("+34"));
        const int needed = p.lblStatus->heightForWidth(p.lblStatus->width());
        QVERIFY(needed >= 2 * p.lblStatus->fontMetrics().lineSpacing()); // wrapped in lines
        QTRY_VERIFY(p.lblStatus->height() >= needed);
        QCOMPARE(p.lblStatus->toolTip().split('\n').size(), 40);
    }

    // The preview's pane beside the text: never over the panel or the status bar, the
    // text keeps its room, and the three widths fill the area. Row: area, share, the widths
    // of text, handle and preview.
    void previewSplit_data()
    {
        QTest::addColumn<QString>("row");
        for (const char *r :
             {"1000 0.5 494 6 500", "1000 0.1 694 6 300", "1000 1.0 160 6 834", "400 0.5 197 6 197",
              "1000 nan 694 6 300", "4 0.5 4 0 0", "-20 0.5 0 0 0"})
            QTest::newRow(r) << QString::fromLatin1(r);
    }

    void previewSplit()
    {
        QFETCH(QString, row);
        const PreviewSplit s =
            splitForPreview(row.section(' ', 0, 0).toInt(), row.section(' ', 1, 1).toDouble(), 300);
        QCOMPARE(QString("%1 %2 %3").arg(s.text).arg(s.handle).arg(s.preview), row.section(' ', 2));
    }

    // A lathe's program opens its preview in lathe mode, a mill's not, one that tells
    // neither in the mode chosen last; a choice is the window's own and stored for the next.
    void latheFollowsTheProgram()
    {
        Station s;
        const auto open = [](frmProgram &program, const char *text) {
            program.rtfText->setText(QString::fromLatin1(text));
            program.show();
            program.Preview();
            return program.preview(); // a short program is read at once
        };
        frmPreview *lathe = open(s.program, "%\nO1\nG18 G21\nT0101\nG96 S200 M3\nG0 X52 Z2\n");
        QVERIFY(lathe->chkLathe->isChecked());
        QCOMPARE(lathe->view->view(), ToolpathView::ViewLathe);
        QCOMPARE(lathe->view->path().points.at(1).x, 26.0); // X52 a diameter
        // The user's choice holds while the program changes.
        lathe->chkLathe->setChecked(false);
        QCOMPARE(lathe->view->path().points.at(1).x, 52.0); // read again
        s.program.rtfText->setText("T0202\nG18 G0 X10 Z1 W1\n");
        lathe->refresh();
        QVERIFY(!lathe->chkLathe->isChecked());

        frmProgram mill;
        frmPreview *other = open(mill, "G17 G0 X10 Y10\nG18 G2 X20 Z-10 I5 K0\n");
        QVERIFY(!other->chkLathe->isChecked());
        other->cboView->setCurrentIndex(ToolpathView::ViewXZ);
        // Typed text that becomes a lathe's while no choice was made turns the mode.
        mill.rtfText->setText("T0101\nG18 G0 X10 Z1\n");
        other->refresh();
        QVERIFY(other->chkLathe->isChecked());
        QCOMPARE(lathe->cboView->currentIndex(), int(ToolpathView::ViewXY)); // its own
        other->chkLathe->setChecked(false);
        other->chkLathe->setChecked(true);

        frmProgram next;
        frmPreview *third = open(next, "G0 X10 Z1\n");
        QVERIFY(third->chkLathe->isChecked()); // the last chosen
        QCOMPARE(third->cboView->currentIndex(), int(ToolpathView::ViewXZ));
    }

    // An arc whose radius grows to 50,000 km, seen at the closest zoom: it is drawn in pieces
    // along it (a count too large for an int is cut), not as the one piece of its chord.
    void farArcDrawnInPieces()
    {
        ToolpathView view;
        view.resize(400, 300);
        view.setPath(
            ToolpathInterpreter::interpret(u"G20 G91 G0 X-999999999\nG2 X-999999999 I999999999"));
        QWheelEvent wheel(QPointF(200, 150), view.mapToGlobal(QPointF(200, 150)), QPoint(),
                          QPoint(0, 120 * 300), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(&view, &wheel);
        (void)view.grab();
        QCOMPARE(view.drawnPieces(), 2048);
    }

    // What of the line's text goes into the program, read after read ("~" a NUL): all of it
    // by hand; at the closing %, from the first % to the line end after the second, each
    // receive counting its own. Row: at the closing % (1), the reads, the program, whether
    // it was closed, the count.
    void receivedText_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r :
             {"0|~~ X\r\n%\r\nN1\r\n%\r\n;AFTER|~~ X\r\n%\r\nN1\r\n%\r\nAFTER|0|21",
              "1|~~~  ~;LEADER\r\n%;\r\nN1\r\n|%\r\nN1\r\n|0|21",
              "1|%\r\nN1\r\n%\r\nAFTER END %\r\n|%\r\nN1\r\n%\r\n|1|10",
              "1|%\nN1\n%\r;\nAFTER;%\n|%\nN1\n%\r\n|1|8", "1|%\n%\n;%\nN2\n%\n|%\n%\n|1|4"}) {
            const QString row = QString::fromLatin1(r).replace(QLatin1Char('~'), QChar(0));
            QTest::newRow(r) << row.split(QLatin1Char('|'));
        }
    }

    void receivedText()
    {
        QFETCH(QStringList, row);
        ReceivedText text(row[0] == QLatin1String("1"));
        QString taken;
        for (const QString &read : row[1].split(QLatin1Char(';')))
            taken += text.take(read);
        QCOMPARE(taken, row[2]);
        QCOMPARE(text.closed(), row[3] == QLatin1String("1"));
        QCOMPARE(int(text.count()), row[4].toInt());
    }

    // A port list, the panel's or the Options dialog's, is read again each time it opens: a
    // port that came shows, the chosen one stays chosen, and shows marked once it has gone;
    // the channel stays on it.
    void portListsReadAgain_data()
    {
        QTest::addColumn<bool>("options");
        QTest::newRow("the panel") << false;
        QTest::newRow("the Options dialog") << true;
    }

    void portListsReadAgain()
    {
        QFETCH(bool, options);
        Profiles p;
        SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), QStringLiteral("Com5"));
        frmProgram window;
        frmOptions dialog;
        PortList *list = options ? dialog.controls->cboPort : window.picControl->controls->cboPort;
        PtyMachine plugged;
        plugged.mapTo(9);
        QCOMPARE(itemsOf(list), (QStringList{"Com3", "Com5"}));
        QSignalSpy choices(list, &QComboBox::currentIndexChanged);
        const auto open = [list] {
            list->showPopup();
            list->hidePopup();
        };
        open();
        QCOMPARE(itemsOf(list), (QStringList{"Com3", "Com5", "Com9"}));
        QCOMPARE(list->currentText(), QStringLiteral("Com5"));
        p.port5.reset();
        open();
        QCOMPARE(itemsOf(list), (QStringList{"Com3", "Com5 (absent)", "Com9"}));
        QCOMPARE(list->currentText(), QStringLiteral("Com5 (absent)"));
        QCOMPARE(choices.count(), 0);
        QCOMPARE(window.ucDnc1->ComPort(), QStringLiteral("COM5"));
        // The mark follows the language; every caption of the Options dialog shows whole in
        // every language (the panel's: tst_screen); the text pane gives way to a wider panel,
        // which narrows again.
        const LanguageGuard english;
        window.resize(900, 600);
        dialog.show();
        const int panelWidth = window.picControl->width();
        for (const qint16 language : {2, 3, 1}) {
            setLanguageNumber(language);
            window.SetLanguage();
            dialog.SetLanguage();
            checkCaptionsFit(&dialog);
            QVERIFY(window.rtfText->geometry().right() < window.panelArea->x());
            QVERIFY(language != 3 || list->currentText() == QStringLiteral("Com5 (ausente)"));
        }
        QCOMPARE(window.picControl->width(), panelWidth);
        // Choosing a present port takes it; the absent one is no longer offered.
        list->setCurrentIndex(list->findText(QStringLiteral("Com9")));
        open();
        QCOMPARE(itemsOf(list), (QStringList{"Com3", "Com9"}));
        if (options)
            dialog.cmdOK->click();
        QCOMPARE(options ? ReadDefaultLineSettings().Port : window.ucDnc1->ComPort(),
                 options ? "Com9" : "COM9");
    }

    // Machines from their icon files "m<name>.ico", sorted without regard to case: a file without a
    // picture lists but has no icon; a folder or a name without the m is no machine. A window lists
    // them; a machine whose icon went away snaps back to the last choice. Without a folder set, the
    // user's data folder before the system's (the same name takes the user's).
    void machinesFromIconFiles()
    {
        Profiles p;
        const QString folder = machineFolder() + QLatin1Char('/');
        QComboBox list, both;
        for (const char *name : {"mLathe1.ico", "MDRILL.ICO", "mapex.ico"})
            drawIcon(folder + QLatin1String(name));
        QFile(folder + QStringLiteral("m.ico")).open(QIODevice::WriteOnly);
        QFile(folder + QStringLiteral("lathe.ico")).open(QIODevice::WriteOnly);
        QDir(folder).mkpath(QStringLiteral("mFolder.ico"));
        QVERIFY(FillMachines(&list));
        QCOMPARE(itemsOf(&list), (QStringList{"", "apex", "DRILL", "Lathe1", "NONE"}));
        QCOMPARE(list.currentText(), QStringLiteral("NONE"));
        const auto has = [](const char *name) {
            return machineIcon(QLatin1String(name), QIcon()).has_value();
        };
        QVERIFY(has("Lathe1") && has("DRILL") && !has("") && !has("Gone"));
        frmProgram window;
        QComboBox *panel = window.picControl->cboMashine;
        QCOMPARE(itemsOf(panel), itemsOf(&list));
        panel->setCurrentIndex(2);
        QFile::remove(folder + QStringLiteral("mLathe1.ico"));
        panel->setCurrentIndex(3);
        QCOMPARE(panel->currentText(), QStringLiteral("DRILL"));
        QVERIFY(!window.windowIcon().isNull());
        const QString user = p.folders.file(QStringLiteral("home/kordavel/machines"));
        const QString system = p.folders.file(QStringLiteral("usr/kordavel/machines"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(p.folders.file(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(p.folders.file(QStringLiteral("usr"))));
        const auto unset = qScopeGuard([] {
            qunsetenv("XDG_DATA_HOME");
            qunsetenv("XDG_DATA_DIRS");
        });
        QVERIFY(QDir().mkpath(user) && QDir().mkpath(system));
        drawIcon(system + QStringLiteral("/mMill.ico"));
        drawIcon(system + QStringLiteral("/mSaw.ico"));
        drawIcon(user + QStringLiteral("/mMill.ico"), Qt::white);
        setMachineFolder(QString());
        QCOMPARE(machineFolders().mid(0, 1), QStringList{user});
        QVERIFY(machineFolders().contains(system));
        QVERIFY(FillMachines(&both));
        QCOMPARE(itemsOf(&both), (QStringList{"Mill", "NONE", "Saw"}));
        const QImage mill = machineIcon(QStringLiteral("Mill"), QIcon())->pixmap(16).toImage();
        QCOMPARE(mill.pixelColor(8, 8), QColor(Qt::white));
        QVERIFY(has("Saw"));
    }

    // The stored defaults as a new program window's panel and channel, and the Options
    // dialog, show them. Row: key=value pairs stored in "Default"; what the controls show
    // (shownBy); the channel's settings string; the end-of-receive choice shown.
    // Each list reports its default choice once, as the panel's first setting of the channel.
    void fillersSelectOnce()
    {
        QStringList reported;
        for (bool (*fill)(QComboBox *) :
             {FillBaudRates, FillParities, FillStopBits, FillDataBits}) {
            QComboBox list;
            connect(&list, &QComboBox::currentIndexChanged, &list,
                    [&](int i) { reported << list.itemText(i); });
            QVERIFY(fill(&list));
        }
        QCOMPARE(reported, (QStringList{"4800", "Even", "2", "7"}));
    }

    void defaultsShown_data()
    {
        QTest::addColumn<QStringList>("row");
        const char *fallback = "Com3 4800 7 Even 2 101100";
        const auto row = [](const char *name, const QString &stored, const QString &shown,
                            const char *settings) {
            QTest::newRow(name) << QStringList{stored, shown, QString::fromLatin1(settings)};
        };
        row("empty store", "", fallback, "4800,E,7,2 0");
        row("stored values",
            "Port=Com5 BaudRate=9600 DataBits=8 Parity=None StopBits=1 XOnXOff=0 WaitXOn=1 "
            "RTSCTS=0 DSRDTR=0 ISOEIA=1 ReceiveEnd=2 Pace=1",
            "Com5 9600 8 None 1 010011", "9600,N,8,1 2");
        row("fast rate, absent port", "Port=Com12 BaudRate=115200",
            "Com12_(absent) 115200 7 Even 2 101100", "115200,E,7,2 0");
        row("values the lists do not hold",
            "Port=Com17 BaudRate=14400 Parity=odd XOnXOff=x ISOEIA=7 ReceiveEnd=3 Pace=7", fallback,
            "4800,E,7,2 0");
    }

    void defaultsShown()
    {
        Profiles p;
        QFETCH(QStringList, row);
        for (const QString &pair : row[0].split(' ', Qt::SkipEmptyParts))
            SaveSetting(QStringLiteral("Default"), pair.section('=', 0, 0), pair.section('=', 1));
        frmProgram window;
        frmOptions options;
        for (const LineSettingsControls *c : {window.picControl->controls, options.controls}) {
            QCOMPARE(shownBy(*c).join(' '), QString(row[1]).replace('_', ' '));
            QCOMPARE(c->cboReceiveEnd->currentIndex(), row[2].section(' ', 1).toInt());
        }
        // The channel holds what the panel shows.
        const ucDnc &dnc = *window.ucDnc1;
        QCOMPARE(dnc.ComPort(), row[1].section(' ', 0, 0).section('_', 0, 0).toUpper());
        QCOMPARE(dnc.MSComm1().Settings().toUpper(), row[2].section(' ', 0, 0));
        const QString flags = row[1].section(' ', -1);
        QCOMPARE(QString() + bit(dnc.XOnXOff()) + bit(dnc.RTSCTS()) + bit(dnc.DTRDTS()) +
                     bit(dnc.EIA()),
                 QString() + flags[0] + flags[2] + flags[3] + flags[4]);
    }

    // Each window's panel sets its own channel and writes nothing back. The Options dialog's
    // Cancel writes nothing; OK writes all twelve defaults, and windows opened afterwards
    // start with them. With no port present the stored one stays, marked, and a window's
    // channel on it.
    void panelPerWindowOptionsOnOk()
    {
        Profiles p;
        frmProgram one, two;
        one.picControl->controls->optFormat[1]->setChecked(true);
        QVERIFY(selectItemText(one.picControl->controls->cboBaudRate, "9600"));
        QCOMPARE((QList<QVariant>{one.ucDnc1->EIA(), two.ucDnc1->EIA(), one.ucDnc1->BaudRate(),
                                  two.ucDnc1->BaudRate()}),
                 (QList<QVariant>{true, false, "9600", "4800"}));
        // Wait for XOn holds the next send of that window alone.
        one.picControl->controls->chkWaitXOn->setChecked(true);
        for (frmProgram *window : {&one, &two}) {
            window->ucDnc1->setAction(actSend);
            QCOMPARE(window->ucDnc1->XOffHeld(), window == &one);
            window->ucDnc1->setAction(actIdle);
        }
        for (const bool ok : {false, true}) {
            frmOptions options;
            const LineSettingsControls &c = *options.controls;
            c.chkDSRDTR->setChecked(false);
            c.optFormat[1]->setChecked(true);
            QVERIFY(selectItemText(c.cboBaudRate, "9600"));
            c.cboReceiveEnd->setCurrentIndex(1);
            c.cboPace->setCurrentIndex(1);
            QVERIFY(!QSettings(p.folders.settingsFile(), QSettings::IniFormat)
                         .childGroups()
                         .contains(QStringLiteral("Default")));
            (ok ? options.cmdOK : options.cmdCancel)->click();
        }
        QSettings ini(p.folders.settingsFile(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Default"));
        QCOMPARE(ini.childKeys().size(), 12);
        frmProgram window;
        QCOMPARE(shownBy(*window.picControl->controls),
                 (QStringList{"Com3", "9600", "7", "Even", "2", "101011"}));
        QCOMPARE(window.picControl->controls->cboReceiveEnd->currentIndex(), 1);
        p.port3.reset();
        p.port5.reset();
        frmOptions without;
        QCOMPARE(itemsOf(without.controls->cboPort), QStringList{"Com3 (absent)"});
        without.cmdOK->click();
        QCOMPARE(ReadDefaultLineSettings().Port, QStringLiteral("Com3"));
        frmProgram later;
        QCOMPARE(later.ucDnc1->ComPort(), QStringLiteral("COM3"));
    }

    // Positions and offsets map both ways, whatever the line ends and after edits that put
    // pieces of other ends side by side (inserted raw at line 2 and the end, then 2 removed).
    void positionsCountLineEndsAsTwo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("inserted");
        // "CR and LF apart": stored side by side, the CR of one and the LF of the next stay
        // two line ends.
        for (const auto &[name, bytes, inserted] : {std::tuple{"CR LF", kCrLf, ""},
                                                    {"LF", kLf, ""},
                                                    {"lone CR", "G0\rG1\r\rM30", ""},
                                                    {"mixed", kMixed, ""},
                                                    {"LF in CR LF", kCrLf, "A\nB\nC"},
                                                    {"CR LF in LF", kLf, "A\r\nB\r\n"},
                                                    {"mixed in mixed", kMixed, "\rX\nY\r\nZ\n"},
                                                    {"CR and LF apart", kCrLf, "\nA\r"},
                                                    {"no line end", "M30", "\n"},
                                                    {"empty", "", ""}})
            QTest::newRow(name) << QByteArray(bytes) << QByteArray(inserted);
    }
    void positionsCountLineEndsAsTwo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, inserted);
        LineBuffer buffer;
        buffer.setBytes(bytes);
        if (!inserted.isEmpty()) {
            QVERIFY(buffer.insert(buffer.lineStart(2), inserted));
            QVERIFY(buffer.insert(buffer.size(), inserted));
            QVERIFY(buffer.remove(buffer.lineStart(1), 2));
        }
        const QByteArray text = buffer.toBytes();
        const QList<qint64> expected = referencePositions(text);
        QCOMPARE(buffer.positionCount(), expected.last());
        for (qint64 offset = 0; offset <= text.size(); ++offset) {
            QCOMPARE(buffer.positionOf(offset), expected[offset]);
            if (offset == 0 || expected[offset] != expected[offset - 1])
                QCOMPARE(buffer.offsetOfPosition(expected[offset]), offset);
        }
        // A position on the second character of a line end is the end of its line.
        for (qint64 line = 0; line + 1 < buffer.lineCount(); ++line) {
            const qint64 end = buffer.lineStart(line) + buffer.lineLength(line);
            QCOMPARE(buffer.offsetOfPosition(buffer.positionOf(end) + 1), end);
        }
    }

    // Plain files of any line end open in the view (UTF-8 beyond ASCII and RTF .dnc ones in
    // the rich-text control); an edit marks the program changed, Undo takes it back, and
    // Save writes the file byte for byte with every line's own end ("X5" typed on line 3),
    // as does Save As.
    void opensEditsAndSavesByteForByte_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("rich"); // shown in the rich-text control, from its start
        for (const auto &[name, bytes] : {std::pair{"O1000.nc", kCrLf},
                                          {"o1000.ngc", kLf},
                                          {"PART.TAP", kMixed},
                                          {"a.nc", "(\xd8 6)\r\n"}})
            QTest::newRow(name) << QString(name) << QByteArray(bytes) << "";
        QTest::newRow("UTF-8") << "a.nc" << QByteArray("(\xc3\x98 6)\r\n") << "(\u00d8 6)";
        QTest::newRow("RTF") << "part.dnc" << QByteArray("{\\rtf1\\ansi\\f0 G01 X1\\par M30\\par }")
                             << "G01 X1";
    }
    void opensEditsAndSavesByteForByte()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, rich);
        PlainSession s;
        frmProgram *p = s.open(name, bytes);
        if (!rich.isEmpty()) {
            QTRY_VERIFY(p->rtfText->text().startsWith(rich));
            QCOMPARE(p->editor(), static_cast<ProgramText *>(p->rtfText));
            QVERIFY(!s.view());
            return;
        }
        ProgramView *view = s.view();
        QVERIFY(view && view->isVisible() && p->rtfText->isHidden());
        QString ends = QString::fromLatin1(bytes).replace("\r\n", "\n").replace('\r', '\n');
        QCOMPARE(p->editor()->text(), ends.replace('\n', "\r\n"));
        QVERIFY(!p->isModified());
        const int line = bytes.startsWith('(') ? 0 : 2;
        p->editor()->setSelStart(p->editor()->lineStartPosition(line));
        QTest::keyClicks(view, QStringLiteral("X5"));
        QVERIFY(p->isModified() && p->shownCaption().endsWith('*'));
        s.trigger("mnuEditUndo");
        QVERIFY(!p->isModified());
        QCOMPARE(view->buffer().toBytes(), bytes);
        s.trigger("mnuEditRedo");
        s.trigger("mnuFileSave");
        QVERIFY(!p->isModified() && !p->shownCaption().endsWith('*'));
        QCOMPARE(readFile(s.folders.file(name)),
                 QByteArray(bytes).insert(view->buffer().lineStart(line), "X5"));
        if (bytes != kMixed)
            return;
        // Save As keeps the view: a plain name gets the bytes, a .dnc name the text as RTF (a
        // program of millions of lines would not fit the rich-text control).
        const QString plain = s.folders.file(QStringLiteral("b.nc"));
        const QString rtf = s.folders.file(QStringLiteral("c.dnc"));
        s.dialogs.saveAnswers << plain << rtf;
        s.trigger("mnuFileSaveAs");
        QCOMPARE(readFile(plain), readFile(s.folders.file(name)));
        QCOMPARE(p->windowTitle(), plain);
        s.trigger("mnuFileSaveAs");
        QCOMPARE(p->windowTitle(), rtf);
        const std::optional<ProgramFile> back = loadProgramFile(rtf);
        QVERIFY(readFile(rtf).startsWith("{\\rtf") && back);
        QCOMPARE(back->content.plainText(), p->editor()->text().replace("\r\n", "\n"));
        QVERIFY(s.view() && p->editor()->fileFormat() == FileFormat::Rtf);
    }

    // Format commands change nothing on a plain program and say why, in the language
    // chosen. Clean, then Numbering, with the dialogs' first choices, take the view's lines:
    // each is one Undo step. (Line ends kept: tst_tools.)
    void formatCleanAndNumbering()
    {
        const QByteArray program = "%\nO0001\nN1 G90 G54\n\nN2 G00 X0 Y0\nM30\n%\n";
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), program);
        p->editor()->selectRange(0, 5);
        s.frame->changeLanguage(3);
        for (const char *entry :
             {"mnuFormatBold", "mnuFormatItalic", "mnuFormatUnderline", "mnuFormatFont"}) {
            s.frame->statusBar()->clearMessage();
            s.trigger(entry);
            QCOMPARE(s.frame->statusBar()->currentMessage(),
                     QStringLiteral("El formato se conserva solo en programas .dnc."));
        }
        QVERIFY(!s.dialogs.calls.contains(QStringLiteral("font")) && !p->isModified());
        const auto bytes = [&s] { return s.view()->buffer().toBytes(); };
        const auto answer = [](auto &dialog) { dialog.cmdOK->click(); };
        onNextDialog<frmClean>(answer);
        s.trigger("mnuProgramClean");
        const QByteArray cleaned = bytes();
        QCOMPARE(cleaned, "%\nO0001\nN1 G90 G54\nN2 G00 X0 Y0\nM30\n%\n");
        onNextDialog<frmNumbering>(answer);
        s.trigger("mnuProgramNumbering");
        QCOMPARE(bytes(), "%\nO0001\nN10 G90 G54\nN20 G00 X0 Y0\nN30 M30\n%\n");
        s.trigger("mnuEditUndo");
        QCOMPARE(bytes(), cleaned);
        s.trigger("mnuEditUndo");
        QCOMPARE(bytes(), program);
        QVERIFY(!p->isModified());
    }

    // What the machine punches goes after the text, with CR LF ends in positions, the text
    // locked meanwhile; the whole receive is one step for Undo.
    void receiveAppends()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kLf);
        s.trigger("mnuCommunicationReceive");
        QVERIFY(p->actAction == actReceive && p->editor()->locked());
        s.punch("N40 X4\r\nN50 M30\r\n", 4, 1);
        QTRY_VERIFY_WITH_TIMEOUT(p->editor()->text().endsWith(QLatin1String("N50 M30\r\n")), 20000);
        QCOMPARE(p->editor()->selStart(), p->editor()->textLength());
        s.trigger("mnuCommunicationReceive");
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 5000);
        QVERIFY(!p->editor()->locked() && p->isModified());
        QCOMPARE(s.view()->buffer().toBytes(), kLf + "N40 X4\nN50 M30\n");
        s.trigger("mnuEditUndo");
        QCOMPARE(s.view()->buffer().toBytes(), kLf);
    }
};

QTEST_MAIN(TstProgram)
#include "tst_program.moc"
