// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF codec on its own: written text reads back in the same formats, files of both writer
// styles read as meant and save again byte for byte, and any input, hostile or broken (a
// corpus in fixtures/hostile.txt), loads what it can. What both program controls share, run
// on each: positions with line ends counting two, selection, struck marks, appends and their
// Undo steps. The rich-text control: formats, files saved as read or failing without harm;
// long programs opened, built, laid out and saved in pieces; G-code colours and line numbers
// for display only; the history of edits and whole-text changes made as differences.
#include "editor/DocumentBuilder.h"
#include "editor/EditorLimits.h"
#include "editor/GCodeWords.h"
#include "editor/LayoutPacer.h"
#include "editor/LineNumberGutter.h"
#include "editor/PlainTextStream.h"
#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "editor/TextDiff.h"
#include "i18n/Language.h"
#include "program/frmProgram.h"
#include "support/Fixtures.h"
#include "support/FullDisk.h"
#include "support/TestFolders.h"
#include "tools/RewriteLines.h"
#include "tools/TextSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The address space the process takes now (VmSize), in bytes.
qint64 addressSpaceInUse()
{
    const QByteArray status = readFile(QStringLiteral("/proc/self/status"));
    const qsizetype at = status.indexOf("VmSize:") + 7;
    return status.mid(at, status.indexOf(" kB", at) - at).trimmed().toLongLong() * 1024;
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

// Saves as the program window does: a long program's save is waited for. True when written.
bool saveWhole(RichTextBox &editor, const QString &path, bool asNewName = false)
{
    QSignalSpy saved(&editor, &RichTextBox::fileSaved);
    if (!(asNewName ? editor.saveFileAs(path) : editor.saveFile(path)))
        return false;
    return !editor.isSaving() ||
           (saved.wait(120000) && saved.size() == 1 && saved.first().first().toBool());
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

CharFormat fmt(bool b = false, bool i = false, bool u = false, bool s = false)
{
    CharFormat f = defaultCharFormat();
    f.bold = b;
    f.italic = i;
    f.underline = u;
    f.strike = s;
    return f;
}

RichText plain(const QString &text)
{
    RichText rt;
    rt.append(text, defaultCharFormat());
    return rt;
}

// "\xHH" written out as the byte it stands for.
QByteArray unescaped(const QByteArray &field)
{
    QByteArray text = field;
    for (qsizetype at = text.indexOf("\\x"); at >= 0; at = text.indexOf("\\x", at + 1)) {
        bool hex = false;
        const int byte = text.mid(at + 2, 2).toInt(&hex, 16);
        if (hex && at + 4 <= text.size())
            text.replace(at, 4, QByteArray(1, char(byte)));
    }
    return text;
}

// Bytes from a fixed linear congruential generator, the same on every run.
QByteArray junk(qsizetype size, std::uint32_t seed)
{
    QByteArray out(size, Qt::Uninitialized);
    for (char &c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    return out;
}

// The format of every character; a paragraph mark's own format is not kept in a program.
QList<CharFormat> formats(const RichText &rt)
{
    QList<CharFormat> out;
    for (const TextRun &run : rt.runs)
        for (QChar c : run.text)
            if (c != QLatin1Char('\n'))
                out << run.format;
    return out;
}

// Written and read again: the same text in the same formats, character by character.
void verifyRoundTrip(const RichText &rt)
{
    const RichText back = readRtf(writeRtf(rt));
    QCOMPARE(back.plainText(), rt.plainText());
    QVERIFY(formats(back) == formats(rt));
}

// One entry per run, paragraph marks taking the format of the character before them.
QStringList dump(const RichText &text)
{
    const QList<CharFormat> chars = formats(text);
    RichText rt;
    qsizetype next = 0;
    for (QChar ch : text.plainText())
        rt.append(QString(ch),
                  chars.value(ch == QLatin1Char('\n') ? std::max<qsizetype>(next - 1, 0) : next++));
    QStringList out;
    for (const TextRun &r : rt.runs)
        out << QStringLiteral("[%1|%2 %3 b%4i%5u%6s%7 c%8]")
                   .arg(r.text, r.format.fontName)
                   .arg(r.format.pointSize)
                   .arg(r.format.bold)
                   .arg(r.format.italic)
                   .arg(r.format.underline)
                   .arg(r.format.strike)
                   .arg(r.format.color ? QString::number(*r.format.color, 16)
                                       : QStringLiteral("auto"));
    return out;
}

// What must hold for anything the reader returns, whatever the input.
void verifyInvariants(const RichText &rt, const QByteArray &input)
{
    const QString text = rt.plainText();
    // Every character of text costs at least one byte of input.
    QVERIFY2(text.size() <= input.size(), qPrintable(QString::number(text.size())));
    for (const TextRun &run : rt.runs) {
        QVERIFY(!run.text.isEmpty());
        QVERIFY(!run.format.fontName.isEmpty() && run.format.fontName.size() <= 256);
        QVERIFY(!run.format.fontName.contains(QLatin1Char('\t')));
        QVERIFY(run.format.pointSize >= 1.0 && run.format.pointSize <= 1638.0);
    }
    // Surrogates only come as pairs.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate())
            QVERIFY2(i + 1 < text.size() && text[++i].isLowSurrogate(), "lone high surrogate");
        else
            QVERIFY2(!text[i].isLowSurrogate(), "lone low surrogate");
    }
}

// Reads the shared state of a cursor the document reports. The address sanitizer stops the
// run if that state was freed while the document still tracks it.
void touchCursorState(const QTextCursor &cursor)
{
#if defined(__SANITIZE_ADDRESS__)
    static_assert(sizeof(QTextCursor) == sizeof(void *));
    const volatile char *state = nullptr;
    std::memcpy(&state, &cursor, sizeof state);
    if (state)
        (void)*state;
#else
    Q_UNUSED(cursor);
#endif
}

// A replacement as "line:column-endLine:endColumn>new text".
QString describe(const TextReplacement &edit, const FlatText &after)
{
    return QString::asprintf("%d:%d-%d:%d>", int(edit.line), int(edit.column), int(edit.endLine),
                             int(edit.endColumn)) +
           after.text.mid(edit.from, edit.to - edit.from);
}

// Clean with all its options, and Numbering (N, 10, 10), as the program window runs them.
void clean(RichTextBox &box)
{
    box.rewrite([](const RichText &text) {
        return rewriteRichText(text, rwBadSymbols | rwNumbering | rwEmptyRows, QStringLiteral("N"),
                               0, 0, true);
    });
}

void numbering(RichTextBox &box, qint32 start = 10)
{
    box.rewrite([start](const RichText &text) {
        return rewriteRichText(text, rwRenumber, QStringLiteral("N"), start, 10, false);
    });
}

// Either program control, shown: the rich-text control or the program view.
std::unique_ptr<ProgramText> control(bool view)
{
    std::unique_ptr<ProgramText> text(view ? static_cast<ProgramText *>(new ProgramView)
                                           : new RichTextBox);
    text->widget()->resize(300, 200);
    text->widget()->show();
    return text;
}

void bothControls()
{
    QTest::addColumn<bool>("view");
    QTest::newRow("rich text") << false;
    QTest::newRow("program view") << true;
}

} // namespace

class TstEditor : public QObject {
    Q_OBJECT
private slots:
    // Written and read again in the same formats: blanks, escapes, each flag alone and all
    // together, paragraph marks after formatted text, fonts, sizes and colours.
    void writtenReadsBack()
    {
        verifyRoundTrip(plain("  G00  \n \n\t X1\t"));
        verifyRoundTrip(plain("(A\\B{C}\tD) \\{}\\'e9 \\par ;?"));
        CharFormat arial = fmt(), red = fmt(true), black = fmt(), first = fmt(1, 1, 1, 1);
        arial.fontName = QStringLiteral("Arial");
        arial.pointSize = 14.5;
        red.color = 0xFF0000;
        red.pointSize = 12;
        black.color = 0x000000;
        first.color = 0x00FF00;  // the first run's formats are written from none
        first.pointSize = 10.75; // to the nearest half point
        RichText rt;
        rt.append("%\n", first);
        rt.append("N10\nN20", fmt(true));
        rt.append("\nN30 ", fmt());
        rt.append("G01", fmt(false, true));
        rt.append(" X5\n", fmt());
        rt.append("N40", fmt(false, false, true));
        rt.append("\n\n", fmt());
        rt.append("N50", fmt(false, false, false, true));
        rt.append("X1 ", arial);
        rt.append("Y2\n\nN60\n", red);
        rt.append("Z3", black);
        rt.append(QString::fromUtf8("\xd0\x96"), arial);
        QVERIFY2(writeRtf(rt).contains("\\fs22\\cf1\\b\\i\\ul\\strike %"),
                 writeRtf(rt).constData());
        rt.runs.first().format.pointSize = 11;
        verifyRoundTrip(rt);
    }

    // Files of both writer styles read as they are meant.
    void savedFilesAreStable_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("runs");
        for (const char *name : {"classic", "newer"}) {
            QStringList runs;
            for (const QList<QByteArray> &run :
                 fixtureRows((name + QByteArray(".runs")).constData()))
                runs << QString::fromUtf8(run[0]);
            QTest::newRow(name) << readFile(KORDAVEL_TEST_DATA "/fixtures/" + QLatin1String(name) +
                                            ".rtf")
                                << runs;
        }
        QTest::newRow("ours") << writeRtf(plain("G00\n\nM30\n"))
                              << QStringList{"[G00\n\nM30\n|Courier New 10 b0i0u0s0 cauto]"};
    }
    void savedFilesAreStable()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, runs);
        QCOMPARE(dump(readRtf(rtf)), runs); // saved again: fileSavedAsItWasRead
    }

    // Inputs made by code; the literal ones are the corpus, read by the test itself.
    void loadsWhatItCan_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("text");     // null: any text will do
        QTest::addColumn<double>("pointSize"); // of the last run; 0: not checked
        QTest::addColumn<bool>("bold");        // of the last run
        const auto row = [](const char *name, const QByteArray &input, const QString &text,
                            double pointSize = 0, bool bold = false) {
            QTest::newRow(name) << input << text << pointSize << bold;
        };
        const QByteArray nested = QByteArray("{").repeated(100000);
        const QByteArray closed = QByteArray("}").repeated(100000);
        row("100000 nested groups, closed", "{\\rtf1 A" + nested + "B" + closed + "C}", "ABC");
        row("100000 nested groups, never closed", "{\\rtf1 A" + nested + "B", "AB");
        row("1 MB of open braces", QByteArray(1 << 20, '{'), "");
        row("1 MB of close braces", QByteArray(1 << 20, '}'), "");
        row("state restored after 100000 levels",
            "{\\rtf1\\fs30 " + nested + "\\b\\fs40 A" + closed + "B}", "AB", 15.0, false);
        row("fs far too big", "{\\rtf1\\fs99999999999999999999 A}", "A", 1638.0);
        row("fs far too small", "{\\rtf1\\fs-99999999999999999999 A}", "A", 1.0);
        row("fs zero", "{\\rtf1\\fs0 A}", "A", 1.0);
        row("fs without a number", "{\\rtf1\\fs30\\fs A}", "A", 12.0);
        row("fs with 100000 digits", "{\\rtf1\\fs" + QByteArray(100000, '9') + " A}", "A");
        row("b far too big", "{\\rtf1\\b99999999999999999999 A}", "A", 12.0, true);
        row("b minus zero", "{\\rtf1\\b\\b-0 A}", "A", 12.0, false);
        row("control word of 100000 letters", "{\\rtf1 A\\" + QByteArray(100000, 'x') + " B}",
            "AB");
        row("64 KB of junk in a document", "{\\rtf1 " + junk(65536, 1), QString());
        row("8-bit bytes without a document", junk(4096, 3).replace('{', 'x'), "");
        row("100000 colour table entries",
            "{\\rtf1{\\colortbl" + QByteArray("\\red1;").repeated(100000) + "}\\cf99999 A}", "A");
        QByteArray fonts = "{\\rtf1{\\fonttbl";
        for (int i = 0; i < 10000; ++i)
            fonts += "{\\f" + QByteArray::number(i) + " F" + QByteArray::number(i) + ";}";
        row("10000 fonts", fonts + "}\\f9999 A}", "A");
        row("font name of 100000 letters",
            "{\\rtf1{\\fonttbl{\\f0 " + QByteArray(100000, 'N') + ";}}A}", "A");
        row("100000 format changes", "{\\rtf1 " + QByteArray("\\b A\\b0 B").repeated(100000) + "}",
            QString("AB").repeated(100000));
        row("100000 paragraphs", "{\\rtf1 " + QByteArray("\\par").repeated(100000) + "}",
            QString(99999, QLatin1Char('\n')));
        for (const QList<QByteArray> &f : fixtureRows("hostile.txt", unescaped))
            QTest::newRow(f[0].constData())
                << f[2] << (f[1] == "*" ? QString() : QString::fromUtf8(f[1])) << 0.0 << false;
    }
    void loadsWhatItCan()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, text);
        QFETCH(double, pointSize);
        QFETCH(bool, bold);
        const RichText rt = readRtf(input);
        verifyInvariants(rt, input);
        if (QTest::currentTestFailed())
            return;
        if (!text.isNull())
            QCOMPARE(rt.plainText(), text);
        if (pointSize > 0) {
            QCOMPARE(rt.runs.last().format.pointSize, pointSize);
            QCOMPARE(rt.runs.last().format.bold, bold);
        }
        verifyRoundTrip(rt);
    }

    // On both controls a line end counts two and comes out as CR LF; ranges agree with the text.
    void positionsAgreeWithTheText_data() { bothControls(); }
    void positionsAgreeWithTheText()
    {
        QFETCH(bool, view);
        const std::unique_ptr<ProgramText> box = control(view);
        const QString ends[][2] = {
            {"A\nB\rC\r\n", "A\r\nB\r\nC\r\n"},
            {QStringLiteral("A\u2029B\u00a0"), QStringLiteral("A\r\nB\u00a0")}};
        for (const auto &[in, out] : ends) {
            if (view && in.contains(QChar::ParagraphSeparator))
                break; // the view takes only CR and LF as line ends
            box->setText(in);
            QCOMPARE(box->text(), out);
            box->setText(QString());
            box->setSelText(in);
            QCOMPARE(box->text(), out);
        }
        QString program;
        QRandomGenerator random(42);
        for (int line = 0; line < 300; ++line)
            program += QString(int(random.bounded(0, 40)), QChar(u'A' + line % 26)) + "\r\n";
        program += QStringLiteral("M30");
        box->setText(program);
        QCOMPARE(box->text(), program);
        const int size = int(program.size());
        QCOMPARE(box->textLength(), size);
        for (int i = 0; i < 300; ++i) {
            const int start = i < 2 ? size - 2 * i : int(random.bounded(0, size));
            const int length = int(random.bounded(0, 120));
            const QString range = program.mid(start, length);
            // A range from inside a line end: the rich-text control's alone.
            const bool inside = (start < size && program.at(start) == QLatin1Char('\n')) ||
                                range.endsWith(QLatin1Char('\r'));
            if (!inside || !view)
                QCOMPARE(box->textRange(start, length), range);
            if (inside)
                continue; // inside a line end
            box->selectRange(start, length);
            QCOMPARE(box->selText(), range);
            QCOMPARE(box->selStart(), start);
            QCOMPARE(box->selLength(), int(range.size()));
            QCOMPARE(box->lineOfPosition(start), int(program.left(start).count(u'\n')));
            // Setting the start collapses the selection; the length then counts from it.
            box->setSelStart(start);
            QCOMPARE(box->selLength(), 0);
            box->setSelLength(length);
            QCOMPARE(box->selText(), range);
        }
    }

    // Struck marks change neither text, history nor changed state; a continuing piece lengthens.
    void struckMarksLeaveTheTextAlone_data() { bothControls(); }
    void struckMarksLeaveTheTextAlone()
    {
        QFETCH(bool, view);
        const std::unique_ptr<ProgramText> box = control(view);
        box->setText(QStringLiteral("G01 X10\r\nM30\r\nM02"));
        box->setLocked(true);
        QVERIFY(QTest::qWaitForWindowExposed(box->widget()));
        const QString text = box->text();
        const bool undo = box->isUndoAvailable(), modified = box->isModified();
        QWidget *area = static_cast<QAbstractScrollArea *>(box->widget())->viewport();
        const QImage unmarked = area->grab().toImage();
        int changes = 0;
        connectText(box.get(), &RichTextBox::Change, &ProgramView::Change, this,
                    [&] { ++changes; });
        box->strike(0, 9);
        box->strike(9, 5);
        box->strike(16, 1);
        QCOMPARE(box->strikes(), (QList<std::pair<int, int>>{{0, 14}, {16, 1}}));
        QVERIFY(area->grab().toImage() != unmarked);
        QVERIFY(box->text() == text && changes == 0);
        QVERIFY(box->isUndoAvailable() == undo && box->isModified() == modified);
        box->clearStrikes();
        QVERIFY(box->strikes().isEmpty());
        QCOMPARE(area->grab().toImage(), unmarked);
        if (view)
            return;
        // Strike-through in the text itself is another thing, found when it is there.
        auto *rich = static_cast<RichTextBox *>(box.get());
        rich->select(10, 2);
        rich->setSelStrikeThru(true);
        QVERIFY(rich->hasStrikeThru());
        rich->setSelStrikeThru(false);
        QVERIFY(!rich->hasStrikeThru());
        box->strike(0, 5); // a new text drops the marks of the old one
        box->setText(QStringLiteral("M30"));
        QVERIFY(box->strikes().isEmpty());
    }

    // Appends: a step of their own, or of the step before when nothing else came since.
    // The rich-text control takes the CR of a piece as a line end: "view" rows are the view's.
    void appendSteps_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<QByteArrayList>("row");
        for (const bool view : {false, true})
            for (const QByteArrayList &row : fixtureRows("append.rows"))
                if (view || row[4] == "both")
                    QTest::addRow("%s, %s", view ? "view" : "rich", row[0].constData())
                        << view << row;
    }
    void appendSteps()
    {
        QFETCH(bool, view);
        QFETCH(QByteArrayList, row); // name | steps | text | after one Undo | controls
        const QString script = QString::fromLatin1(row[1]);
        const std::unique_ptr<ProgramText> box = control(view);
        box->setText(QStringLiteral("%\r\n"));
        box->setSelStart(box->textLength());
        int changes = 0, changed = 0; // one Change for each step that changes the text
        connectText(box.get(), &RichTextBox::Change, &ProgramView::Change, this,
                    [&] { ++changes; });
        for (const QString &step : script.split(u'|')) {
            const QString before = box->text();
            if (step == u"@")
                box->setSelStart(box->textLength());
            else if (step == u"u")
                box->undo();
            else if (step.startsWith(u'\''))
                QTest::keyClicks(box->widget(), step.mid(1));
            else
                box->appendText(step.mid(1), step.startsWith(u'&'));
            changed += box->text() != before;
        }
        QCOMPARE(box->text().toLatin1(), row[2]);
        QCOMPARE(changes, changed);
        QCOMPARE(box->caretPosition(), box->textLength());
        box->undo();
        QCOMPARE(box->text().toLatin1(), row[3]);
    }

    // Bold, italic and underline through the frame are checked in tst_app.
    void selectionFormats()
    {
        RichTextBox box;
        box.setText(QStringLiteral("G01 X10\r\nM30"));
        box.select(0, 12);
        QVERIFY(box.selFontName() == QStringLiteral("Courier New") && box.selFontSize() == 10.0);
        QCOMPARE(box.selColor(), std::optional<QColor>(QColor()));
        box.select(4, 3);
        box.setSelStrikeThru(true);
        box.setSelFontName(QStringLiteral("Arial"));
        box.setSelFontSize(14);
        box.setSelColor(Qt::red);
        box.select(0, 12);
        QCOMPARE(box.selStrikeThru(), RichTextBox::TriState::Mixed);
        QVERIFY(!box.selFontName() && !box.selFontSize() && !box.selColor());
        const QByteArray rtf = box.textRTF();
        QVERIFY2(rtf.contains("{\\f1\\fnil\\fcharset0 Arial;}") &&
                     rtf.contains("\\red255\\green0\\blue0;") &&
                     rtf.contains("G01 \\f1\\fs28\\cf1\\strike X10"),
                 rtf.constData());
    }

    // Saved again as read: plain bytes, line ends and encoding (UTF-8 or Windows-1252) kept,
    // RTF in the same formats; a new name chooses the format; long files alike.
    void fileSavedAsItWasRead_data()
    {
        fixtureColumn("files.rows"); // name | line end | UTF-8 | bytes | text read (LF ends)
        const auto row = [](const char *name, const char *end, const QByteArray &bytes,
                            const QByteArray &text = "*", const char *utf8 = "0") {
            QTest::newRow(name) << QByteArrayList{name, end, utf8, bytes, text};
        };
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                every += char(b);
        row("empty", "crlf", QByteArray(), "");
        row("every byte", "crlf", "G00\r\n" + every + "\r\n");
        row("classic RTF", "rtf", readFile(KORDAVEL_TEST_DATA "/fixtures/classic.rtf"));
        row("newer RTF", "rtf", readFile(KORDAVEL_TEST_DATA "/fixtures/newer.rtf"));
        const QByteArray post("(Tiefe 5 mm \xe2\x80\x93)\n");
        row("UTF-8, long", "crlf", QByteArray(post).replace("\n", "\r\n").repeated(30000),
            post.repeated(30000), "1");
        // Opened on another thread and saved in slices.
        const QByteArray cam = camLines(30000).join('\n');
        row("long plain", "crlf", QByteArray(cam).replace("\n", "\r\n") + "\r\n");
        row("long RTF", "rtf", writeRtf(plain(QString::fromLatin1(cam))), cam);
    }
    void fileSavedAsItWasRead()
    {
        QFETCH(QByteArrayList, row);
        const QByteArray &bytes = row[3], &expected = row[4];
        const bool rich = row[1] == "rtf", utf8 = row[2] == "1";
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(rich ? "prog.dnc" : "P.NC"), bytes);
        RichTextBox box;
        QSignalSpy opened(&box, &RichTextBox::fileOpened);
        box.openFile(path);
        QCOMPARE(box.isOpening(), bytes.size() > 300000); // a long file on another thread
        QTRY_COMPARE(opened.size(), 1);
        QVERIFY(opened.first().first().toBool());
        QCOMPARE(box.fileFormat(), rich ? FileFormat::Rtf : FileFormat::PlainText);
        const QString text = box.text();
        if (expected != "*")
            QCOMPARE(text.toUtf8(), QByteArray(expected).replace("\n", "\r\n"));
        const QByteArray ends[] = {"crlf", "lf", "cr"};
        if (!rich)
            QCOMPARE(ends[int(box.lineEnd())], row[1]);
        QCOMPARE(box.textEncoding() == TextEncoding::Utf8, utf8);
        const QByteArray rtf = box.textRTF();
        QVERIFY(saveWhole(box, path));
        const QByteArray saved = readFile(path);
        QCOMPARE(saved, rich ? rtf : bytes);
        if (rich) // character by character in the same font, size, colour and style
            QVERIFY(formats(readRtf(saved)) == formats(readRtf(bytes)));
        if (rich && writeRtf(readRtf(bytes)) == bytes) // our own RTF: byte for byte
            QCOMPARE(saved, bytes);
        RichTextBox again; // read again and saved: the same
        QVERIFY(again.loadFile(path));
        QCOMPARE(again.text(), text);
        QVERIFY(saveWhole(again, path));
        QCOMPARE(readFile(path), saved);
        const QString plainCopy = dir.filePath(QStringLiteral("copy.tap"));
        QVERIFY(saveWhole(box, plainCopy, true));
        QCOMPARE(box.fileFormat(), FileFormat::PlainText);
        QVERIFY(!looksLikeRtf(readFile(plainCopy)));
        if (!rich)
            QCOMPARE(readFile(plainCopy), bytes);
        const QString richCopy = dir.filePath(QStringLiteral("COPY.DNC"));
        QVERIFY(saveWhole(box, richCopy, true));
        QCOMPARE(box.fileFormat(), FileFormat::Rtf);
        RichTextBox back;
        QVERIFY(back.loadFile(richCopy));
        QCOMPARE(back.fileFormat(), FileFormat::Rtf);
        QCOMPARE(readFile(richCopy), box.textRTF());
        QCOMPARE(back.text(), QString(text).remove(QChar(0))); // RTF holds no NUL
        if (rich)
            return;
        // Typed text goes into the file in the file's encoding.
        box.setLocked(false);
        box.select(0, 0);
        box.setSelText(QStringLiteral("(\u00f6)"));
        QVERIFY(saveWhole(box, plainCopy, true));
        QCOMPARE(readFile(plainCopy),
                 (utf8 ? QByteArray("(\xc3\xb6)") : QByteArray("(\xf6)")) + bytes);
    }

    // A new name chooses the format, an empty file's too; a failed save changes none.
    void formatForNewName()
    {
        const std::pair<const char *, bool> names[] = {
            {"/tmp/a.dnc", true},    {"/tmp/A.DNC", true},          {"/tmp/a.nc", false},
            {"/tmp/program", false}, {"/tmp/x.dnc/program", false}, {"a.dnc.txt", false}};
        QTemporaryDir dir;
        for (const auto &[name, rich] : names) {
            QCOMPARE(formatForFileName(QString::fromLatin1(name)) == FileFormat::Rtf, rich);
            const QString empty = dir.filePath(QFileInfo(QString::fromLatin1(name)).fileName());
            QVERIFY(writeFileAtomically(empty, QByteArray()));
            QCOMPARE(loadProgramFile(empty)->format == FileFormat::Rtf, rich);
        }
        RichTextBox box; // a failed save keeps the format and the text
        QVERIFY(box.loadFile(writeFile(dir.filePath(QStringLiteral("a.nc")), "OLD\r\n")));
        box.setText(QStringLiteral("NEW"));
        QVERIFY(!box.saveFileAs(dir.filePath(QStringLiteral("no/such/folder.dnc"))));
        QVERIFY(box.fileFormat() == FileFormat::PlainText && box.text() == u"NEW");
    }

    void failedSaveKeepsOldFile_data() { fixtureColumn("failed.rows"); }
    void failedSaveKeepsOldFile()
    {
        QFETCH(QByteArrayList, row); // name | target | fault | long program | error
        const QString target = QString::fromLatin1(row[1]);
        const QString reason = row[4].startsWith("string ") ? GetString({}, row[4].mid(7).toInt())
                                                            : QString::fromLatin1(row[4]);
        QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.nc"));
        const QByteArray original("G00 X0\r\nM30\r\n");
        QVERIFY(writeFileAtomically(old, original));
        if (row[2] == "read-only")
            QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tiny = saved;
        tiny.rlim_cur = 4096;
        if (row[2] == "limit")
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        std::optional<FullDisk> disk;
        if (row[2] == "full")
            disk.emplace(4096);
        QString error;
        bool written = false;
        if (row[3] == "1") {
            RichTextBox box;
            box.setText(QString(700 * 1024, QLatin1Char('X')));
            written = saveWhole(box, dir.filePath(target));
            error = box.saveError();
        } else {
            written = writeFileAtomically(dir.filePath(target), QByteArray(64 * 1024, 'X'), &error);
        }
        disk.reset();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!written);
        QCOMPARE(error, reason);
        QCOMPARE(readFile(old), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.nc")});
    }

    // Saved over another user's file (by root), the file stays theirs, with its mode.
    void saveKeepsOwnerAndMode()
    {
        if (geteuid() != 0)
            QSKIP("only root may give a file away");
        const uint cases[][3] = {{1, 1, 0640}, {0, 2, 0604}, {1, 2, 02750}}; // owner, group, mode
        QTemporaryDir dir;
        for (const auto &[owner, group, mode] : cases) {
            const QString path = writeFile(dir.filePath(QStringLiteral("o1000.nc")), "M30\r\n");
            const QByteArray name = QFile::encodeName(path);
            QCOMPARE(::chown(name.constData(), owner, group), 0);
            QCOMPARE(::chmod(name.constData(), mode), 0);
            QVERIFY(writeFileAtomically(path, "G00 X1\r\nM30\r\n"));
            struct stat st {};
            QCOMPARE(::stat(name.constData(), &st), 0);
            QVERIFY(st.st_uid == owner && st.st_gid == group && (st.st_mode & 07777) == mode);
            QCOMPARE(readFile(path), QByteArray("G00 X1\r\nM30\r\n"));
        }
    }

    // "bytes" and "lines": more than the editor holds, "lines" read on another thread, which
    // counts them; "memory": within the limits, but the process may not take the memory.
    void onlyRegularFilesOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FileProblem>("problem");
        using P = FileProblem;
        const std::pair<const char *, FileProblem> kinds[] = {
            {"program", P::None},      {"missing", P::Missing},      {"folder", P::Folder},
            {"fifo", P::NotRegular},   {"/dev/zero", P::NotRegular}, {"loop", P::Unreadable},
            {"mode 0", P::Unreadable}, {"bytes", P::TooLarge},       {"lines", P::TooLarge},
            {"memory", P::OutOfMemory}};
        for (const auto &[kind, problem] : kinds)
            QTest::newRow(kind) << QString::fromLatin1(kind) << problem;
    }
    // Only a regular file within the editor's limits opens; anything else is refused with why,
    // nothing waits on a FIFO or reads a device without end, and the text stays.
    void onlyRegularFilesOpen()
    {
        QFETCH(QString, kind);
        QFETCH(FileProblem, problem);
        QTemporaryDir dir;
        const QString path = makeNoProgram(kind, dir.filePath(QStringLiteral("part.nc")));
        if (kind == u"program" || kind == u"mode 0")
            writeFile(path, "G01 X1\r\nM30\r\n");
        else if (kind == u"bytes" || kind == u"lines")
            writeFile(path, QByteArray(300000 + (kind == u"bytes"), kind == u"bytes" ? 'X' : '\n'));
        if (kind == u"mode 0") {
            if (::geteuid() == 0)
                QSKIP("root reads a file without read permission");
            QVERIFY(QFile::setPermissions(path, {}));
        }
        setEditorMemory(48 * 300000); // 300,000 bytes or 20,454 lines
        const auto restore = qScopeGuard([] { setEditorMemory(0); });
        RichTextBox editor;
        editor.setText(QStringLiteral("KEEP"));
        QSignalSpy opened(&editor, &RichTextBox::fileOpened);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
        const auto unbound = qScopeGuard([&saved] { setrlimit(RLIMIT_AS, &saved); });
        if (kind == u"memory") {
#if defined(__SANITIZE_ADDRESS__)
            QSKIP("the address sanitizer needs the address space it reserves");
#endif
            // A 512 MB file, read with 64 MB of address space to spare.
            writeFile(path, {});
            QVERIFY(QFile::resize(path, qint64(512) << 20));
            setEditorMemory(qint64(1) << 40);
            rlimit tight = saved;
            tight.rlim_cur = rlim_t(addressSpaceInUse() + (qint64(64) << 20));
            QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
        }
        editor.openFile(path);
        QTRY_COMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toBool(), problem == FileProblem::None);
        QCOMPARE(editor.openProblem().problem, problem);
        QCOMPARE(editor.openProblem().error != 0,
                 problem == FileProblem::Unreadable || problem == FileProblem::Missing);
        QCOMPARE(editor.loadFile(path), problem == FileProblem::None);
        QCOMPARE(editor.openProblem().problem, problem);
        QCOMPARE(editor.text(), problem == FileProblem::None ? QStringLiteral("G01 X1\r\nM30\r\n")
                                                             : QStringLiteral("KEEP"));
    }

    void streamReadsTheFileAsItWasOpened_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<FileProblem>("problem");
        // Changed once 100 characters are read: in a long file the next block finds it, in a
        // short one, read in one block, its last byte.
        using P = FileProblem;
        const std::pair<const char *, P> changes[] = {{"", P::None},
                                                      {"shrink", P::Shrunk},
                                                      {"replace", P::Replaced},
                                                      {"delete", P::Deleted},
                                                      {"grow", P::None}};
        for (const int bytes : {100000, 1000})
            for (const auto &[change, problem] : changes)
                QTest::addRow("%d, %s", bytes, change)
                    << QString::fromLatin1(change) << bytes << problem;
    }

    // Send File reads the bytes the file held when opened; shrunk, replaced or deleted stops it.
    void streamReadsTheFileAsItWasOpened()
    {
        QFETCH(QString, change);
        QFETCH(int, bytes);
        QFETCH(FileProblem, problem);
        const int read = problem == FileProblem::None ? bytes : std::min(bytes, 65536);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("part.nc"));
        const QByteArray program = QByteArray("G01 X1.5\r\n").repeated(bytes / 10);
        writeFile(path, program);
        PlainTextStream stream;
        QVERIFY(stream.open(path).ok());
        QString text = stream.read(100);
        if (change == u"shrink") {
            QVERIFY(QFile::resize(path, 10));
        } else if (change == u"replace") {
            writeFile(dir.filePath(QStringLiteral("new.nc")), program);
            QVERIFY(::rename(QFile::encodeName(dir.filePath(QStringLiteral("new.nc"))).constData(),
                             QFile::encodeName(path).constData()) == 0);
        } else if (change == u"delete") {
            QVERIFY(QFile::remove(path));
        } else if (change == u"grow") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append) && file.write("M30\r\n") == 5);
        }
        for (int i = 0; i < 1000 && !stream.atEnd(); ++i)
            text += stream.read(4096);
        QVERIFY(stream.atEnd());
        QCOMPARE(stream.problem().problem, problem);
        QCOMPARE(stream.grown(), change == u"grow");
        QCOMPARE(text.toLatin1(), program.left(read));
        QCOMPARE(stream.size(), bytes);
    }

    // Each line end given as CR LF, however the reads cut the text.
    void streamLineEnds_data()
    {
        fixtureColumn("stream.rows");
    }
    void streamLineEnds()
    {
        QFETCH(QByteArrayList, row); // name | bytes | text read
        const QByteArray &bytes = row[1];
        const QString text = QString::fromUtf8(row[2]);
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(QStringLiteral("part.nc")), bytes);
        for (const int most : {1, 2, 4096}) {
            PlainTextStream stream;
            QVERIFY(stream.open(path).ok());
            QString read;
            for (int i = 0; i < 100 && !stream.atEnd(); ++i)
                read += stream.read(most);
            QCOMPARE(read, text);
            QCOMPARE(stream.position(), bytes.size());
        }
    }

    void documentBuilt_data()
    {
        QTest::addColumn<QStringList>("runs"); // in formats by turns
        QTest::addColumn<int>("blocks");
        QTest::addColumn<QList<int>>("permilles");     // shown while opening, one a piece
        const QString piece(262143, QLatin1Char('X')); // a character short of a piece
        QTest::newRow("short") << QStringList{"G01\r\nM30\nX"} << 3 << QList<int>{1000};
        QTest::newRow("a piece and one") << QStringList{piece + "XX"} << 1 << QList<int>{999, 1000};
        QTest::newRow("CR LF across a piece")
            << QStringList{piece + "\r\nM30"} << 2 << QList<int>{999, 1000};
        QTest::newRow("runs over pieces")
            << QStringList{QString(300000, 'X'), "\r\n", QString(300000, 'Y')} << 2
            << QList<int>{436, 499, 500, 936, 1000};
        QTest::newRow("empty") << QStringList() << 1 << QList<int>();
    }

    // Built in pieces: fresh, no undo, progress after each piece; cancelled: nothing.
    void documentBuilt()
    {
        QFETCH(QStringList, runs);
        QFETCH(int, blocks);
        QFETCH(QList<int>, permilles);
        RichText content;
        for (qsizetype i = 0; i < runs.size(); ++i)
            content.append(runs[i], fmt(i % 2));
        BuildProgress progress;
        QList<int> told;
        progress.advanced = [&](int permille) { told << permille; };
        std::unique_ptr<QTextDocument> document(buildDocument(content, QFont(), &progress));
        QVERIFY(document);
        QCOMPARE(document->toPlainText(), runs.join(QString()).replace("\r\n", "\n"));
        QCOMPARE(document->blockCount(), blocks);
        QVERIFY(!document->isModified() && !document->isUndoAvailable());
        QVERIFY(document->isUndoRedoEnabled());
        QCOMPARE(told, permilles);
        QCOMPARE(progress.permille.load(), permilles.value(permilles.size() - 1));
        BuildProgress cancel;
        told.clear();
        cancel.advanced = [&](int permille) {
            told << permille;
            cancel.cancelled = true;
        };
        document.reset(buildDocument(content, QFont(), &cancel));
        QCOMPARE(told, permilles.mid(0, 1));
        QCOMPARE(!document, permilles.size() > 1);
    }

    // Laid out tick by tick (sent here one by one): the scroll range grows to the whole text,
    // and a change of font lays it out again.
    void layoutPacedToTheEnd()
    {
        QTextEdit view;
        view.resize(300, 200);
        auto *document = new QTextDocument(&view);
        document->setPlainText(QString::fromLatin1(camLines(60000).join("\n")));
        view.setDocument(document);
        view.show();
        QScrollBar *bar = view.verticalScrollBar();
        LayoutPacer::pace(document);
        const auto pacer = [document] {
            return document->findChild<QObject *>(QStringLiteral("layoutPacer"),
                                                  Qt::FindDirectChildrenOnly);
        };
        int ticks = 0;
        for (; pacer() && ticks < 100000; ++ticks) {
            QTimerEvent tick(1);
            QCoreApplication::sendEvent(document->documentLayout(), &tick);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (ticks == 2) // a larger font while the layout goes on
                document->setDefaultFont(QFont(QStringLiteral("Courier New"), 20));
        }
        QVERIFY(ticks > 3 && !pacer());
        QVERIFY(document->lastBlock().layout()->lineCount() > 0);
        const int whole = bar->maximum();
        QCOMPARE(whole + bar->pageStep(),
                 qCeil(document->documentLayout()->documentSize().height()));
    }

    // Only what differs is replaced: the middle of a changed line, lines that went or came.
    void diffChangesOnlyWhatDiffers_data()
    {
        fixtureColumn("diff.rows");
    }
    void diffChangesOnlyWhatDiffers()
    {
        QFETCH(QByteArrayList, row); // name | before | after | the replacements
        const FlatText b = flatten(plain(QString::fromLatin1(row[2])));
        QStringList described;
        for (const TextReplacement &edit :
             diffLines(flatten(plain(QString::fromLatin1(row[1]))), b))
            described << describe(edit, b);
        QCOMPARE(described.join(u'|').toLatin1(), row.mid(3).join('|'));
    }

    // A change of format alone is a change, made only where text or format differ.
    void diffFollowsFormats()
    {
        RichText before;
        before.append(QStringLiteral("N10 G00\nN20 G01"), fmt());
        RichText after;
        after.append(QStringLiteral("N10"), fmt(true));
        after.append(QStringLiteral(" G00\nN2"), fmt());
        after.append(QStringLiteral("5"), fmt(false, true));
        after.append(QStringLiteral(" G01"), fmt());
        const FlatText b = flatten(RichText(after));
        QStringList described;
        for (const TextReplacement &edit : diffLines(flatten(std::move(before)), b))
            described << describe(edit, b);
        QCOMPARE(described, (QStringList{"0:0-0:3>N10", "1:2-1:3>5"}));
        QCOMPARE(flatten(plain(QStringLiteral("A\r\nB\rC\u2029D"))).text,
                 QStringLiteral("A\nB\nC\nD"));
    }

    // Undo takes every step back in order to the text as loaded (unchanged again), Redo
    // forward; a new edit drops Redo.
    void historyTakesEveryStepBack_data()
    {
        fixtureColumn("history.rows");
    }
    void historyTakesEveryStepBack()
    {
        QFETCH(QByteArrayList, row); // name | step | step...
        QStringList steps;
        for (const QByteArray &step : row.mid(1))
            steps << QString::fromLatin1(step);
        TestFolders folders;
        const QString path = folders.file(QStringLiteral("part.nc"));
        writeFile(path, readFile(QStringLiteral(KORDAVEL_TEST_DATA "/../data/haas_turn.nc")));
        RichTextBox box;
        box.show();
        QVERIFY(box.loadFile(path));
        QSignalSpy modified(&box, &RichTextBox::modificationChanged);
        QList<QByteArray> shots{box.textRTF()};
        const QString loaded = box.text();
        for (const QString &step : steps) {
            const QString arg = step.section(QLatin1Char(':'), 1);
            const QString op = step.section(QLatin1Char(':'), 0, 0);
            box.setSelStart(box.textLength());
            if (op == u"type") {
                // "text@after": typed right after the last "after".
                const QString after = arg.section(QLatin1Char('@'), 1);
                if (!after.isEmpty())
                    box.setSelStart(int(box.text().lastIndexOf(after) + after.size()));
                QTest::keyClicks(&box, arg.section(QLatin1Char('@'), 0, 0));
            } else if (op == u"paste") {
                QApplication::clipboard()->setText(arg);
                box.pasteFromClipboard();
            } else if (op == u"bold") {
                box.select(arg.section(QLatin1Char(','), 0, 0).toInt(),
                           arg.section(QLatin1Char(','), 1).toInt());
                box.setSelBold(true);
            } else if (op == u"set") {
                box.setText(arg);
            } else if (op == u"rtf") {
                box.setTextRTF(arg.toLatin1());
            } else if (op == u"clean") {
                clean(box);
            } else if (op == u"number") {
                numbering(box, arg.isEmpty() ? 10 : arg.toInt());
            } else {
                box.setSelStart(0);
                QVERIFY(replaceAllMatches(box, arg.section(QLatin1Char('>'), 0, 0),
                                          arg.section(QLatin1Char('>'), 1)) > 0);
            }
            QVERIFY2(box.textRTF() != shots.last(), qPrintable(step));
            shots << box.textRTF();
            QVERIFY(box.isModified() && !box.isRedoAvailable());
        }
        QCOMPARE(modified.size(), 1);
        for (qsizetype k = shots.size() - 2; k >= 0; --k) {
            QVERIFY(box.isUndoAvailable());
            box.undo();
            QCOMPARE(box.textRTF(), shots[k]);
            QCOMPARE(box.isModified(), k > 0);
        }
        QVERIFY(!box.isUndoAvailable() && box.isRedoAvailable());
        QCOMPARE(box.text(), loaded);
        for (qsizetype k = 1; k < shots.size(); ++k) {
            box.redo();
            QCOMPARE(box.textRTF(), shots[k]);
        }
        QVERIFY(!box.isRedoAvailable());
        // Saved halfway back, the saved text is the unchanged one; a new edit drops Redo.
        box.undo();
        QVERIFY(box.saveFile(path));
        QVERIFY(!box.isModified());
        box.redo();
        QVERIFY(box.isModified());
        box.undo();
        QVERIFY(!box.isModified());
        QTest::keyClicks(&box, QStringLiteral("M"));
        QVERIFY(!box.isRedoAvailable() && box.isModified());
        // Each load brings a fresh document: no Change, nothing to undo, the caret at the
        // start; typing, moving and Undo work on it as on the first.
        const QString rtf =
            writeFile(folders.file(QStringLiteral("b.dnc")), "{\\rtf1 N10\\par M02}");
        for (const QString &file : {rtf, path}) {
            QSignalSpy changes(&box, &RichTextBox::Change);
            QSignalSpy moves(&box, &RichTextBox::SelChange);
            QVERIFY(box.loadFile(file));
            QVERIFY(changes.isEmpty() && !box.isUndoAvailable() && box.selStart() == 0);
            const QString text = box.text();
            moves.clear();
            QTest::keyClick(&box, Qt::Key_Right);
            box.setSelStart(box.selStart()); // no move, no event
            QTest::keyClicks(&box, QStringLiteral("X"));
            QVERIFY(changes.size() == 1 && moves.size() == 2);
            box.undo();
            box.undo(); // nothing before the load to go back to
            QCOMPARE(box.text(), text);
        }
    }

    // A rewrite keeps the line ends of the lines it leaves; Undo brings dropped rows back.
    void lineEndsSurviveARewrite()
    {
        TestFolders folders;
        const QString path = folders.file(QStringLiteral("mixed.nc"));
        writeFile(path, "N10 G00\r\nN20 G01\n\nN30 M30\r\n");
        RichTextBox box;
        QVERIFY(box.loadFile(path));
        clean(box);
        QVERIFY(box.saveFile(path));
        QCOMPARE(readFile(path), QByteArray("G00\r\nG01\nM30\r\n"));
        box.undo();
        QVERIFY(box.saveFile(path));
        QCOMPARE(readFile(path), QByteArray("N10 G00\r\nN20 G01\n\r\nN30 M30\r\n"));
    }

    // A long rewrite runs in slices, locked, one step whose Undo and Redo run in slices too.
    void longRewriteInSlices()
    {
        const QByteArray program = camLines(40000).join("\r\n") + "\r\n";
        TestFolders folders;
        const QString path = folders.file(QStringLiteral("long.nc"));
        writeFile(path, program);
        RichTextBox box;
        box.resize(400, 300);
        box.show();
        QVERIFY(box.loadFile(path));
        QSignalSpy done(&box, &RichTextBox::rewritten);
        numbering(box, 5);
        QVERIFY(box.isBusy() && box.locked() && !box.isUndoAvailable());
        QVERIFY(!box.saveFile(path));
        QVERIFY(box.loadFile(path)); // drops the rewrite
        QVERIFY(done.size() == 1 && !done.takeFirst().first().toBool());
        QVERIFY(!box.isBusy() && !box.locked());
        numbering(box, 5);
        QVERIFY(done.wait(60000) && done.takeFirst().first().toBool());
        QVERIFY(!box.locked());
        const QString numbered = box.text();
        QVERIFY(numbered.contains(QLatin1String("\r\nN5 G01 X0.137 ")));
        // Undo and Redo run in slices too, locked meanwhile, and end unlocked.
        box.undo();
        QVERIFY(box.isBusy() && box.locked() && !box.isRedoAvailable());
        QTRY_VERIFY_WITH_TIMEOUT(!box.isBusy(), 60000);
        QCOMPARE(box.text().toLatin1(), program);
        QVERIFY(!box.isModified() && !box.locked() && !box.isUndoAvailable());
        box.redo();
        QTRY_VERIFY_WITH_TIMEOUT(!box.isBusy(), 60000);
        QCOMPARE(box.text(), numbered);
        QVERIFY(box.isModified() && !box.isRedoAvailable());
    }

    void wordKinds_data()
    {
        fixtureColumn("words.rows");
    }
    void wordKinds()
    {
        QFETCH(QByteArrayList, row); // line | the kind of each character
        QCOMPARE(kinds(QString::fromLatin1(row[0])), QString::fromLatin1(row[1]));
    }

    void displayOnly_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file : {"drill_plate.dnc", "fanuc_pocket.nc"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    // Saved files, RTF and clipboard are the same whatever is shown; showing is no change.
    void displayOnly()
    {
        QFETCH(QString, file);
        const QString source = QStringLiteral(KORDAVEL_TESTS_DIR "/data/") + file;
        QTemporaryDir dir;
        const auto outputs = [&](RichTextBox &editor) {
            const QString path = dir.filePath(file);
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
        const QList<QByteArray> expected = outputs(plain);
        editor.resize(500, 300);
        QSignalSpy changes(&editor, &RichTextBox::Change);
        editor.setLineNumbers(true);
        editor.setHighlighting(true);
        const QTextBlock shown = editor.document()->findBlockByNumber(2);
        QCOMPARE(outputs(editor), expected);
        QVERIFY(coloured(editor, shown, 0, shown.length()));
        editor.setHighlighting(false);
        QVERIFY(!coloured(editor, shown, 0, shown.length()));
        QVERIFY(changes.isEmpty() && !editor.isModified() && !editor.isUndoAvailable());
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

    void ownColourWinsAndOnlyShownLines()
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
        QTRY_VERIFY(coloured(editor, doc->lastBlock(), 0, 6));
        QVERIFY(!coloured(editor, doc->firstBlock(), 0, doc->firstBlock().length()));
        // Readable on a light and on a dark background.
        for (const QColor base : {QColor(Qt::white), QColor(0x20, 0x20, 0x20)}) {
            QPalette palette = editor.palette();
            palette.setColor(QPalette::Base, base);
            editor.setPalette(palette);
            for (const QTextEdit::ExtraSelection &colour : editor.extraSelections())
                QVERIFY(std::abs(colour.format.foreground().color().lightness() -
                                 base.lightness()) > 60);
        }
        editor.markStruck(0, 8); // struck marks keep to themselves
        QCOMPARE(editor.struckMarks(), (QList<std::pair<int, int>>{{0, 8}}));
    }

    // Numbers for the lines in view, the caret's marked; none once turned off.
    void lineNumbers()
    {
        RichTextBox editor;
        editor.setText(QStringLiteral("A\r\nB\r\nC"));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setLineNumbers(true);
        editor.setSelStart(3); // the second line
        const QList<LineNumberGutter::ShownLine> shown = editor.lineNumberGutter()->shownLines();
        QCOMPARE(shown.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(shown[i].number == i + 1 && shown[i].current == (i == 1));
        editor.setLineNumbers(false);
        QVERIFY(!editor.lineNumberGutter());
        QCOMPARE(editor.viewport()->x(), editor.frameWidth());
    }

    void resetsKeepTheHeapWhole_data()
    {
        QTest::addColumn<int>("reset");
        int reset = 0;
        for (const char *name : {"clear", "setPlainText empty", "setHtml empty", "document clear"})
            QTest::newRow(name) << reset++;
    }

    // The toolkit's own ways of emptying a scrolled, coloured, numbered editor: no colour cursor
    // freed while the document still tracks it; the view follows the new text.
    void resetsKeepTheHeapWhole()
    {
        QFETCH(int, reset);
        const QString program = QString::fromLatin1(camLines(3000).join("\n"));
        auto editor = std::make_unique<RichTextBox>();
        editor->resize(200, 300); // narrower than the lines: a horizontal scroll bar
        editor->setHighlighting(true);
        editor->setLineNumbers(true);
        editor->show();
        editor->setText(program);
        QScrollBar *bar = editor->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 1000);
        bar->setValue(1000);
        QTRY_VERIFY(!editor->extraSelections().isEmpty());
        const LineNumberGutter *gutter = editor->lineNumberGutter();
        const int wide = gutter->width();
        if (reset == 0)
            editor->clear();
        else if (reset < 3)
            reset == 1 ? editor->setPlainText(QString()) : editor->setHtml(QString());
        else
            editor->document()->clear();
        QTRY_VERIFY(gutter->width() < wide);
        QCOMPARE(gutter->geometry().right() + 1, editor->viewport()->x());
        // The new text moves every cursor the document tracks.
        connect(editor->document(), &QTextDocument::cursorPositionChanged, this, touchCursorState);
        editor->setPlainText(program);
        bar->setValue(1000);
        // Every line in view that holds a word is coloured, and the numbers are the lines'.
        const auto shownColoured = [&] {
            const QList<LineNumberGutter::ShownLine> shown = gutter->shownLines();
            return !shown.isEmpty() && std::all_of(shown.begin(), shown.end(), [&](auto &line) {
                const QTextBlock block = editor->document()->findBlockByNumber(line.number - 1);
                return block.length() == 1 || coloured(*editor, block, 0, block.length());
            });
        };
        QTRY_VERIFY(shownColoured());
        // A scrolled view numbers from its first line.
        QCOMPARE(gutter->shownLines().first().number,
                 editor->cursorForPosition(QPoint(0, 0)).blockNumber() + 1);
        QTRY_COMPARE(gutter->width(), wide);
        editor.reset(); // the document goes too, and writes into every cursor it still tracks
    }

    void longSave_data()
    {
        QTest::addColumn<QString>("meanwhile"); // what happens once the save has started
        QTest::addColumn<int>("lines");         // 300 are read in one slice, and then written
        QTest::newRow("nothing") << "" << 3000;
        QTest::newRow("a receive adds lines") << "append" << 3000;
        QTest::newRow("editor destroyed before a slice is read") << "destroy" << 3000;
        QTest::newRow("editor destroyed while writing") << "destroy later" << 300;
    }
    // A long save writes on another thread the bytes of a save at once, locked meanwhile; an
    // editor destroyed meanwhile leaves the writing to the worker, or nothing written.
    void longSave()
    {
        QFETCH(QString, meanwhile);
        QFETCH(int, lines);
        const auto restore = qScopeGuard([] { setSlicedSaveCharacters(0); });
        QTemporaryDir dir;
        const QString path = dir.filePath("long.nc");
        auto editor = std::make_unique<RichTextBox>();
        editor->setText(QString::fromLatin1(camLines(lines).join("\r\n")));
        QVERIFY(editor->saveFileAs(dir.filePath("atOnce.nc")) && !editor->isSaving());
        const QByteArray atOnce = readFile(dir.filePath("atOnce.nc"));
        editor->document()->setModified(true);

        setSlicedSaveCharacters(1000);
        QSignalSpy saved(editor.get(), &RichTextBox::fileSaved);
        QVERIFY(editor->saveFile(path));
        QVERIFY(editor->isSaving() && editor->locked());
        QVERIFY(!editor->saveFile(dir.filePath("second.nc"))); // one save at a time
        if (meanwhile.startsWith(QLatin1String("destroy"))) {
            // A timer of its own runs after the editor's first slice.
            bool gone = false;
            QTimer later;
            later.setSingleShot(true);
            QObject::connect(&later, &QTimer::timeout, [&] {
                editor.reset();
                gone = true;
            });
            later.start(0);
            if (meanwhile == QLatin1String("destroy"))
                editor.reset();
            QTRY_VERIFY(gone);
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(readFile(path), meanwhile == QLatin1String("destroy") ? QByteArray() : atOnce);
            return;
        }
        if (meanwhile == QLatin1String("append"))
            editor->appendText(QStringLiteral("\r\nM30"));
        QVERIFY(saved.wait(120000));
        QCOMPARE(saved.size(), 1);
        QVERIFY(saved.first().first().toBool());
        QVERIFY(!editor->isSaving() && !editor->locked() && !editor->document()->isModified());
        QCOMPARE(readFile(path), meanwhile.isEmpty() ? atOnce : atOnce + "\r\nM30");
    }

    void openInProgressSurvives()
    {
        QTemporaryDir dir;
        const QList<QByteArray> program = camLines(40000);
        const QString first = writeFile(dir.filePath("first.nc"), program.join("\n"));
        const QString second = writeFile(dir.filePath("second.nc"), program.mid(1).join("\r\n"));
        RichTextBox other;
        other.setText(QStringLiteral("G01 X1"));
        {
            RichTextBox closed; // goes away while its open runs
            closed.openFile(first);
            QVERIFY(closed.isOpening() && closed.locked());
        }
        RichTextBox twice;
        twice.resize(500, 300);
        twice.setHighlighting(true);
        twice.setLineNumbers(true);
        twice.show();
        QSignalSpy opened(&twice, &RichTextBox::fileOpened);
        twice.openFile(first);
        twice.openFile(second); // drops the first
        QTRY_COMPARE(opened.size(), 1);
        // Coloured and numbered from its first line as soon as it shows.
        QTRY_VERIFY(!twice.extraSelections().isEmpty());
        QCOMPARE(twice.lineNumberGutter()->shownLines().value(0).number, 1);
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        QVERIFY(!twice.locked());
        QCOMPARE(twice.text(), QString::fromLatin1(program.mid(1).join("\r\n")));
        QCOMPARE(other.text(), QStringLiteral("G01 X1"));
    }
};

QTEST_MAIN(TstEditor)
#include "tst_editor.moc"
