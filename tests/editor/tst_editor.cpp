// SPDX-License-Identifier: GPL-3.0-or-later
// The editor control and its files: two-character line ends in every position, selection,
// formatting, struck marks, change events, files saved as they were read, the format a name
// chooses, and saves that fail without harm. Long programs open and save byte for byte, at
// once or on another thread, and an open in progress survives its editor going away or a
// second open. G-code colours and line numbers are display only: saves and the clipboard
// are the same with them on and off, the user's own colour shows first, and only the lines
// in view are coloured and numbered. The clipboard is checked through the frame's commands
// (tst_app), typing and the lock through the program window (tst_program), searching
// through Find Next (tst_tools).
#include "editor/GCodeWords.h"
#include "editor/LineNumberGutter.h"
#include "editor/ProgramFile.h"
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "support/TestFolders.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QThreadPool>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace kordavel;
using kordavel::test::readFile;
using kordavel::test::writeFile;

namespace {

QList<CharFormat> formats(const QByteArray &rtf)
{
    QList<CharFormat> out;
    for (const TextRun &run : readRtf(rtf).runs)
        for (QChar c : run.text)
            if (c != QLatin1Char('\n'))
                out << run.format;
    return out;
}

// One letter per character: the kind of word it is in ('.' none).
QString kinds(const QString &line)
{
    QString out(line.size(), QLatin1Char('.'));
    for (const GCodeWord &word : gcodeWords(line))
        for (int i = 0; i < word.length; ++i)
            out[word.start + i] = QLatin1String("GAFTNC%/#")[int(word.category)];
    return out;
}

// Whether the editor draws any of [from, to) of the block in a colour over the text.
bool coloured(const RichTextBox &editor, const QTextBlock &block, int from, int to)
{
    for (const QTextEdit::ExtraSelection &colour : editor.extraSelections())
        if (colour.format.hasProperty(QTextFormat::ForegroundBrush) &&
            colour.cursor.selectionStart() < block.position() + to &&
            colour.cursor.selectionEnd() > block.position() + from)
            return true;
    return false;
}

// Lines like a CAM post-processor's: blocks, comments, tool changes, empty lines.
QList<QByteArray> camLines(int count)
{
    QList<QByteArray> lines{"%", "O2001 (POCKET {A} - T1 D10)", "(MACHINE: VMC \\ 3 AXES)"};
    for (int i = 0; lines.size() < count - 2; ++i) {
        const QByteArray n = "N" + QByteArray::number(10 * i) + ' ';
        if (i % 97 == 0)
            lines << "(PASS " + QByteArray::number(i / 97) + " - ROUGHING)" << QByteArray();
        else if (i % 13 == 0)
            lines << n + "G00 Z" + QByteArray::number(i % 50) + ".5";
        else
            lines << n + "G01 X" + QByteArray::number(i * 0.137, 'f', 3) + " Y-" +
                         QByteArray::number(i % 211) + ".25 F" + QByteArray::number(300 + i % 7);
    }
    return lines << "M30"
                 << "%";
}

// The RTF the editor writes for unformatted lines: one paragraph a line.
QByteArray camRtf(const QList<QByteArray> &lines)
{
    QByteArray out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}\r\n"
                     "{\\colortbl ;}\r\n\\pard\\f0\\fs20";
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        line.replace('\\', "\\\\").replace('{', "\\{").replace('}', "\\}");
        out += (i ? "\\par" : "") + (line.isEmpty() ? QByteArray() : ' ' + line) + "\r\n";
    }
    return out + "\\par }\r\n";
}

} // namespace

class TstEditor : public QObject {
    Q_OBJECT
private slots:
    // A line end counts two. On a program with empty rows, long and short lines, every
    // position and range agrees with the text, and a range past the end stops at it.
    void positionsAgreeWithTheText()
    {
        QString program;
        QRandomGenerator random(42);
        for (int line = 0; line < 300; ++line)
            program += QString(int(random.bounded(0, 40)), QChar(u'A' + line % 26)) + "\r\n";
        program += QStringLiteral("M30");
        RichTextBox box;
        box.setText(program);
        QCOMPARE(box.text(), program);
        const int size = int(program.size());
        QCOMPARE(box.textLength(), size);
        QCOMPARE(box.charAt(size), QChar());
        for (int i = 0; i < size; ++i)
            QCOMPARE(box.charAt(i), program.at(i));
        for (int i = 0; i < 300; ++i) {
            const int start = i < 2 ? size - 2 * i : int(random.bounded(0, size));
            const int length = int(random.bounded(0, 120));
            const QString range = program.mid(start, length);
            QCOMPARE(box.textRange(start, length), range);
            if ((start < size && program.at(start) == QLatin1Char('\n')) ||
                range.endsWith(QLatin1Char('\r')))
                continue; // inside a line end
            box.select(start, length);
            QCOMPARE(box.selText(), range);
            QCOMPARE(box.selStart(), start);
            QCOMPARE(box.selLength(), int(range.size()));
            // Setting the start collapses the selection; the length then counts from it.
            box.setSelStart(start);
            QCOMPARE(box.selLength(), 0);
            box.setSelLength(length);
            QCOMPARE(box.selText(), range);
        }
    }

    void lineEndsInAndOut_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("CR LF") << "A\r\nB\r\n"
                               << "A\r\nB\r\n";
        QTest::newRow("LF") << "A\nB\n"
                            << "A\r\nB\r\n";
        QTest::newRow("CR") << "A\rB\r"
                            << "A\r\nB\r\n";
        QTest::newRow("separators") << QStringLiteral("A\u2029B\u2028C") << "A\r\nB\r\nC";
        QTest::newRow("no-break space kept")
            << QStringLiteral("A\u00a0B") << QStringLiteral("A\u00a0B");
    }

    void lineEndsInAndOut()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        RichTextBox box;
        box.setText(in);
        QCOMPARE(box.text(), out);
        QCOMPARE(box.textLength(), int(out.size()));
        box.setText(QString());
        box.setSelText(in);
        QCOMPARE(box.text(), out);
    }

    // Bold, italic and underline through the frame are checked in tst_app, fonts in
    // tst_app and through the file round trips below.
    void selectionFormats()
    {
        RichTextBox box;
        box.setText(QStringLiteral("G01 X10\r\nM30"));
        box.select(0, 12);
        QCOMPARE(box.selFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(box.selFontSize(), std::optional<double>(10.0));
        QCOMPARE(box.selColor(), std::optional<QColor>(QColor()));
        box.select(4, 3);
        box.setSelStrikeThru(true);
        box.setSelFontName(QStringLiteral("Arial"));
        box.setSelFontSize(14);
        box.setSelColor(Qt::red);
        box.select(0, 12);
        QCOMPARE(box.selStrikeThru(), RichTextBox::TriState::Mixed);
        QCOMPARE(box.selFontName(), std::nullopt);
        QCOMPARE(box.selFontSize(), std::nullopt);
        QCOMPARE(box.selColor(), std::nullopt);
        const QByteArray rtf = box.textRTF();
        QVERIFY2(rtf.contains("{\\f1\\fnil\\fcharset0 Arial;}") &&
                     rtf.contains("\\red255\\green0\\blue0;") &&
                     rtf.contains("G01 \\f1\\fs28\\cf1\\strike X10"),
                 rtf.constData());
        RichTextBox other;
        other.setTextRTF(rtf);
        QCOMPARE(other.textRTF(), rtf);
    }

    // Sent lines are drawn struck through; the text, its formats and its undo stay as they were.
    // The text is locked, as during a send: code may still mark and format it.
    void struckMarksLeaveTheTextAlone()
    {
        RichTextBox box;
        box.resize(300, 200);
        box.setText(QStringLiteral("G01 X10\r\nM30\r\nM02"));
        box.setLocked(true);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QByteArray rtf = box.textRTF();
        const QImage plain = box.viewport()->grab().toImage();
        box.markStruck(0, 9);
        box.markStruck(9, 5); // continues the first: one mark
        box.markStruck(16, 1);
        QCOMPARE(box.struckMarks(), (QList<std::pair<int, int>>{{0, 14}, {16, 1}}));
        QVERIFY(box.viewport()->grab().toImage() != plain);
        QCOMPARE(box.textRTF(), rtf);
        QVERIFY(!box.hasStrikeThru());
        QVERIFY(!box.document()->isUndoAvailable());
        box.clearStruckMarks();
        QVERIFY(box.struckMarks().isEmpty());
        QCOMPARE(box.viewport()->grab().toImage(), plain);

        // Strike-through in the text itself is another thing, and is found when it is there.
        box.select(10, 2);
        box.setSelStrikeThru(true);
        QVERIFY(box.hasStrikeThru());
        box.setSelStrikeThru(false);
        QVERIFY(!box.hasStrikeThru());
        // A new text drops the marks of the old one.
        box.markStruck(0, 5);
        box.setText(QStringLiteral("M30"));
        QVERIFY(box.struckMarks().isEmpty());
    }

    // A file is saved again as it was read: plain files byte for byte, every line with its own
    // line end (the file's is its first), RTF files in the same formats and stable after the
    // first save. A new name chooses the format.
    void fileSavedAsItWasRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // lines joined by LF; null: not checked
        QTest::addColumn<int>("lineEnd");      // -1: RTF
        const auto fixture = [](const char *name) {
            return readFile(QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name));
        };
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                every += char(b);
        const int crlf = int(LineEnd::CrLf), lf = int(LineEnd::Lf), cr = int(LineEnd::Cr);
        const QString any;
        QTest::newRow("CR LF") << QByteArray("%\r\nO1\r\nG00 X0\r\nM30\r\n%\r\n") << any << crlf;
        QTest::newRow("LF") << QByteArray("%\nO1\nG00 X0\n\nM30\n") << any << lf;
        QTest::newRow("CR") << QByteArray("%\rO1\rM30\r") << "%\nO1\nM30\n" << cr;
        QTest::newRow("mixed, first is the file's")
            << QByteArray("%\nO1\r\nG00 X0\rM30\n\r\n%\r") << "%\nO1\nG00 X0\nM30\n\n%\n"
            << lf;
        QTest::newRow("LF CR is two ends") << QByteArray("A\n\rB") << "A\n\nB" << lf;
        QTest::newRow("no final line end") << QByteArray("G00 X0\r\nM30") << any << crlf;
        QTest::newRow("no line end at all") << QByteArray("M30") << any << crlf;
        QTest::newRow("empty rows") << QByteArray("\r\n\r\nG00\r\n\r\n") << any << crlf;
        QTest::newRow("empty") << QByteArray() << "" << crlf;
        QTest::newRow("windows-1252") << QByteArray("\x80\xe9\x9f")
                                      << QString::fromUtf8("\xe2\x82\xac\xc3\xa9\xc5\xb8") << crlf;
        QTest::newRow("8-bit, tab and NUL")
            << QByteArray("(\xc4\xe9\x80\x81\x9d\xff)\tX\0Y\r\n", 15) << any << crlf;
        QTest::newRow("every byte") << QByteArray("G00\r\n" + every + "\r\n") << any << crlf;
        QTest::newRow("RTF only at the start")
            << QByteArray("G00\n{\\rtf1 x}") << "G00\n{\\rtf1 x}" << lf;
        QTest::newRow("classic RTF") << fixture("classic.rtf") << any << -1;
        QTest::newRow("newer RTF") << fixture("newer.rtf") << any << -1;
    }

    void fileSavedAsItWasRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(int, lineEnd);
        const bool rich = lineEnd < 0;
        QTemporaryDir dir;
        const QString path =
            dir.filePath(rich ? QStringLiteral("prog.dnc") : QStringLiteral("P.NC"));
        writeFile(path, bytes);
        RichTextBox box;
        QVERIFY(box.loadFile(path));
        QCOMPARE(box.fileFormat(), rich ? FileFormat::Rtf : FileFormat::PlainText);
        const QString text = box.text();
        if (!expected.isNull())
            QCOMPARE(text, QString(expected).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        if (!rich)
            QCOMPARE(int(box.lineEnd()), lineEnd);
        const QByteArray rtf = box.textRTF();
        QVERIFY(box.saveFile(path));
        const QByteArray saved = readFile(path);
        QCOMPARE(saved, rich ? rtf : bytes);
        if (rich) // character by character in the same font, size, colour and style
            QVERIFY(formats(saved) == formats(bytes));
        for (int round = 0; round < 3; ++round) {
            RichTextBox again;
            QVERIFY(again.loadFile(path));
            QCOMPARE(again.text(), text);
            QVERIFY(again.saveFile(path));
            QCOMPARE(readFile(path), saved);
        }

        const QString plainCopy = dir.filePath(QStringLiteral("copy.tap"));
        QVERIFY(box.saveFileAs(plainCopy));
        QCOMPARE(box.fileFormat(), FileFormat::PlainText);
        QVERIFY(!looksLikeRtf(readFile(plainCopy)));
        if (!rich)
            QCOMPARE(readFile(plainCopy), bytes);
        const QString richCopy = dir.filePath(QStringLiteral("COPY.DNC"));
        QVERIFY(box.saveFileAs(richCopy));
        QCOMPARE(box.fileFormat(), FileFormat::Rtf);
        RichTextBox back;
        QVERIFY(back.loadFile(richCopy));
        QCOMPARE(back.fileFormat(), FileFormat::Rtf);
        QCOMPARE(back.text(), QString(text).remove(QChar(0))); // RTF holds no NUL
    }

    void formatForNewName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("dnc") << "/tmp/a.dnc" << true;
        QTest::newRow("DNC") << "/tmp/A.DNC" << true;
        QTest::newRow("nc") << "/tmp/a.nc" << false;
        QTest::newRow("no extension") << "/tmp/program" << false;
        QTest::newRow("dnc folder") << "/tmp/x.dnc/program" << false;
        QTest::newRow("dnc inside the name") << "a.dnc.txt" << false;
    }

    void formatForNewName()
    {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        QCOMPARE(formatForFileName(name) == FileFormat::Rtf, rich);
        // An empty file, which tells nothing itself, takes its name's format too.
        QTemporaryDir dir;
        const QString empty = dir.filePath(QFileInfo(name).fileName());
        QVERIFY(writeFileAtomically(empty, QByteArray()));
        QCOMPARE(loadProgramFile(empty)->format == FileFormat::Rtf, rich);
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<QString>("target"); // relative to a fresh folder holding old.nc
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("diskFull"); // the disk fills up in the middle of the write
        QTest::newRow("read-only file") << "old.nc" << true << false;
        QTest::newRow("missing folder") << "missing/new.nc" << false << false;
        QTest::newRow("folder as file") << "." << false << false;
        QTest::newRow("full disk") << "old.nc" << false << true;
    }

    void failedSaveKeepsOldFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, readOnly);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.nc"));
        const QByteArray original("G00 X0\r\nM30\r\n");
        QVERIFY(writeFileAtomically(old, original));
        if (readOnly)
            QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tiny = saved;
        tiny.rlim_cur = 4096;
        if (diskFull)
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        QString error;
        const bool written =
            writeFileAtomically(dir.filePath(target), QByteArray(64 * 1024, 'X'), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile(old), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.nc")});
    }

    // A failed save keeps the format and the text; a failed load keeps the text.
    void stateAfterAFailedSaveOrLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("locked.nc"));
        writeFile(path, "OLD\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        RichTextBox box;
        QVERIFY(box.loadFile(path));
        box.setText(QStringLiteral("NEW"));
        QVERIFY(!box.saveFile(path));
        QVERIFY(!box.saveFileAs(dir.filePath(QStringLiteral("no/such/folder.dnc"))));
        QCOMPARE(box.fileFormat(), FileFormat::PlainText);
        QVERIFY(!box.loadFile(dir.filePath(QStringLiteral("missing.nc"))));
        QVERIFY(!box.loadFile(dir.path()));
        QCOMPARE(box.text(), QStringLiteral("NEW"));
    }

    // Every load brings a fresh document: editing, change events, undo and the caret must
    // work on it as on the first, and the document before must not be reachable any more.
    void editingAfterLoads()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.nc"));
        const QString b = dir.filePath(QStringLiteral("b.dnc"));
        writeFile(a, "G00 X0\r\nM30\r\n");
        writeFile(b, "{\\rtf1 {\\b N10}\\par M02\\par }");
        RichTextBox box;
        box.show();
        QSignalSpy changes(&box, &RichTextBox::Change);
        QSignalSpy selChanges(&box, &RichTextBox::SelChange);
        for (const QString &path : {a, b, a}) {
            box.setText(QStringLiteral("OLD"));
            changes.clear();
            QVERIFY(box.loadFile(path));
            QCOMPARE(changes.size(), 0);
            QCOMPARE(box.selStart(), 0);
            QVERIFY(!box.document()->isUndoAvailable());
            const QString loaded = box.text();
            box.setSelStart(box.textLength());
            QTest::keyClicks(&box, QStringLiteral("X"));
            QCOMPARE(box.text(), loaded + QStringLiteral("X"));
            QVERIFY(changes.size() >= 1);
            QVERIFY(!selChanges.isEmpty());
            box.undo();
            QCOMPARE(box.text(), loaded);
            box.undo(); // nothing before the load to go back to
            QCOMPARE(box.text(), loaded);
        }
        box.select(0, 3);
        QCOMPARE(box.selText(), QStringLiteral("G00"));
    }

    // Moving the caret is no change; replacing the whole text is one undo step.
    void changeEventsAndWholeReplacement()
    {
        RichTextBox box;
        box.show();
        QSignalSpy changes(&box, &RichTextBox::Change);
        QSignalSpy selChanges(&box, &RichTextBox::SelChange);
        box.setText(QStringLiteral("G00"));
        box.setSelStart(3);
        QTest::keyClicks(&box, QStringLiteral("X"));
        QCOMPARE(changes.size(), 2);
        changes.clear();
        selChanges.clear();
        QTest::keyClick(&box, Qt::Key_Left);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(selChanges.size(), 1);
        box.setSelStart(3); // no move, no event
        QCOMPARE(selChanges.size(), 1);

        box.setTextRTF("{\\rtf1 {\\b N10}\\par M30}");
        QCOMPARE(box.text(), QStringLiteral("N10\r\nM30"));
        QVERIFY(changes.size() > 0);
        changes.clear();
        QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier); // the replacement as one step
        QCOMPARE(box.text(), QStringLiteral("G00X"));
        QCOMPARE(changes.size(), 1);
        box.undo(); // then the typing
        QCOMPARE(box.text(), QStringLiteral("G00"));
        box.undo(); // one replacement is kept, not a chain of them
        QCOMPARE(box.text(), QStringLiteral("G00"));
        // Editing goes on normally on the document that came back.
        box.setSelStart(0);
        QTest::keyClicks(&box, QStringLiteral("M"));
        QCOMPARE(box.text(), QStringLiteral("MG00"));
    }

    void wordKinds_data();
    void wordKinds();
    void displayOnly_data();
    void displayOnly();
    void ownColourWinsAndOnlyShownLines();
    void lineNumbers();
    void savedAsOpened_data();
    void savedAsOpened();
    void openInProgressSurvives();
};

void TstEditor::wordKinds_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("motion") << "N10 G01 X-15. Y.5 Z+2 F120"
                            << "NNN.GGG.AAAAA.AAA.AAA.FFFF";
    QTest::newRow("tool and spindle") << "T1 M06 S2400 D01 H01"
                                      << "TT.GGG.FFFFF.TTT.TTT";
    QTest::newRow("arc, joined words") << "G02X1.I-2.J3R4K5"
                                       << "GGGAAAAAAAAAAAAA";
    QTest::newRow("comments") << "O1001 (POCKET; X1) G0 ; T2 X3"
                              << "NNNNN.CCCCCCCCCCCC.GG.CCCCCCC";
    QTest::newRow("comment left open") << "G0 (NO END X1"
                                       << "GG.CCCCCCCCCC";
    QTest::newRow("percent line") << " %  G1 X1"
                                  << ".%%%%%%%%";
    QTest::newRow("block delete") << "/2N100 M01"
                                  << "//NNNN.GGG";
    QTest::newRow("macro") << "#101=#102+1 X#101 G[#1]"
                           << "####.####...A####.G.##.";
    QTest::newRow("macro words, small letters") << "IF[#1GT5]GOTO10 g1 x2"
                                                << "...##.......... GG.AA";
    QTest::newRow("iso program number, other letters") << ":12 P500 L3 E1 X"
                                                       << "NNN.............";
}

void TstEditor::wordKinds()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(kinds(line), expected.replace(QLatin1Char(' '), QLatin1Char('.')));
}

void TstEditor::displayOnly_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("rich text") << "drill_plate.dnc";
    QTest::newRow("plain text") << "fanuc_pocket.nc";
}

// Saved files, RTF and clipboard are the same whatever is shown; showing is no change.
void TstEditor::displayOnly()
{
    QFETCH(QString, file);
    const QString source = QStringLiteral(KORDAVEL_TESTS_DIR "/data/") + file;
    QTemporaryDir dir;
    const auto outputs = [&](RichTextBox &editor, const QString &name) {
        const QString path = dir.filePath(name + file);
        editor.grab(); // paints, and so colours what shows
        editor.select(0, editor.textLength());
        editor.copyToClipboard();
        const QMimeData *mime = QApplication::clipboard()->mimeData();
        return QList<QByteArray>{editor.saveFile(path) ? readFile(path) : QByteArray(),
                                 editor.textRTF(), mime->data(RichTextBox::rtfMimeType()),
                                 mime->text().toUtf8()};
    };
    RichTextBox plain, editor;
    QVERIFY(plain.loadFile(source) && editor.loadFile(source));
    const QList<QByteArray> expected = outputs(plain, QStringLiteral("plain-"));
    editor.resize(500, 300);
    QSignalSpy changes(&editor, &RichTextBox::Change);
    editor.setLineNumbers(true);
    editor.setHighlighting(true);
    const QTextBlock shown = editor.document()->findBlockByNumber(2);
    QCOMPARE(outputs(editor, QStringLiteral("on-")), expected);
    QVERIFY(coloured(editor, shown, 0, shown.length()));
    editor.setHighlighting(false);
    QCOMPARE(outputs(editor, QStringLiteral("off-")), expected);
    QVERIFY(!coloured(editor, shown, 0, shown.length()));
    QVERIFY(changes.isEmpty() && !editor.document()->isModified());
    QVERIFY(!editor.document()->isUndoAvailable());
    // A new load is coloured afresh, with nothing left of the text before.
    editor.setHighlighting(true);
    QVERIFY(editor.loadFile(source));
    const auto fresh = [&] {
        const QList<QTextEdit::ExtraSelection> colours = editor.extraSelections();
        return !colours.isEmpty() && std::all_of(colours.begin(), colours.end(), [&](auto &c) {
            return c.cursor.document() == editor.document();
        });
    };
    QTRY_VERIFY(fresh());
}

void TstEditor::ownColourWinsAndOnlyShownLines()
{
    RichTextBox editor;
    editor.resize(500, 300);
    QStringList lines;
    for (int i = 1; i <= 3000; ++i)
        lines << QStringLiteral("N%1 G01 X%1.5 F200").arg(i * 10);
    editor.setText(lines.join(QLatin1String("\r\n")));
    editor.select(4, 3); // G01 of the first line
    editor.setSelColor(Qt::red);
    editor.setHighlighting(true);
    const QTextDocument *doc = editor.document();
    QVERIFY(coloured(editor, doc->firstBlock(), 0, 3));  // N10
    QVERIFY(!coloured(editor, doc->firstBlock(), 4, 7)); // G01: the user's red
    QVERIFY(coloured(editor, doc->firstBlock(), 8, 13)); // X10.5
    QVERIFY(!coloured(editor, doc->lastBlock(), 0, doc->lastBlock().length())); // not in view
    editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
    QVERIFY(coloured(editor, doc->lastBlock(), 0, 6));
    QVERIFY(!coloured(editor, doc->firstBlock(), 0, doc->firstBlock().length()));
    // Readable on a light and on a dark background.
    for (const QColor base : {QColor(Qt::white), QColor(0x20, 0x20, 0x20)}) {
        QPalette palette = editor.palette();
        palette.setColor(QPalette::Base, base);
        editor.setPalette(palette);
        for (const QTextEdit::ExtraSelection &colour : editor.extraSelections())
            QVERIFY(std::abs(colour.format.foreground().color().lightness() - base.lightness()) >
                    60);
    }
    editor.markStruck(0, 8); // struck marks keep to themselves
    QCOMPARE(editor.struckMarks(), (QList<std::pair<int, int>>{{0, 8}}));
}

void TstEditor::lineNumbers()
{
    RichTextBox editor;
    editor.resize(500, 300);
    editor.setText(QStringLiteral("A\r\nB\r\nC"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setLineNumbers(true);
    LineNumberGutter *gutter = editor.lineNumberGutter();
    editor.setSelStart(3); // the second line
    QList<LineNumberGutter::ShownLine> shown = gutter->shownLines();
    QCOMPARE(shown.size(), 3);
    for (int i = 0; i < 3; ++i)
        QVERIFY(shown[i].number == i + 1 && shown[i].current == (i == 1));
    // More digits, a wider gutter; a scrolled view numbers from its first line.
    const int narrow = gutter->width();
    editor.appendText(QString(20000, QLatin1Char('\n')));
    QVERIFY(gutter->width() > narrow);
    QCOMPARE(gutter->geometry().right() + 1, editor.viewport()->x());
    // At the end, once the editor has laid the new lines out.
    const auto lastShown = [&] {
        editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
        shown = gutter->shownLines();
        return shown.isEmpty() ? 0 : shown.last().number;
    };
    QTRY_COMPARE(lastShown(), 20003);
    QCOMPARE(shown.first().number, editor.cursorForPosition(QPoint(0, 0)).blockNumber() + 1);
    editor.setLineNumbers(false);
    QVERIFY(!editor.lineNumberGutter());
    QCOMPARE(editor.viewport()->x(), editor.frameWidth());
}

void TstEditor::savedAsOpened_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("rtf");
    for (const int lines : {3000, 30000}) {
        QTest::addRow("%d lines, plain", lines) << lines << false;
        QTest::addRow("%d lines, rtf", lines) << lines << true;
    }
}

void TstEditor::savedAsOpened()
{
    QFETCH(int, lines);
    QFETCH(bool, rtf);
    const QList<QByteArray> program = camLines(lines);
    const QByteArray bytes = rtf ? camRtf(program) : program.join("\r\n") + "\r\n";
    QTemporaryDir dir;
    const QString in = dir.filePath(rtf ? "in.dnc" : "in.nc");
    writeFile(in, bytes);
    RichTextBox editor;
    editor.resize(500, 300);
    editor.setHighlighting(true);
    editor.setLineNumbers(true);
    editor.show();
    QSignalSpy opened(&editor, &RichTextBox::fileOpened);
    editor.openFile(in);
    QTRY_COMPARE(opened.size(), 1);
    QVERIFY(opened.first().first().toBool());
    // Coloured and numbered from its first line as soon as it shows.
    QTRY_VERIFY(!editor.extraSelections().isEmpty());
    QCOMPARE(editor.lineNumberGutter()->shownLines().value(0).number, 1);
    QCOMPARE(editor.textLength(), int(program.join("\r\n").size()) + 2 * !rtf);
    QVERIFY(editor.saveFile(dir.filePath("out")));
    QCOMPARE(readFile(dir.filePath("out")), bytes);
    // Plain text saved as RTF writes the same as the RTF file.
    if (rtf)
        return;
    QVERIFY(editor.saveFileAs(dir.filePath("as.dnc")));
    QCOMPARE(readFile(dir.filePath("as.dnc")), camRtf(program + QList<QByteArray>{""}));
}

void TstEditor::openInProgressSurvives()
{
    QTemporaryDir dir;
    const QList<QByteArray> program = camLines(40000);
    const QString first = dir.filePath("first.nc");
    const QString second = dir.filePath("second.nc");
    writeFile(first, program.join("\n"));
    writeFile(second, program.mid(1).join("\r\n"));
    RichTextBox other;
    other.setText(QStringLiteral("G01 X1"));
    {
        RichTextBox closed; // goes away while its open runs
        closed.openFile(first);
        QVERIFY(closed.isOpening() && closed.locked());
    }
    RichTextBox twice;
    QSignalSpy opened(&twice, &RichTextBox::fileOpened);
    twice.openFile(first);
    twice.openFile(second); // drops the first
    QTRY_COMPARE(opened.size(), 1);
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    QVERIFY(!twice.locked());
    QCOMPARE(twice.text(), QString::fromLatin1(program.mid(1).join("\r\n")));
    QCOMPARE(other.text(), QStringLiteral("G01 X1"));
}

QTEST_MAIN(TstEditor)
#include "tst_editor.moc"
