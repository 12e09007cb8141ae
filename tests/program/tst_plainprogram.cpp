// SPDX-License-Identifier: GPL-3.0-or-later
// A plain program opened from its file shows in the program view, and the frame's commands
// work on it there: edits and Undo, Save byte for byte, Save As, Clean and Numbering,
// Receive, the format commands. (Send, the close question and the preview on a plain
// program: tst_program, with a column for the file kind.)
#include "editor/LineBuffer.h"
#include "editor/ProgramFile.h"
#include "editor/ProgramView.h"
#include "program/TransferSteps.h"
#include "support/FrameSession.h"
#include "support/PtyMachine.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QStatusBar>

using namespace kordavel;
using namespace kordavel::test;

namespace {

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

class TstPlainProgram : public QObject {
    Q_OBJECT
private slots:
    // Positions and offsets map both ways, whatever the line ends and after edits that put
    // pieces of other ends side by side (inserted raw at line 2 and the end, then 2 removed).
    void positionsCountLineEndsAsTwo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("inserted");
        const auto row = [](const char *name, const QByteArray &bytes, const char *inserted) {
            QTest::newRow(name) << bytes << QByteArray(inserted);
        };
        row("CR LF", kCrLf, "");
        row("LF", kLf, "");
        row("lone CR", "G0\rG1\r\rM30", "");
        row("mixed", kMixed, "");
        row("CR LF file, LF lines put in", kCrLf, "A\nB\nC");
        row("LF file, CR LF lines put in", kLf, "A\r\nB\r\n");
        row("mixed, mixed put in", kMixed, "\rX\nY\r\nZ\n");
        // Stored side by side, the CR of one and the LF of the next stay two line ends.
        row("CR and LF put in apart", kCrLf, "\nA\r");
        row("no line end", "M30", "\n");
        row("empty", QByteArray(), "");
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
    // Save writes the file byte for byte with every line's own end ("X5" typed on line 3).
    void opensEditsAndSavesByteForByte_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("rich"); // shown in the rich-text control, from its start
        QTest::newRow("CR LF") << "O1000.nc" << kCrLf << "";
        QTest::newRow("LF") << "o1000.ngc" << kLf << "";
        QTest::newRow("mixed, no end at the end") << "PART.TAP" << kMixed << "";
        QTest::newRow("Windows-1252") << "a.nc" << QByteArray("(\xd8 6)\r\n") << "";
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
        QCOMPARE(p->windowTitle(), s.folders.file(name));
        if (!rich.isEmpty()) {
            QTRY_VERIFY(p->rtfText->text().startsWith(rich));
            QCOMPARE(p->editor(), static_cast<ProgramText *>(p->rtfText));
            QVERIFY(!s.view());
            return;
        }
        ProgramView *view = s.view();
        QVERIFY(view && view->isVisible() && p->rtfText->isHidden());
        QString crlf = QString::fromLatin1(bytes).replace("\r\n", "\n").replace('\r', '\n');
        QCOMPARE(p->editor()->text(), crlf.replace('\n', "\r\n"));
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
        // The caret panel follows the view.
        QCOMPARE(
            s.frame->findChild<QLabel *>(QStringLiteral("caretPanel"))->text(),
            QStringLiteral("Ln %1, Col 3 (%2 lines)").arg(line + 1).arg(p->editor()->lineCount()));
    }

    // Save As keeps the view: a plain name gets the bytes, a .dnc name the text as RTF (a
    // program of millions of lines would not fit the rich-text control).
    void saveAsPlainOrRtf()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kMixed);
        const QString plain = s.folders.file(QStringLiteral("b.nc"));
        const QString rich = s.folders.file(QStringLiteral("c.dnc"));
        s.dialogs.saveAnswers << plain << rich;
        s.trigger("mnuFileSaveAs");
        QCOMPARE(readFile(plain), kMixed);
        QCOMPARE(p->windowTitle(), plain);
        s.trigger("mnuFileSaveAs");
        QCOMPARE(p->windowTitle(), rich);
        const std::optional<ProgramFile> back = loadProgramFile(rich);
        QVERIFY(readFile(rich).startsWith("{\\rtf") && back);
        QCOMPARE(back->content.plainText(),
                 QString::fromLatin1(kMixed).replace("\r\n", "\n").replace('\r', '\n'));
        QVERIFY(s.view());
        QCOMPARE(p->editor()->fileFormat(), FileFormat::Rtf);
    }

    // Clean, then Numbering, with the dialogs' first choices, take the view's lines: each
    // is one Undo step. (Line ends kept: tst_plainrewrite.)
    void cleanAndNumbering()
    {
        const QByteArray program = "%\nO0001\nN1 G90 G54\n\nN2 G00 X0 Y0\nM30\n%\n";
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), program);
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

    // Format commands change nothing on a plain program and say why, in the language
    // chosen; the menu's colours and line numbers reach the view.
    void formatCommandsAndLanguage()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kCrLf);
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
        QVERIFY(!s.frame->buttonValue(QStringLiteral("Bold")));
        for (const bool on : {false, true}) {
            s.trigger("mnuToolsHighlight");
            s.trigger("mnuToolsLineNumbers");
            QCOMPARE(s.view()->coloured(), on);
            QCOMPARE(s.view()->lineNumbers(), on);
        }
    }
};

QTEST_MAIN(TstPlainProgram)
#include "tst_plainprogram.moc"
