// SPDX-License-Identifier: GPL-3.0-or-later
// A plain program opened from its file shows in the program view, and every command a
// machinist gives works on it there: edits and Undo, Save byte for byte, Find, Replace,
// Go To, Clean and Numbering, Send and Receive with a machine on a pseudo-terminal, the
// lock of a transfer, the preview, the format commands, the language.
#include "editor/LineBuffer.h"
#include "editor/ProgramFile.h"
#include "editor/ProgramView.h"
#include "i18n/Language.h"
#include "program/Pause.h"
#include "program/ProgramPanel.h"
#include "program/ToolpathView.h"
#include "program/TransferSteps.h"
#include "program/frmPreview.h"
#include "support/FrameSession.h"
#include "support/PtyMachine.h"
#include "support/QuestionAnswerer.h"
#include "tools/TextSearch.h"
#include "tools/frmClean.h"
#include "tools/frmGoTo.h"
#include "tools/frmNumbering.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// Positions as the rich-text control counts them: every line end two characters.
QList<qint64> referencePositions(const QByteArray &bytes)
{
    QList<qint64> out;
    qint64 position = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        out << position;
        if (i == bytes.size())
            break;
        const char c = bytes[i];
        const bool crlf = c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (crlf) {
            out << position + 1; // between CR and LF: taken as before the CR
            position += 2;
            ++i;
        } else {
            position += c == '\n' || c == '\r' ? 2 : 1;
        }
    }
    return out;
}

struct PlainSession : PtyMachine, FrameSession {
    PlainSession() : FrameSession([this] { mapTo(7, true); })
    {
        setPauseClock([this] { return pauseNow += 1000; });
        setTransferClock([this] { return running ? transferNow += 1000 : transferNow; });
    }
    ~PlainSession()
    {
        setPauseClock(nullptr);
        setTransferClock(nullptr);
    }
    // Opens the bytes as a program file of that name; the window that shows it.
    frmProgram *open(const QString &name, const QByteArray &bytes)
    {
        frame->openFile(writeFile(folders.file(name), bytes));
        return program();
    }
    ProgramView *view() const { return programView(program()->editor()); }
    QString status() const { return frame->statusBar()->currentMessage(); }

    qint64 pauseNow = 0;
    qint64 transferNow = 0;
    bool running = false; // the transfer clock runs a second a reading: the pace never holds
};

const QByteArray kCrLf("%\r\nO1000\r\nN10 G00 X0 Y0\r\nN20 G01 X10 F200\r\nN30 M30\r\n%\r\n");
const QByteArray kLf("%\nO1000\nN10 G00 X0 Y0\nN20 G01 X10 F200\nN30 M30\n%\n");
const QByteArray kMixed("%\r\nO1000\nN10 G00 X0 Y0\rN20 G01 X10 F200\r\nN30 M30\n%");

} // namespace

class TstPlainProgram : public QObject {
    Q_OBJECT
private slots:
    // Positions and offsets map both ways, whatever the line ends and after edits that put
    // pieces of other ends side by side.
    void positionsCountLineEndsAsTwo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("inserted"); // put in raw at the middle, ends as given
        QTest::newRow("CR LF") << kCrLf << QByteArray();
        QTest::newRow("LF") << kLf << QByteArray();
        QTest::newRow("lone CR") << QByteArray("G0\rG1\r\rM30") << QByteArray();
        QTest::newRow("mixed") << kMixed << QByteArray();
        QTest::newRow("CR LF file, LF lines put in") << kCrLf << QByteArray("A\nB\nC");
        QTest::newRow("LF file, CR LF lines put in") << kLf << QByteArray("A\r\nB\r\n");
        QTest::newRow("mixed, mixed put in") << kMixed << QByteArray("\rX\nY\r\nZ\n");
        // Stored side by side, the CR of one and the LF of the next stay two line ends.
        QTest::newRow("CR and LF put in apart") << kCrLf << QByteArray("\nA\r");
        QTest::newRow("no line end") << QByteArray("M30") << QByteArray("\n");
        QTest::newRow("empty") << QByteArray() << QByteArray();
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
            const bool inCrLf = offset > 0 && offset < text.size() && text[offset - 1] == '\r' &&
                                text[offset] == '\n';
            const qint64 position = buffer.positionOf(offset);
            QCOMPARE(position, expected[offset] - (inCrLf ? 1 : 0));
            if (!inCrLf)
                QCOMPARE(buffer.offsetOfPosition(position), offset);
        }
        // A position on the second character of a line end is the end of its line.
        for (qint64 line = 0; line + 1 < buffer.lineCount(); ++line) {
            const qint64 end = buffer.lineStart(line) + buffer.lineLength(line);
            QCOMPARE(buffer.offsetOfPosition(buffer.positionOf(end) + 1), end);
        }
    }

    // Plain files of either line end open in the view (RTF .dnc ones in the rich-text
    // control); an edit marks the program changed, Undo takes it back, and Save writes
    // the file byte for byte with every line's own end.
    void opensEditsAndSavesByteForByte_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved"); // after "X5" typed at the start of line 3
        QTest::addColumn<QString>("rich");     // shown in the rich-text control, from its start
        const auto typed = [](QByteArray bytes) {
            const qsizetype at = bytes.indexOf("N10");
            return bytes.insert(at, "X5");
        };
        QTest::newRow("CR LF") << "O1000.nc" << kCrLf << typed(kCrLf) << "";
        QTest::newRow("LF") << "o1000.ngc" << kLf << typed(kLf) << "";
        QTest::newRow("mixed, no end at the end") << "PART.TAP" << kMixed << typed(kMixed) << "";
        QTest::newRow("Windows-1252")
            << "a.nc" << QByteArray("(\xd8 6)\r\n") << QByteArray("X5(\xd8 6)\r\n") << "";
        QTest::newRow("UTF-8") << "a.nc" << QByteArray("(\xc3\x98 6)\r\n") << QByteArray()
                               << "(\u00d8 6)";
        QTest::newRow("RTF") << "part.dnc"
                             << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 G01 X1\\par "
                                           "M30\\par }")
                             << QByteArray() << "G01 X1";
    }
    void opensEditsAndSavesByteForByte()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
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
        p->editor()->setSelStart(p->editor()->lineStartPosition(bytes.startsWith('(') ? 0 : 2));
        QTest::keyClicks(view, QStringLiteral("X5"));
        QVERIFY(p->isModified());
        QVERIFY(p->shownCaption().endsWith('*'));
        QVERIFY(s.frame->menuEntry(QStringLiteral("mnuEditUndo"))->isEnabled());
        s.trigger("mnuEditUndo");
        QVERIFY(!p->isModified());
        QCOMPARE(view->buffer().toBytes(), bytes);
        s.trigger("mnuEditRedo");
        QVERIFY(p->isModified());
        s.trigger("mnuFileSave");
        QVERIFY(!p->isModified());
        QVERIFY(!p->shownCaption().endsWith('*'));
        QCOMPARE(readFile(s.folders.file(name)), saved);
        // The caret panel follows the view.
        QCOMPARE(s.frame->findChild<QLabel *>(QStringLiteral("caretPanel"))->text(),
                 QStringLiteral("Ln %1, Col 3 (%2 lines)")
                     .arg(bytes.startsWith('(') ? 1 : 3)
                     .arg(p->editor()->lineCount()));
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
        QVERIFY(readFile(rich).startsWith("{\\rtf"));
        const std::optional<ProgramFile> back = loadProgramFile(rich);
        QVERIFY(back);
        QCOMPARE(back->content.plainText(),
                 QString::fromLatin1(kMixed).replace("\r\n", "\n").replace('\r', '\n'));
        QVERIFY(s.view());
        QCOMPARE(p->editor()->fileFormat(), FileFormat::Rtf);
    }

    // A changed program asks before its window closes; No closes it unsaved.
    void closeAsksWhenChanged()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kLf);
        QTest::keyClicks(s.view(), QStringLiteral("G4"));
        answerNextQuestion(clickNo());
        QPointer<frmProgram> closing(p);
        p->parentWidget()->close();
        QTRY_VERIFY(!closing);
        QCOMPARE(readFile(s.folders.file(QStringLiteral("a.nc"))), kLf);
    }

    // Find, Replace, Replace All and Go To through the frame's commands and dialogs.
    void findReplaceAndGoTo()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kMixed);
        ProgramText *text = p->editor();
        // Whole words only: "X10" is found, the X in "X0" is not a match for "X1".
        QVERIFY(selectNextMatch(*text, QStringLiteral("x10")));
        QCOMPARE(text->selText(), QStringLiteral("X10"));
        QCOMPARE(text->selStart(), QString::fromLatin1(kCrLf).indexOf("X10"));
        QVERIFY(!selectNextMatch(*text, QStringLiteral("X1")));
        text->setSelText(QStringLiteral("X12.5"));
        QVERIFY(text->find(QStringLiteral("X12.5"), 0) > 0);
        QCOMPARE(s.view()->buffer().lineBytes(3), QByteArray("N20 G01 X12.5 F200"));
        // Replace All: whole words, one Undo step.
        QCOMPARE(replaceAllMatches(*text, QStringLiteral("y0"), QStringLiteral("Y0.5")), 1);
        QCOMPARE(s.view()->buffer().lineBytes(2), QByteArray("N10 G00 X0 Y0.5"));
        s.trigger("mnuEditUndo");
        QCOMPARE(s.view()->buffer().lineBytes(2), QByteArray("N10 G00 X0 Y0"));
        // Go To a block number from the caret, and a line number.
        for (const auto &[typed, line] : {std::pair{"N30", 4}, std::pair{"2", 1}}) {
            auto *goTo = new frmGoTo(text, p);
            goTo->txtLine->setText(QLatin1String(typed));
            goTo->cmdOK->click();
            QCOMPARE(text->caretLineNumber(), line);
            QCOMPARE(text->selStart(), text->lineStartPosition(line));
        }
    }

    // Clean, then Numbering, with the dialogs' first choices: each line keeps its own end,
    // each is one Undo step.
    void cleanAndNumbering_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
    }
    void cleanAndNumbering()
    {
        QFETCH(QByteArray, end);
        const auto lines = [&end](const char *text) { return QByteArray(text).replace("|", end); };
        const QByteArray program = lines("%|O0001|N1 G90 G54||N2 G00 X0 Y0|M30|%|");
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), program);
        const auto bytes = [&s] { return s.view()->buffer().toBytes(); };
        const auto answer = [](auto &dialog) { dialog.cmdOK->click(); };
        onNextDialog<frmClean>(answer);
        s.trigger("mnuProgramClean");
        const QByteArray cleaned = bytes();
        QCOMPARE(cleaned, lines("%|O0001|N1 G90 G54|N2 G00 X0 Y0|M30|%|"));
        onNextDialog<frmNumbering>(answer);
        s.trigger("mnuProgramNumbering");
        QCOMPARE(bytes(), lines("%|O0001|N10 G90 G54|N20 G00 X0 Y0|N30 M30|%|"));
        QVERIFY(p->isModified());
        s.trigger("mnuEditUndo");
        QCOMPARE(bytes(), cleaned);
        s.trigger("mnuEditUndo");
        QCOMPARE(bytes(), program);
        QVERIFY(!p->isModified());
    }

    // Print gives the selection, or everything, to the printer.
    void printsTheSelection_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("printed");
        QTest::newRow("everything") << 0 << 0 << "O1000|N10 G00 X0 Y0|N30 M30";
        QTest::newRow("the selection") << 10 << 15 << "N10 G00 X0 Y0";
    }
    void printsTheSelection()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, printed);
        PlainSession s;
        s.open(QStringLiteral("a.nc"), kMixed)->editor()->selectRange(start, length);
        s.dialogs.printTo = s.folders.file(QStringLiteral("out.pdf"));
        s.trigger("mnuFilePrint");
        QCOMPARE(s.dialogs.calls, QStringList{length ? "print:selection" : "print:all"});
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {s.dialogs.printTo, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString line : {"O1000", "N10 G00 X0 Y0", "N30 M30"})
            QVERIFY2(out.contains(line) == printed.split('|').contains(line), qPrintable(out));
    }

    // Send and Send selection at both paces: the machine gets the text with CR LF ends
    // whatever the file's own; the text is locked meanwhile and editable after.
    void sendsFromTheView_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pace");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QByteArray>("wire");
        const QByteArray wire = QByteArray(kCrLf).chopped(2) + "\r\n";
        QTest::newRow("whole, 0.4 s a line") << kMixed << 0 << 0 << 0 << wire;
        QTest::newRow("whole, line speed") << kMixed << 1 << 0 << 0 << wire;
        QTest::newRow("LF, line speed") << kLf << 1 << 0 << 0 << QByteArray(kCrLf) + "\r\n";
        // From "O1000" to the X of X10 (positions count the line ends as two).
        QTest::newRow("selection, 0.4 s a line")
            << kMixed << 0 << 3 << 31 << QByteArray("O1000\r\nN10 G00 X0 Y0\r\nN20 G01 X\r\n");
        QTest::newRow("selection, line speed")
            << kMixed << 1 << 3 << 31 << QByteArray("O1000\r\nN10 G00 X0 Y0\r\nN20 G01 X\r\n");
    }
    void sendsFromTheView()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, pace);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QByteArray, wire);
        PlainSession s;
        s.running = true;
        frmProgram *p = s.open(QStringLiteral("a.nc"), bytes);
        p->picControl->controls->cboPace->setCurrentIndex(pace);
        p->editor()->selectRange(selStart, selLength);
        // Each step of the send shows what has gone struck through, as one mark.
        QList<std::pair<int, int>> marks;
        QList<std::pair<int, int>> shown;
        connect(p, &frmProgram::sendProgress, p, [&](qint32 start, qint32 position) {
            if (position < 0)
                return;
            // The last step reports one past the end of the region.
            marks << std::pair{start, std::min(position, p->editor()->textLength()) - start};
            shown << p->editor()->strikes().value(0);
        });
        QSignalSpy started(p, &frmProgram::startEnded);
        s.trigger("mnuCommunicationSend");
        QVERIFY(started.wait(10000));
        QCOMPARE(p->actAction, qint32(actSend));
        QVERIFY(p->editor()->locked());
        QTest::keyClicks(s.view(), QStringLiteral("M0"));
        s.trigger("mnuEditUndo");
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.received, wire);
        QVERIFY(!marks.isEmpty());
        QCOMPARE(shown, marks);
        // At the end all of the region shows struck through.
        const int length = selLength ? selLength : p->editor()->textLength();
        QCOMPARE(marks.last(), (std::pair{selStart, length}));
        // At 0.4 s a line each step ends a line of the program, or the region.
        const QString text = p->editor()->text();
        for (const auto &[start, struck] : std::as_const(marks))
            QVERIFY(pace == 1 || start + struck == selStart + length ||
                    text.mid(start + struck - 2, 2) == QLatin1String("\r\n"));
        QVERIFY(p->editor()->strikes().isEmpty());
        QVERIFY(!p->editor()->locked());
        QCOMPARE(s.view()->buffer().toBytes(), bytes); // the typing was refused
        QCOMPARE(p->editor()->selStart(), selStart);
    }

    // What the machine punches goes after the text, with CR LF ends in positions; the
    // whole receive is one step for Undo.
    void receiveAppends()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kLf);
        s.trigger("mnuCommunicationReceive");
        QCOMPARE(p->actAction, qint32(actReceive));
        QVERIFY(p->editor()->locked());
        s.punch("N40 X4\r\nN50 M30\r\n", 4, 1);
        QTRY_VERIFY_WITH_TIMEOUT(s.punchDone(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(p->editor()->text().endsWith(QLatin1String("N50 M30\r\n")), 5000);
        QCOMPARE(p->editor()->selStart(), p->editor()->textLength());
        s.trigger("mnuCommunicationReceive");
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 5000);
        QVERIFY(!p->editor()->locked());
        QCOMPARE(s.view()->buffer().toBytes(), kLf + "N40 X4\nN50 M30\n");
        QVERIFY(p->isModified());
        s.trigger("mnuEditUndo");
        QCOMPARE(s.view()->buffer().toBytes(), kLf);
    }

    // Format commands change nothing on a plain program and say why, in the language
    // chosen; the menu's colours and line numbers reach the view.
    void formatCommandsAndLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::newRow("English") << 1 << "Formatting is kept only in .dnc programs.";
        QTest::newRow("Bulgarian") << 2 << "Форматирането се пази само в програми .dnc.";
        QTest::newRow("Spanish") << 3 << "El formato se conserva solo en programas .dnc.";
    }
    void formatCommandsAndLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, message);
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kCrLf);
        s.frame->changeLanguage(qint16(language));
        p->editor()->selectRange(0, 5);
        for (const char *entry :
             {"mnuFormatBold", "mnuFormatItalic", "mnuFormatUnderline", "mnuFormatFont"}) {
            s.frame->statusBar()->clearMessage();
            s.trigger(entry);
            QCOMPARE(s.status(), message);
        }
        QVERIFY(!s.dialogs.calls.contains(QStringLiteral("font")));
        QVERIFY(!p->isModified());
        QVERIFY(!s.frame->buttonValue(QStringLiteral("Bold")));
        QVERIFY(s.view()->coloured() && s.view()->lineNumbers());
        for (const bool on : {false, true}) {
            s.trigger("mnuToolsHighlight");
            s.trigger("mnuToolsLineNumbers");
            QCOMPARE(s.view()->coloured(), on);
            QCOMPARE(s.view()->lineNumbers(), on);
        }
    }

    // The preview reads the view's lines; a click on a move puts the caret on its block.
    void previewClickMovesTheCaret()
    {
        PlainSession s;
        frmProgram *p = s.open(QStringLiteral("a.nc"), kMixed);
        p->Preview();
        frmPreview *preview = p->preview();
        QVERIFY(preview);
        QTRY_VERIFY(!preview->view->path().segments.isEmpty());
        emit preview->view->lineClicked(3);
        QCOMPARE(p->editor()->caretLineNumber(), 3);
        QCOMPARE(p->editor()->selStart(), QString::fromLatin1(kCrLf).indexOf("N20"));
    }
};

QTEST_MAIN(TstPlainProgram)
#include "tst_plainprogram.moc"
