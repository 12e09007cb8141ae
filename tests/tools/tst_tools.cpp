// SPDX-License-Identifier: GPL-3.0-or-later
// The program-text tools: the line rewriter behind Clean and Numbering (over rich text and over
// a plain LineBuffer), the toolpath interpreter, the restart header, find and replace, Go To,
// and the Find, Clean and Numbering dialogs with the frame's commands that open them.
#include "common/AppState.h"
#include "common/CodePage.h"
#include "editor/LineBuffer.h"
#include "editor/ProgramFile.h"
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "support/CaptionsFit.h"
#include "support/Fixtures.h"
#include "support/FrameSession.h"
#include "support/LanguageGuard.h"
#include "support/QuestionAnswerer.h"
#include "tools/BlockReferences.h"
#include "tools/GoToLine.h"
#include "tools/MachineKind.h"
#include "tools/PlainRewrite.h"
#include "tools/RestartHeader.h"
#include "tools/RewriteLines.h"
#include "tools/TextSearch.h"
#include "tools/ToolpathInterpreter.h"
#include "tools/frmClean.h"
#include "tools/frmGoTo.h"
#include "tools/frmNumbering.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QtTest>

#include <limits>

using namespace kordavel;
using namespace kordavel::test;

namespace {

QByteArray rtfOf(const L &lines)
{
    RichText text;
    text.append(lines.join(QLatin1Char('\n')), defaultCharFormat());
    return writeRtf(text);
}

// The same lines with every third character bold in turn: format words stand inside the
// words and numbers of the rich text, as in a formatted .dnc document.
QByteArray formattedRtfOf(const L &lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    CharFormat bold = defaultCharFormat();
    bold.bold = true;
    RichText rich;
    for (qsizetype i = 0; i < text.size(); i += 3)
        rich.append(text.mid(i, 3), (i / 3) % 2 ? bold : defaultCharFormat());
    return writeRtf(rich);
}

L linesOf(QByteArrayView rtf)
{
    return readRtf(rtf).plainText().split(QLatin1Char('\n'));
}

// "followed|nowhere|ambiguous|kept" with the lines as lists.
QString reportText(const RewriteReport &r)
{
    const auto joined = [](const QList<qsizetype> &lines) {
        L text;
        for (const qsizetype line : lines)
            text << QString::number(line);
        return text.join(QLatin1Char(','));
    };
    return QStringLiteral("%1|%2|%3|%4")
        .arg(r.followed)
        .arg(joined(r.nowhere), joined(r.ambiguous))
        .arg(r.kept);
}

// The plain rewrite of the lines as an LF file: the lines it leaves; none when a line does not
// fit Windows-1252.
L plainRewritten(const L &in, quint8 options, const QString &symbol, int start, int step,
                 bool numberEmpty, RewriteReport *report)
{
    const QString text = in.join(QLatin1Char('\n'));
    LineBuffer buffer;
    buffer.setBytes(LineBuffer::encode(text, LineEnd::Lf));
    if (decodeBytes(buffer.toBytes()) != text)
        return {};
    const bool changed = rewriteBuffer(buffer, options, symbol, start, step, numberEmpty, report);
    const L out = buffer.text(0, buffer.size()).split(QLatin1Char('\n'));
    return changed == (out != in) ? out : L{QStringLiteral("changed but told not")};
}

// The text of plain bytes with every line end as '\n', and the ends as letters: c CR LF,
// l LF, r CR.
QString textOf(const QByteArray &bytes, QByteArray *ends = nullptr)
{
    QByteArray text, found;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            text += c;
            continue;
        }
        const bool crlf = c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        found += crlf ? 'c' : c == '\r' ? 'r' : 'l';
        text += '\n';
        i += crlf;
    }
    if (ends)
        *ends = found;
    return decodeBytes(text);
}

QString num(double v)
{
    return QString::number(std::round(v * 1000) / 1000 + 0.0);
}

QString point(const ToolpathPoint &p)
{
    return num(p.x) + ',' + num(p.y) + ',' + num(p.z);
}

// Kind, 1-based line and end of every move; an arc adds its centre and its middle point,
// a hole its top and bottom.
L summary(const Toolpath &path)
{
    L out;
    for (const ToolpathSegment &s : path.segments) {
        const ToolpathPoint *p = path.points.constData() + s.first;
        QString row = QString("RFAH"[s.kind]) + QString::number(s.line + 1) + ' ';
        if (s.kind == ToolpathSegment::Hole)
            row += point(p[0]) + '>' + point(p[1]);
        else
            row += point(p[1]);
        if (s.kind == ToolpathSegment::Arc)
            row += " c" + point(s.centre) + " m" + point(arcPoint(path, s, 0.5));
        out << row;
    }
    return out;
}

// The words not understood as "line:word", lines from 1.
L unknownWords(const Toolpath &path)
{
    L words;
    for (const ToolpathWord &w : path.unknown)
        words << QString::number(w.line + 1) + ':' + w.word;
    return words;
}
// Closes a dialog as a user would: "enter", "cancel", "escape", "close" (the close box) or,
// by default, OK.
void closeBy(QDialog &d, const QString &how, QPushButton *ok, QPushButton *cancel)
{
    if (how == QLatin1String("enter"))
        QTest::keyClick(&d, Qt::Key_Return);
    else if (how == QLatin1String("cancel"))
        cancel->click();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(&d, Qt::Key_Escape);
    else if (how == QLatin1String("close"))
        d.close();
    else
        ok->click();
}

// Answers a Clean dialog: the boxes to flip ("b", "n", "e"), then "=" and a symbol to type,
// then after a blank how it is closed ("bn=P escape").
void answer(frmClean &d, const QString &script)
{
    const QString choices = script.section(QLatin1Char(' '), 0, 0);
    QCheckBox *const boxes[] = {d.chkBadSymbols, d.chkNumbering, d.chkEmptyRows};
    for (int i = 0; i < 3; ++i)
        if (choices.section(QLatin1Char('='), 0, 0).contains(QLatin1Char("bne"[i])))
            boxes[i]->click();
    if (choices.contains(QLatin1Char('=')))
        d.txtSymbol->setText(choices.section(QLatin1Char('='), 1));
    closeBy(d, script.section(QLatin1Char(' '), 1), d.cmdOK, d.cmdCancel);
}

// Answers a Numbering dialog: "start,step,symbol" typed (",e": number empty rows; anything
// shorter: the boxes as they are), then after a blank how it is closed.
void answer(frmNumbering &d, const QString &script)
{
    const QStringList parts = script.section(QLatin1Char(' '), 0, 0).split(',');
    if (parts.size() >= 3) {
        d.txtStart->setText(parts[0]);
        d.txtStep->setText(parts[1]);
        d.txtSymbol->setText(parts[2]);
        d.chkEmptyRows->setChecked(parts.size() > 3);
    }
    closeBy(d, script.section(QLatin1Char(' '), 1), d.cmdOK, d.cmdCancel);
}

template <class Dialog> void answerNext(const QString &script)
{
    onNextDialog<Dialog>([script](Dialog &d) { answer(d, script); });
}

QString crlf(const L &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class TstTools : public QObject {
    Q_OBJECT
private slots:
    // Clean and Numbering over the cases of rewrite.txt (options, symbol, start, step, number
    // empty rows; the lines in, out and the report of the references), through the rich text
    // as written and with format words inside the words, and through the plain rewrite.
    void rewrite_data()
    {
        QTest::addColumn<L>("in");
        QTest::addColumn<L>("args");
        QTest::addColumn<L>("out");           // none: not known, every row stays
        QTest::addColumn<QString>("report");  // followed|nowhere|ambiguous|kept; none: unchecked
        QTest::addColumn<QByteArray>("rich"); // the rich text as read from a file
        for (const Case &c : readCases("rewrite.txt"))
            QTest::newRow(qPrintable(c.name))
                << c.parts[0] << c.fields << c.parts.value(1, c.parts[0])
                << c.parts.value(2).value(0) << QByteArray();
        L large, renumbered; // with references forward, every 500th line
        for (int i = 0; i < 2000; ++i) {
            const QString to = i % 500 == 3 ? QStringLiteral(" GOTO %1") : QString();
            large << QStringLiteral("N%1 G01 X%2").arg(i * 5).arg(i) + to.arg((i + 17) * 5);
            renumbered << QStringLiteral("N%1 G01 X%2").arg(100 + i * 2).arg(i) +
                              to.arg(100 + (i + 17) * 2);
        }
        QTest::newRow("2000 lines, every one kept, references followed")
            << large << L{"8", "N", "100", "2", "0"} << renumbered << QString() << QByteArray();
        // Real-shaped programs of every dialect (tests/data) through Clean with its defaults,
        // its clean of block numbers, and Numbering; one without capitals gets a small n.
        const QDir data(QStringLiteral(KORDAVEL_TESTS_DIR "/data"));
        for (const QString &name : data.entryList(QDir::Files)) {
            const RichText program = decodeProgramFile(readFile(data.filePath(name))).content;
            const L in = program.plainText().split(QLatin1Char('\n'));
            const QString n = in.join(' ').contains(QRegularExpression("[A-Z]")) ? "N" : "n";
            for (const char *args : {"5,N,10,10,1", "2,N,10,10,1", "8,N,10,10,0", "8,N,10,10,1"})
                QTest::addRow("%s, %s", qPrintable(name), args)
                    << in << QString::fromLatin1(args).replace('N', n).split(',') << L{}
                    << QString() << writeRtf(program);
        }
    }

    void rewrite()
    {
        QFETCH(L, in);
        QFETCH(L, args);
        QFETCH(L, out);
        QFETCH(QString, report);
        QFETCH(QByteArray, rich);
        const quint8 options = quint8(args[0].toInt());
        const QString symbol = args[1];
        const int start = args[2].toInt(), step = args[3].toInt();
        const bool numberEmpty = args[4] == QLatin1String("1");
        L expected = out; // none: the first pass's lines, every row kept when numbering
        for (const bool formatted : {false, true}) {
            const QByteArray given = formatted        ? formattedRtfOf(in)
                                     : rich.isEmpty() ? rtfOf(in)
                                                      : rich;
            RewriteReport got;
            const QByteArray rewritten =
                RewriteLines(given, options, symbol, start, step, numberEmpty, &got);
            const L lines = linesOf(rewritten);
            if (expected.isEmpty() && (options & (rwRenumber | rwNumbering)))
                QCOMPARE(lines.size(), in.size());
            if (expected.isEmpty())
                expected = lines;
            QCOMPARE(lines, expected);
            QVERIFY(rewritten.endsWith("}\r\n"));
            if (!report.isEmpty())
                QCOMPARE(reportText(got), report);
            if (out == in && !formatted) // nothing to do: the text comes back byte for byte
                QCOMPARE(rewritten, given);
            if (options == rwRenumber) { // numbering twice gives what once gives
                RewriteReport again;
                QCOMPARE(RewriteLines(rewritten, options, symbol, start, step, numberEmpty, &again),
                         rewritten);
                QCOMPARE(again.followed, 0);
            }
            RewriteReport plain; // the plain rewrite gives the same lines and report
            const L plainOut =
                plainRewritten(in, options, symbol, start, step, numberEmpty, &plain);
            if (!formatted && !plainOut.isEmpty()) {
                QCOMPARE(plainOut, lines);
                QCOMPARE(reportText(plain) + ',' + QString::number(plain.numbered),
                         reportText(got) + ',' + QString::number(got.numbered));
            }
        }
    }

    // Lines exactly as written, for what the plain text cannot show.
    void linesAsWritten_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("lines without a backslash pass trimmed, with CR LF")
            << QByteArray("  {\\rtf1\\ansi   \n{\\colortbl ;}\r\n\\pard\\f0 G00\n  }  ") << 7
            << QByteArray("{\\rtf1\\ansi\r\n{\\colortbl ;}\r\n\\pard\\f0 G00\r\n}\r\n");
        const auto bytes = [](const L &lines) { return (lines.join("\r\n") + "\r\n").toLatin1(); };
        for (const Case &c : readCases("rtflines.txt"))
            QTest::newRow(qPrintable(c.name))
                << bytes(c.parts[0]) << c.fields[0].toInt() << bytes(c.parts.value(1, c.parts[0]));
    }

    void linesAsWritten()
    {
        QFETCH(QByteArray, in);
        QFETCH(int, options);
        QFETCH(QByteArray, out);
        QCOMPARE(RewriteLines(in, quint8(options), QStringLiteral("N"), 10, 10, false), out);
        if (options == rwRenumber)
            QCOMPARE(RewriteLines(out, rwRenumber, QStringLiteral("N"), 10, 10, false), out);
    }

    // Which block each reference of a program names (references.txt: the program, then for
    // each reference "line:number>block", lines from 1; "-": no block, "?": more than one).
    void blockReferences_data()
    {
        QTest::addColumn<L>("program");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<L>("references");
        for (const Case &c : readCases("references.txt"))
            QTest::newRow(qPrintable(c.name)) << c.parts[0] << c.fields[0] << c.parts.value(1);
    }

    void blockReferences()
    {
        QFETCH(L, program);
        QFETCH(QString, symbol);
        QFETCH(L, references);
        BlockReferences refs(symbol.front());
        for (const QString &row : std::as_const(program))
            refs.addRow(row);
        refs.resolve();
        L got;
        for (const BlockReferences::Reference &r : refs.references()) {
            QCOMPARE(program[r.row].mid(r.at, r.size).toLongLong(), r.number);
            got << QStringLiteral("%1:%2>%3")
                       .arg(r.row + 1)
                       .arg(r.number)
                       .arg(r.target >= 0                       ? QString::number(r.target + 1)
                            : r.target == BlockReferences::None ? QStringLiteral("-")
                                                                : QStringLiteral("?"));
        }
        QCOMPARE(got, references);
    }

    // What Numbering reports lists at most ten lines of each kind.
    void referencesSummary()
    {
        RewriteReport report;
        report.followed = 3;
        for (qsizetype line = 1; line <= 12; ++line)
            report.nowhere << line;
        report.ambiguous = {7};
        QCOMPARE(kordavel::referencesSummary(report),
                 "References renumbered with their blocks: 3. References to no block, left as they "
                 "were: lines 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 and 2 more. References to a number "
                 "several blocks have, left as they were: lines 7");
    }

    void droppedRowsKeepTheFormattingOfTheRest()
    {
        CharFormat big = defaultCharFormat();
        big.pointSize = 14;
        CharFormat bold = big;
        bold.bold = true;
        RichText text;
        text.append(QStringLiteral("\nG00\n"), big);          // an empty first row
        text.append(QStringLiteral("N10\nG01\n\nM30"), bold); // the bold starts on a dropped row
        const RichText out =
            readRtf(RewriteLines(writeRtf(text), 6, QStringLiteral("N"), 0, 0, true));
        QCOMPARE(out.runs.size(), 2);
        QVERIFY(out.runs[0] == (TextRun{QStringLiteral("G00\n"), big}));
        QVERIFY(out.runs[1] == (TextRun{QStringLiteral("G01\nM30"), bold}));
    }

    // Plain bytes where the rich text cannot show them: each line keeps its own end, an
    // unusable byte goes, and one Undo step gives the bytes back. The text and the report are
    // the rich-text rewrite's.
    void plainLineEnds_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("numberEmpty");
        QTest::addColumn<QByteArray>("ends"); // of the result; none: as the input's
        const int clean = rwBadSymbols | rwNumbering | rwEmptyRows;
        const auto row = [](const char *name, const QByteArray &in, int options, bool numberEmpty,
                            const QByteArray &ends = {}) {
            QTest::newRow(name) << in << options << numberEmpty << ends;
        };
        row("cleaned: an unusable character inside a named number",
            "O1\r\nN10 G71 P9\xb0"
            "0 Q95\r\nN9\xe9"
            "0 X1.\r\nN95 Z-1.\r\nN96 M30\r\n",
            clean, true);
        row("unusable symbols",
            "X10\xe9 Y\x1a"
            "2\x7f\r\n \xb0\t Z3 \r\n\x81\x82\r\n",
            clean, true, "cc");
        row("mixed line ends kept per line", "N1 G00\r\nN2 G01\n\nN3 G02\r\r\nM30\n", rwRenumber,
            false);
        row("mixed line ends, empty rows dropped with their ends",
            "G00\r\n\n  \r\nG01\rG02\n \r\nM30", clean, true, "crl");
        row("empty rows before a final line end", "G00\n\r\n\r\n", clean, true, "l");
        row("only empty rows: the final line end stays", "\r\n \n\r\n", clean, true, "c");
        row("only an empty last row", "  ", clean, true);
        row("empty program numbered", "", rwRenumber, true);
        row("trailing blanks go, nothing else asked", "G00   \r\n  G01\r\n", 0, false);
    }

    void plainLineEnds()
    {
        QFETCH(QByteArray, in);
        QFETCH(int, options);
        QFETCH(bool, numberEmpty);
        QFETCH(QByteArray, ends);
        const QString symbol = QStringLiteral("N");
        RichText rich;
        rich.append(textOf(in), defaultCharFormat());
        const QByteArray rtf = writeRtf(rich);
        RewriteReport rtfReport, report;
        const QByteArray rtfOut =
            RewriteLines(rtf, quint8(options), symbol, 1, 1, numberEmpty, &rtfReport);
        LineBuffer buffer;
        QVERIFY(buffer.setBytes(in));
        const RewriteReport counted =
            rewriteBufferReport(buffer, quint8(options), symbol, 1, 1, numberEmpty);
        const bool changed =
            rewriteBuffer(buffer, quint8(options), symbol, 1, 1, numberEmpty, &report);
        const QByteArray out = buffer.toBytes();
        QByteArray outEnds;
        QCOMPARE(textOf(out, &outEnds), readRtf(rtfOut).plainText());
        QCOMPARE(reportText(report) + QString::number(report.numbered),
                 reportText(rtfReport) + QString::number(rtfReport.numbered));
        QCOMPARE(reportText(counted), reportText(rtfReport));
        QCOMPARE(changed, rtfOut != rtf);
        QCOMPARE(changed, out != in);
        if (ends.isEmpty())
            textOf(in, &ends);
        QCOMPARE(outEnds, ends);
        QCOMPARE(buffer.canUndo(), changed);
        if (changed) {
            QVERIFY(buffer.undo() >= 0);
            QCOMPARE(buffer.toBytes(), in);
            QVERIFY(!buffer.canUndo());
            QVERIFY(buffer.redo() >= 0);
            QCOMPARE(buffer.toBytes(), out);
        }
    }

    // The rewrite over a view that rewrites its buffer itself: prepared, then line by line.
    void preparedThenRewritten()
    {
        LineBuffer lathe;
        QVERIFY(lathe.setBytes(programBytes("shaft.nc")));
        PlainRewrite numbering(rwRenumber, QStringLiteral("N"), 100, 5, false);
        QVERIFY(numbering.prepare(lathe));
        QVERIFY(lathe.rewriteLines(numbering.lineRewrite()));
        QCOMPARE(lathe.lineBytes(8), QByteArray("N130 G71 P135 Q150 U0.4 W0.1 F0.25"));
        QCOMPARE(lathe.lineBytes(14), QByteArray("N155 G70 P135 Q150"));
        QCOMPARE(numbering.report().followed, 4);
        QCOMPARE(numbering.report().numbered, 14);

        LineBuffer mill;
        QVERIFY(mill.setBytes(programBytes("pocket.nc", "\n")));
        PlainRewrite again(rwRenumber, QStringLiteral("N"), 10, 10, false);
        QVERIFY(again.prepare(mill));
        QVERIFY(mill.rewriteLines(again.lineRewrite()));
        QCOMPARE(mill.lineBytes(3), QByteArray("N10\tG17 G21 G40 G49 G80 G90"));
        QCOMPARE(mill.lineBytes(7), QByteArray("/N50 G43 H01 Z5."));
        QCOMPARE(mill.lineBytes(11), QByteArray("N80 M97 P110"));
        QCOMPARE(mill.lineBytes(15), QByteArray("N120 M99 P50"));
    }

    // The toolpath interpreter against coordinates worked out by hand (toolpath.txt: lathe,
    // whole numbers as thousandths; the program, its moves, the words it did not understand).
    void toolpath_data()
    {
        QTest::addColumn<L>("program");
        QTest::addColumn<L>("args");
        QTest::addColumn<L>("segments");
        QTest::addColumn<L>("unknown");
        for (const Case &c : readCases("toolpath.txt"))
            QTest::newRow(qPrintable(c.name))
                << c.parts[0] << c.fields << c.parts.value(1) << c.parts.value(2);
    }

    void toolpath()
    {
        QFETCH(L, program);
        QFETCH(L, args);
        QFETCH(L, segments);
        QFETCH(L, unknown);
        const QString text = program.join(QLatin1Char('\n'));
        const bool lathe = args[0] == QLatin1String("1");
        const Toolpath path = ToolpathInterpreter::interpret(text, lathe, args[1] == "1");
        QCOMPARE(summary(path), segments);
        QCOMPARE(unknownWords(path), unknown);
        if (args[1] == QLatin1String("1"))
            return;
        // Read in slices of any size, the program gives the same path.
        ToolpathInterpreter sliced(lathe);
        for (qsizetype at = 0; at < text.size();)
            at = sliced.addLines(text, at, 1);
        QCOMPARE(summary(sliced.path()), summary(path));
    }

    // Programs as posts write them for lathes and mills (kinds.txt): a lathe's needs two signs
    // and no word only a mill has.
    void machineKind_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("kind");
        for (const Case &c : readCases("kinds.txt"))
            QTest::newRow(qPrintable(c.name)) << c.parts[0].join('\n') << c.fields[0];
        QTest::newRow("Y beyond the characters read")
            << "G18 T0101\n" + QString(kScanCharacters, QLatin1Char(' ')) + "G0 Y1"
            << "Lathe";
    }

    void machineKind()
    {
        QFETCH(QString, program);
        QFETCH(QString, kind);
        QCOMPARE(int(machineKindOf(program)), L({"Unknown", "Mill", "Lathe"}).indexOf(kind));
    }

    // A path holds at most so many moves: the first block beyond is listed and no later move
    // is drawn. The list keeps its first words and counts them all; repeats go up to 9999.
    void bounds()
    {
        ToolpathInterpreter small(false, 3);
        const QString program =
            "G0 X1\nX2 Y1\nX3\nG91 G81 X1 R-1 Z-1 K2 (four moves)\nG90 G0 X5\n$\nX6";
        small.addLines(program, 0, 100);
        QCOMPARE(summary(small.path()).join("; "), "R1 1,0,0; R2 2,1,0; R3 3,1,0");
        QCOMPARE(unknownWords(small.path()).join(" "), "4:G91 G81 X1 R-1 Z-1 K2 (FOUR MOVES) 6:$");
        const qsizetype most = ToolpathInterpreter::kMaxUnknown;
        const Toolpath many = ToolpathInterpreter::interpret(QString("X1 $\n").repeated(most + 5));
        QCOMPARE(many.unknown.size(), most);
        QCOMPARE(many.unknownCount, most + 5);
        QCOMPARE(many.unknown.last().line, most - 1);
        QCOMPARE(ToolpathInterpreter::interpret(u"G91 G81 X1 R-1 Z-1 K9999").segments.size(),
                 19998);
    }

    // The header of a restart from a block (restart.txt: line, lathe, the line it restarts
    // from; the program, or none for the last one; the header): the modal state there and a
    // way in from above.
    void restartHeader_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<L>("args");
        QTest::addColumn<L>("header");
        L program;
        for (const Case &c : readCases("restart.txt")) {
            program = c.parts[0].isEmpty() ? program : c.parts[0];
            QTest::newRow(qPrintable(c.name)) << program.join('\n') << c.fields << c.parts[1];
        }
    }

    void restartHeader()
    {
        QFETCH(QString, program);
        QFETCH(L, args);
        QFETCH(L, header);
        for (const char *end : {"\n", "\r\n"}) {
            const RestartPlan plan = planRestart(QString(program).replace('\n', QLatin1String(end)),
                                                 args[0].toInt(), args[1] == QLatin1String("1"));
            QCOMPARE(plan.line, args[2].toInt());
            QCOMPARE(plan.header, header);
        }
    }

    void cleanup()
    {
        CloseFindDialog();
        QTRY_VERIFY(!frmFindReplace::loaded());
        frmFindReplace::setEditorSource(nullptr);
        LastFindText.clear();
        setLanguageNumber(1);
        m_box.setLocked(false);
    }

    // What each dialog answers, closed every way, each use from the same choices; Clean keeps
    // the option bits it has no box for.
    void answers_data()
    {
        QTest::addColumn<bool>("numbering"); // else Clean
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("optionsBefore");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("got"); // Clean: options, symbol; Numbering: start, step,
                                          // symbol, empty rows
        const auto row = [](const char *name, bool numbering, const char *script, int before,
                            int answer, const char *got) {
            QTest::newRow(name) << numbering << QString::fromLatin1(script) << before << answer
                                << QString::fromLatin1(got);
        };
        row("Clean, OK with a symbol", false, "bne=Q", 0, 2, "2,Q");
        row("Clean, Enter is OK with the defaults", false, " enter", 0, 2, "5,");
        row("Clean, OK keeps the other bits", false, "n", 0xF8, 2, "255,N");
        row("Clean, each box its own bit", false, "e", 0, 2, "1,");
        row("Clean, OK clears the unchecked bits", false, "", 0x0A, 2, "13,");
        row("Clean, Cancel", false, "n cancel", 0x0F, 3, "0,");
        row("Numbering, Enter is OK", true, "100,-5,N,e enter", 0, 2, "100,-5,N,1");
        row("Numbering, small letter stays small", true, "0,1,n", 0, 2, "0,1,n,0");
        row("Numbering, OK with the defaults", true, "", 0, 2, "10,10,N,0");
        for (const char *how : {"cancel", "escape", "close"})
            row(qPrintable(QStringLiteral("Numbering, ") + how), true,
                qPrintable(QStringLiteral("5,5,P,e ") + how), 0, 3, "0,0,,0");
        row("Numbering, Cancel with a number that is not whole", true, "1.5,10,N cancel", 0, 3,
            "0,0,,0");
    }

    void answers()
    {
        QFETCH(bool, numbering);
        QFETCH(QString, script);
        QFETCH(int, optionsBefore);
        QFETCH(int, answer);
        QFETCH(QString, got);
        QString symbol = QStringLiteral("old");
        if (numbering) {
            frmNumbering dialog;
            answerNext<frmNumbering>(script);
            qint32 start = 77, step = 77;
            bool empty = true;
            QCOMPARE(dialog.Answer(start, step, symbol, empty), answer);
            QCOMPARE(QStringLiteral("%1,%2,%3,%4").arg(start).arg(step).arg(symbol).arg(int(empty)),
                     got);
        } else {
            frmClean dialog;
            answerNext<frmClean>(script);
            quint8 options = quint8(optionsBefore);
            QCOMPARE(dialog.Answer(options, symbol), answer);
            QCOMPARE(QString::number(options) + ',' + symbol, got);
        }
    }

    void cleanSymbolTakesOneCapital_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("beeps");
        QTest::newRow("small letter becomes the capital") << QStringLiteral("g") << "G" << 0;
        QTest::newRow("capital stays") << QStringLiteral("X") << "X" << 0;
        QTest::newRow("digit refused") << QStringLiteral("5") << "" << 1;
        QTest::newRow("sign refused") << QStringLiteral("%") << "" << 1;
        QTest::newRow("one letter only") << QStringLiteral("ab") << "A" << 0;
    }

    void cleanSymbolTakesOneCapital()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, beeps);
        ScriptedDialogs scripted;
        frmClean dialog;
        QVERIFY(!dialog.txtSymbol->isEnabled() && !dialog.lblSymbol->isEnabled());
        dialog.chkNumbering->click(); // the symbol comes alive with it
        QVERIFY(dialog.txtSymbol->isEnabled() && dialog.lblSymbol->isEnabled());
        QLineEdit *box = dialog.txtSymbol;
        box->setFocus();
        box->end(false);
        QTest::keyClick(box, Qt::Key_Backspace); // refused with a beep
        QCOMPARE(box->text(), QStringLiteral("N"));
        QCOMPARE(scripted.beeps, 1);
        box->home(false);
        QTest::keyClick(box, Qt::Key_Delete); // Delete empties the box
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), text);
        QCOMPARE(scripted.beeps, 1 + beeps);
    }

    // A box that holds no whole number keeps the focus: Tab, a click elsewhere and OK (by
    // click or by Enter) do nothing until it is mended. What is a whole number: wholeNumbers.
    void numbersThatKeepTheFocus_data()
    {
        QTest::addColumn<bool>("inStep");
        QTest::addColumn<QString>("text");
        QTest::newRow("start 1.5") << false << "1.5";
        QTest::newRow("step abc") << true << "abc";
    }

    void numbersThatKeepTheFocus()
    {
        QFETCH(bool, inStep);
        QFETCH(QString, text);
        bool checked = false;
        onNextDialog<frmNumbering>([&](frmNumbering &d) {
            QLineEdit *box = inStep ? d.txtStep : d.txtStart;
            box->setFocus();
            box->setText(text);
            QTest::keyClick(box, Qt::Key_Tab);
            QCOMPARE(d.focusWidget(), box);
            QTest::mouseClick(d.txtSymbol, Qt::LeftButton);
            QCOMPARE(d.focusWidget(), box);
            QTest::mouseClick(d.chkEmptyRows, Qt::LeftButton);
            QVERIFY(!d.chkEmptyRows->isChecked());
            QTest::mouseClick(d.cmdOK, Qt::LeftButton);
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(d.isVisible());
            QCOMPARE(d.focusWidget(), box);
            box->setText(QStringLiteral("-20"));
            QTest::keyClick(box, Qt::Key_Tab);
            QVERIFY(d.focusWidget() != box);
            checked = true;
            QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        });
        qint32 start = 0, step = 0;
        QString symbol;
        bool emptyRows = false;
        QVERIFY(AskNumbering(start, step, symbol, emptyRows));
        QVERIFY(checked);
        QCOMPARE(inStep ? step : start, -20);
        QCOMPARE(inStep ? start : step, 10);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("negative") << "-20" << true << -20;
        QTest::newRow("blanks around") << " 7 " << true << 7;
        QTest::newRow("whole with a fraction part") << "2.0" << true << 2;
        QTest::newRow("exponent") << "1e2" << true << 100;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("too small") << "-2147483649" << false << 0;
        QTest::newRow("infinite") << "inf" << false << 0;
        QTest::newRow("not a number") << "nan" << false << 0;
    }

    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<qint32> number = wholeNumber(text);
        QCOMPARE(number.has_value(), valid);
        QCOMPARE(number.value_or(0), value);
    }

    // Choices that would give two blocks one number: a step of 0, or numbers that run out of
    // the 32-bit range before the last block.
    void numberingRefusals_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<qint64>("blocks");
        QTest::addColumn<int>("refusal");
        constexpr int max = std::numeric_limits<qint32>::max();
        constexpr int min = std::numeric_limits<qint32>::min();
        QTest::newRow("step 0") << 10 << 0 << qint64(1) << 520;
        QTest::newRow("a million blocks by 10") << 10 << 10 << qint64(1000000) << 0;
        QTest::newRow("the last number the largest") << max - 10 << 5 << qint64(3) << 0;
        QTest::newRow("one block past the largest") << max - 10 << 5 << qint64(4) << 521;
        QTest::newRow("counting down to the smallest") << min + 2 << -1 << qint64(3) << 0;
        QTest::newRow("counting down past the smallest") << min + 2 << -1 << qint64(4) << 521;
        QTest::newRow("a large step") << 0 << max << qint64(3) << 521;
        QTest::newRow("a long program") << 10 << 10 << qint64(300000000) << 521;
    }

    void numberingRefusals()
    {
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(qint64, blocks);
        QFETCH(int, refusal);
        QCOMPARE(numberingRefusal(start, step, blocks), refusal);
    }

    // The Numbering dialog of a program window refuses a step that runs past the largest
    // number with the reason in the current language and keeps the focus in Step; a step that
    // ends exactly at the largest number is then taken: the blocks count, not the rows.
    void numberingRefusedInTheDialog()
    {
        const LanguageGuard english;
        setLanguageNumber(3);
        frmProgram program;
        program.rtfText->setText(QStringLiteral("%\r\nG00\r\n(CUT)\r\nG01\r\nM30\r\n%"));
        QString shown;
        bool seen = false;
        onNextDialog<frmNumbering>([&](frmNumbering &d) {
            seen = true;
            d.txtStart->setText(QStringLiteral("2147483637"));
            d.txtStep->setText(QStringLiteral("6"));
            d.cmdOK->click();
            QVERIFY(d.isVisible() && d.lblRefusal->isVisible());
            QVERIFY(d.rect().contains(d.lblRefusal->geometry()));
            QCOMPARE(d.focusWidget(), d.txtStep);
            shown = d.lblRefusal->text();
            d.txtStep->setText(QStringLiteral("5"));
            d.cmdOK->click();
            QVERIFY(!d.isVisible());
        });
        program.Numbering();
        QVERIFY(seen);
        QCOMPARE(shown, GetString(QString(), 521)
                            .arg(std::numeric_limits<qint32>::min())
                            .arg(std::numeric_limits<qint32>::max()));
        QCOMPARE(program.rtfText->text(),
                 "%\r\nN2147483637 G00\r\n(CUT)\r\nN2147483642 G01\r\nN2147483647 M30\r\n%");
    }

    // Clean and Numbering from the Program menu: the dialog's answer rewrites the program as
    // one Undo step and the status bar reports; on an empty or locked program nothing is asked.
    void rewriteFromTheMenu_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("typed"); // else loaded from a file
        QTest::addColumn<L>("lines");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("script"); // null: no dialog shows
        QTest::addColumn<L>("result");       // none: the program stays as it was, unchanged
        QTest::addColumn<QString>("status");
        const auto row = [](const char *name, bool numbering, bool typed, const L &lines,
                            const char *script, const L &result, const char *status = "Ready",
                            bool locked = false) {
            QTest::newRow(name) << (numbering ? "mnuProgramNumbering" : "mnuProgramClean") << typed
                                << lines << locked
                                << (script ? QString::fromLatin1(script) : QString()) << result
                                << QString::fromUtf8(status);
        };
        row("Clean, defaults: empty rows go, numbers and the final line end stay", false, true,
            {"N10 G00", "", "N20 G01", ""}, "", {"N10 G00", "N20 G01", ""});
        row("Numbering, references follow their blocks and one to no block is listed", true, false,
            {"N10 G71 P20 Q30 U0.4 W0.1 F0.25", "N20 G00 X18.", "N30 X60.", "G70 P20 Q40"},
            "100,10,N",
            {"N100 G71 P110 Q120 U0.4 W0.1 F0.25", "N110 G00 X18.", "N120 X60.",
             "N130 G70 P110 Q40"},
            "References renumbered with their blocks: 3. References to no block, left as they "
            "were: lines 4");
        row("Clean keeps the numbers that references name", false, false,
            {"N10 G71 P20 Q30", "N20 G00 X18.", "N30 X60.", "N40 M30"}, "n",
            {"G71 P20 Q30", "N20 G00 X18.", "N30 X60.", "M30"},
            "Block numbers kept because other blocks refer to them: 2");
        const L program{"N10 G00  ", "G01", ""};
        row("Clean cancelled", false, false, program, "n cancel", {});
        row("Numbering with an empty symbol", true, false, program, "10,10,,e", {});
        for (const bool numbering : {false, true}) {
            row(numbering ? "Numbering, empty" : "Clean, empty", numbering, false, {}, nullptr, {});
            row(numbering ? "Numbering, locked" : "Clean, locked", numbering, false, program,
                nullptr, {}, "Ready", true);
        }
    }

    void rewriteFromTheMenu()
    {
        QFETCH(QString, entry);
        QFETCH(bool, typed);
        QFETCH(L, lines);
        QFETCH(bool, locked);
        QFETCH(QString, script);
        QFETCH(L, result);
        QFETCH(QString, status);
        FrameSession session;
        frmProgram *program = session.program();
        RichTextBox *editor = program->rtfText;
        if (typed) {
            editor->setFocus();
            QTest::keyClicks(editor, lines.join(QLatin1Char('\r')));
        } else {
            QVERIFY(editor->loadFile(
                writeFile(session.folders.file(QStringLiteral("part.nc")), crlf(lines).toUtf8())));
        }
        const QString before = editor->text();
        QCOMPARE(before, crlf(lines));
        editor->setLocked(locked);
        bool shown = false;
        QTimer watch; // a dialog that shows is answered, so the test never hangs
        watch.setInterval(2);
        connect(&watch, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (shown || !modal || QApplication::activeWindow() != modal)
                return;
            shown = true;
            if (auto *clean = qobject_cast<frmClean *>(modal))
                answer(*clean, script);
            else if (auto *numbering = qobject_cast<frmNumbering *>(modal))
                answer(*numbering, script);
        });
        watch.start();
        session.frame->menuEntry(entry)->trigger();
        QCOMPARE(shown, !script.isNull());
        QCOMPARE(editor->text(), result.isEmpty() ? before : crlf(result));
        QCOMPARE(program->stbPanel[0]->text(), status);
        QCOMPARE(program->isModified(), typed || !result.isEmpty());
        if (!result.isEmpty()) { // one Undo takes the whole rewrite back
            editor->undo();
            QCOMPARE(editor->text(), before);
        }
    }

    // Find Next (no replacement: where the match is found, -1 none and the selection stays)
    // and Replace All (the text after it and how many it replaced).
    void findAndReplace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("count");
        const auto row = [](const char *name, const QString &text, int selStart, int selLength,
                            const QString &find, const QString &replacement, const QString &result,
                            int count) {
            QTest::newRow(name) << text << selStart << selLength << find << replacement << result
                                << count;
        };
        const auto find = [&](const char *name, const QString &text, int selStart, int selLength,
                              const char *word, int found) {
            row(name, text, selStart, selLength, word, QString(), QString(), found);
        };
        const QString lines = QStringLiteral("G0\r\nG1 X1\r\nG1 X2");
        find("whole word only", "G10 X5\r\nG1 X0", 0, 0, "G1", 8);
        find("inside a word is no match", "N10G1X5", 0, 0, "G1", -1);
        find("case ignored", "G1 X0", 0, 0, "x0", 3);
        find("line ends count two", lines, 0, 0, "G1", 4);
        find("from the end of the selection", lines, 4, 2, "G1", 11);
        find("caret after the last match wraps", lines, 12, 0, "G1", 4);
        find("the only match selected is found again", "G0 G1 X1", 3, 2, "G1", 3);
        find("no match anywhere", lines, 5, 3, "G2", -1);
        find("empty text finds nothing", lines, 5, 3, "", -1);
        row("every match, also before the caret", "G1 X0\r\nG10 X1\r\ng1 X2", 9, 0, "G1", "G01",
            "G01 X0\r\nG10 X1\r\nG01 X2", 2);
        row("the selected match too", "G1 G1 G1", 3, 2, "G1", "G2", "G2 G2 G2", 3);
        row("a word by itself ends", "G1 X0 G1", 0, 0, "G1", "G1", "G1 X0 G1", 2);
        row("replacement holding the word ends", "A X B X", 0, 0, "X", "X X", "A X X B X X", 2);
        row("caret inside a word", "AB CD AB", 1, 0, "AB", "Z", "Z CD Z", 2);
        row("caret inside the last match, longer replacement", "G1 G1", 4, 0, "G1", "G01",
            "G01 G01", 2);
        row("empty find text does nothing", "G1 X0", 0, 0, "", "Y", "G1 X0", 0);
        row("no match", "G1 X0", 0, 0, "G2", "G3", "G1 X0", 0);
        row("to nothing", "M1 G0\r\nM1", 0, 0, "M1", "", " G0\r\n", 2);
        QString many, replaced;
        for (int i = 0; i < 200; ++i) {
            many += QStringLiteral("N%1 G1 X%1\r\n").arg(i);
            replaced += QStringLiteral("N%1 G01 X%1\r\n").arg(i);
        }
        row("200 lines", many, 0, 0, "G1", "G01", replaced, 200);
    }

    void findAndReplace()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(QString, result);
        QFETCH(int, count);
        m_box.setText(text);
        m_box.document()->clearUndoRedoStacks();
        m_box.select(selStart, selLength);
        if (replacement.isNull()) {
            QCOMPARE(selectNextMatch(m_box, find), count >= 0);
            QCOMPARE(m_box.selStart(), count >= 0 ? count : selStart);
            QCOMPARE(m_box.selLength(), count >= 0 ? int(find.size()) : selLength);
            return;
        }
        QCOMPARE(replaceAllMatches(m_box, find, replacement), count);
        QCOMPARE(m_box.text(), result);
        // One Undo step takes it all back.
        if (count > 0)
            m_box.undo();
        QCOMPARE(m_box.text(), text);
        QVERIFY(!m_box.document()->isUndoAvailable());
    }

    void dialogShowsAtItsPlaceOnTop()
    {
        QVERIFY(!FindDialogShown);
        frmFindReplace *dialog = dialogOn(QString());
        QVERIFY(dialog && dialog->isVisible() && FindDialogShown);
        QVERIFY(!dialog->isModal() && !dialog->parentWidget());
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(dialog->pos(), QPoint(100, 100));
        // Moved by the user, it jumps back and keeps what it holds.
        dialog->cboFind->setEditText(QStringLiteral("G1"));
        dialog->move(300, 250);
        ShowFindDialog();
        QCOMPARE(frmFindReplace::loaded(), dialog);
        QCOMPARE(dialog->pos(), QPoint(100, 100));
        QCOMPARE(dialog->cboFind->currentText(), QStringLiteral("G1"));
        // No button answers Enter.
        for (QPushButton *b :
             {dialog->cmdFindNext, dialog->cmdCancel, dialog->cmdReplace, dialog->cmdReplaceAll})
            QVERIFY(!b->isDefault() && !b->autoDefault());
        // Escape closes and unloads it; it comes back empty.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!frmFindReplace::loaded());
        QVERIFY(!FindDialogShown);
        ShowFindDialog();
        QCOMPARE(frmFindReplace::loaded()->cboFind->currentText(), QString());
        QCOMPARE(frmFindReplace::loaded()->cboFind->count(), 0);
        // Without a program window the commands do nothing.
        frmFindReplace::setEditorSource([] { return static_cast<RichTextBox *>(nullptr); });
        ShowFindDialog();
        frmFindReplace *d = frmFindReplace::loaded();
        d->cboFind->setEditText(QStringLiteral("G1"));
        for (qint32 action : {0, 1, 2})
            QVERIFY(!d->FindReplaceCommand(action));
        LastFindText = QStringLiteral("G1"); // so that Find Next looks for a window
        bool useLast = true;
        QVERIFY(!FindNextMatch(useLast));
    }

    // Enter lists the text, sorted; the buttons find and replace, and change nothing while the
    // editor is locked.
    void enterAndButtons()
    {
        frmFindReplace *d = dialogOn(QStringLiteral("b X1 b"));
        for (const char *text : {"b", "A", "c", "b", ""}) {
            d->cboFind->setEditText(QLatin1String(text));
            QTest::keyClick(d->cboFind, Qt::Key_Return);
        }
        QCOMPARE(itemsOf(d->cboFind), (QStringList{"", "A", "b", "b", "c"}));
        // "b" was found twice; "A", "c" and the empty text nowhere.
        QCOMPARE(m_box.selStart(), 5);
        QCOMPARE(m_box.selLength(), 1);

        d->cboReplace->setEditText(QStringLiteral("z"));
        QTest::keyClick(d->cboReplace->lineEdit(), Qt::Key_Return);
        d->cboReplace->setEditText(QStringLiteral("Y"));
        QTest::keyClick(d->cboReplace, Qt::Key_Enter);
        QCOMPARE(itemsOf(d->cboReplace), (QStringList{"Y", "z"}));
        QCOMPARE(d->cboReplace->currentText(), QStringLiteral("Y"));
        QCOMPARE(m_box.text(), QStringLiteral("b X1 b")); // Enter in the replace box only lists
        QVERIFY(d->isVisible());

        // The buttons.
        d = dialogOn(QStringLiteral("G1 X0\r\nG1 X1\r\nG10"));
        d->cboFind->setEditText(QStringLiteral("g1"));
        d->cboReplace->setEditText(QStringLiteral("G01"));
        d->cmdFindNext->click();
        QCOMPARE(LastFindText, QStringLiteral("g1"));
        QCOMPARE(m_box.selStart(), 0);
        QCOMPARE(m_box.selLength(), 2);
        d->cmdReplace->click(); // replaces the match and finds the next
        QCOMPARE(m_box.text(), QStringLiteral("G01 X0\r\nG1 X1\r\nG10"));
        QCOMPARE(m_box.selStart(), 8);
        QCOMPARE(m_box.selLength(), 2);
        // Replace with no match selected: the selection (here: nothing at the caret) is
        // replaced all the same.
        m_box.select(2, 0);
        d->cmdReplace->click();
        QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG1 X1\r\nG10"));
        QCOMPARE(m_box.selStart(), 11);
        // A transfer locks the editor: the dialog still finds, but changes nothing.
        m_box.setLocked(true);
        d->cmdReplace->click();
        d->cmdReplaceAll->click();
        QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG1 X1\r\nG10"));
        m_box.select(0, 0);
        d->cmdFindNext->click();
        QCOMPARE(m_box.selStart(), 11);
        m_box.setLocked(false);
        d->cmdReplaceAll->click();
        QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG01 X1\r\nG10"));
        QVERIFY(d->isVisible()); // no message, no closing
    }

    void captionsInEveryLanguage_data() { addLanguageRows(); }

    // The dialogs open in English are relabelled by the language switch, and every caption
    // shows whole; loaded anew, a dialog shows the language at once.
    void captionsInEveryLanguage()
    {
        QFETCH(int, language);
        FrameSession session; // the frame is the first window, which the switch leaves alone
        frmClean clean;
        frmNumbering numbering;
        clean.show();
        numbering.show();
        session.trigger("mnuEditFind");
        frmFindReplace *d = frmFindReplace::loaded();
        QVERIFY(d);
        session.frame->changeLanguage(qint16(language));
        for (const QWidget *form : std::initializer_list<const QWidget *>{&clean, &numbering, d})
            checkCaptionsFit(form);
        QCOMPARE(clean.chkBadSymbols->text(), GetString(QString(), 207));
        QCOMPARE(numbering.lblStep->toolTip(), GetString(QString(), 334));
        QCOMPARE(d->lblFind->text(), GetString(QString(), 224));
        QCOMPARE(d->cboReplace->toolTip(), GetString(QString(), 332));
        const frmClean fresh;
        QCOMPARE(fresh.chkEmptyRows->text(), GetString(QString(), 210));
        d->close();
        QTRY_VERIFY(!frmFindReplace::loaded());
        session.trigger("mnuEditReplace");
        QCOMPARE(frmFindReplace::loaded()->cmdReplaceAll->text(), GetString(QString(), 229));
    }

    // The frame's Find, Replace and Find Next, and their guards.
    void frameCommands()
    {
        FrameSession session;
        QCOMPARE(session.frame->menuEntry(QStringLiteral("mnuEditFindNext"))->shortcut(),
                 QKeySequence(Qt::Key_F3));
        RichTextBox *editor = session.editor();
        editor->setText(QStringLiteral("G1 X0\r\nG1 X1"));
        editor->select(0, 0);
        // F3 before any search does nothing.
        session.trigger("mnuEditFindNext");
        QCOMPARE(editor->selLength(), 0);
        // Find and Replace open the dialog, not while the editor is locked.
        editor->setLocked(true);
        session.trigger("mnuEditFind");
        session.trigger("mnuEditReplace");
        QVERIFY(!frmFindReplace::loaded());
        editor->setLocked(false);
        session.trigger("mnuEditReplace");
        frmFindReplace *d = frmFindReplace::loaded();
        QVERIFY(d && FindDialogShown);
        d->cboFind->setEditText(QStringLiteral("G1"));
        QTRY_VERIFY(d->isActiveWindow());
        d->cmdFindNext->click();
        QCOMPARE(editor->selStart(), 0);
        // Typing goes on in the program: its window is the active one.
        QTRY_VERIFY(session.frame->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), editor);
        d->cmdCancel->click();
        QTRY_VERIFY(!frmFindReplace::loaded());
        // F3 goes on with the last text, and not while locked.
        session.trigger("mnuEditFindNext");
        QCOMPARE(editor->selStart(), 7);
        editor->setLocked(true);
        session.trigger("mnuEditFindNext");
        QCOMPARE(editor->selStart(), 7);
        editor->setLocked(false);
        session.trigger("mnuEditFindNext");
        QCOMPARE(editor->selStart(), 0);
        // The dialog acts on the active window, follows the frame when minimized and restored,
        // and goes with the last program window.
        session.frame->showNormal();
        RichTextBox *first = session.editor();
        first->setText(QStringLiteral("G1 X0"));
        first->select(0, 0);
        session.trigger("mnuEditFind");
        d = frmFindReplace::loaded();
        d->cboFind->setEditText(QStringLiteral("X0"));
        d->cboReplace->setEditText(QStringLiteral("X9"));
        session.frame->NewProgramWindow(0);
        RichTextBox *second = session.editor();
        second->setText(QStringLiteral("X0 X0"));
        d->cmdReplaceAll->click();
        QCOMPARE(second->text(), QStringLiteral("X9 X9"));
        QCOMPARE(first->text(), QStringLiteral("G1 X0"));
        // It is minimized and restored with the frame.
        for (void (QWidget::*restore)() : {&QWidget::showMaximized, &QWidget::showNormal}) {
            session.frame->showMinimized();
            QTRY_VERIFY(d->isMinimized());
            (session.frame.get()->*restore)();
            QTRY_VERIFY(!d->isMinimized() && d->isVisible());
        }
        // The dialog goes with the last program window.
        for (frmProgram *program : session.frame->programWindows()) {
            answerNextQuestion(click(&frmQuestion::cmdNo));
            program->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QTRY_COMPARE(ProgramWindowCount, 0);
        QTRY_VERIFY(!frmFindReplace::loaded());
        QVERIFY(!FindDialogShown);
    }

    // Go To over goto.nc, as written and with format words inside the numbers.
    void goToLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("from"); // the caret's line
        QTest::addColumn<int>("line"); // 0-based; -1 none
        QTest::newRow("line number") << QStringLiteral("7") << 0 << 6;
        QTest::newRow("first line") << QStringLiteral("1") << 9 << 0;
        QTest::newRow("last line") << QStringLiteral("13") << 0 << 12;
        QTest::newRow("line 0") << QStringLiteral("0") << 0 << -1;
        QTest::newRow("beyond the last line") << QStringLiteral("14") << 0 << -1;
        QTest::newRow("block") << QStringLiteral("N1200") << 0 << 6;
        QTest::newRow("block, small n") << QStringLiteral("n1200") << 0 << 6;
        QTest::newRow("block written with small n") << QStringLiteral("N50") << 0 << 10;
        QTest::newRow("blanks around") << QStringLiteral("  N20 ") << 0 << 4;
        QTest::newRow("after a block skip") << QStringLiteral("N30") << 0 << 5;
        QTest::newRow("after a comment") << QStringLiteral("N40") << 0 << 9;
        QTest::newRow("next after the caret, leading zeros") << QStringLiteral("N30") << 5 << 11;
        QTest::newRow("wraps to the top") << QStringLiteral("N30") << 11 << 5;
        QTest::newRow("number only in a comment") << QStringLiteral("N77") << 0 << -1;
        QTest::newRow("number only after GOTO") << QStringLiteral("N88") << 0 << -1;
        QTest::newRow("empty") << QStringLiteral("") << 0 << -1;
        QTest::newRow("N alone") << QStringLiteral("N") << 0 << -1;
        QTest::newRow("words") << QStringLiteral("abc") << 0 << -1;
        QTest::newRow("trailing letter") << QStringLiteral("N12X") << 0 << -1;
        QTest::newRow("negative") << QStringLiteral("-3") << 0 << -1;
        QTest::newRow("decimal") << QStringLiteral("1.5") << 0 << -1;
        QTest::newRow("too many digits") << QStringLiteral("99999999999999999999") << 0 << -1;
    }

    void goToLine()
    {
        QFETCH(QString, typed);
        QFETCH(int, from);
        QFETCH(int, line);
        const L program = QString::fromLatin1(programBytes("goto.nc", "\n").chopped(1)).split('\n');
        for (const bool formatted : {false, true}) {
            m_box.setTextRTF(formatted ? formattedRtfOf(program) : rtfOf(program));
            QCOMPARE(kordavel::goToLine(*m_box.document(), typed, from), line);
        }
    }

    // Ctrl+G in the program: the caret goes to the start of the line, which comes into view,
    // and typing goes on there; a number that names nothing beeps, says so and keeps the dialog.
    void goToInTheWindow()
    {
        FrameSession session;
        session.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(session.frame.get()));
        RichTextBox *editor = session.editor();
        QString text;
        for (int i = 1; i <= 300; ++i)
            text += QStringLiteral("N%1 G1 X%1\r\n").arg(i * 10);
        editor->setText(text);
        editor->select(0, 0);
        const auto openGoTo = [&] {
            QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
            frmGoTo *dialog = session.frame->findChild<frmGoTo *>();
            return dialog && dialog->isVisible() ? dialog : nullptr;
        };
        frmGoTo *dialog = openGoTo();
        QVERIFY(dialog);
        QTest::keyClicks(dialog->txtLine, QStringLiteral("n9999"));
        QTest::keyClick(dialog->txtLine, Qt::Key_Return);
        QCOMPARE(session.dialogs.beeps, 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->lblProblem->text(), GetString({}, 552));
        QCOMPARE(editor->textCursor().position(), 0);
        QTest::keyClicks(dialog->txtLine, QStringLiteral("n2500"));
        QTest::keyClick(dialog->txtLine, Qt::Key_Return);
        QTRY_VERIFY(!session.frame->findChild<frmGoTo *>());
        QCOMPARE(editor->textCursor().blockNumber(), 249);
        QCOMPARE(editor->textCursor().positionInBlock(), 0);
        QVERIFY(editor->viewport()->rect().contains(editor->cursorRect()));
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QTest::keyClicks(editor, QStringLiteral("x"));
        QVERIFY(editor->text().contains(QStringLiteral("N2490 G1 X2490\r\nXN2500")));
    }

    // Find and Find Next say in the status bar that there is no match, Replace All how many
    // it replaced; the replaced words keep their colours on screen.
    void reportsAndColours()
    {
        const int lines = 3000; // scrolled halfway
        FrameSession session;
        QStatusBar *bar = session.frame->statusBar();
        RichTextBox *editor = session.editor();
        QVERIFY(editor->highlighting());
        editor->setText(QStringLiteral("G1 X0 Y0\r\n").repeated(lines));
        editor->select(0, 0);
        session.trigger("mnuEditReplace");
        frmFindReplace *d = frmFindReplace::loaded();
        d->cboFind->setEditText(QStringLiteral("G7"));
        d->cmdFindNext->click();
        QCOMPARE(bar->currentMessage(), QStringLiteral("Not found: G7"));
        d->cboFind->setEditText(QStringLiteral("X0"));
        d->cmdFindNext->click();
        QCOMPARE(bar->currentMessage(), QString());
        LastFindText = QStringLiteral("Z9");
        session.trigger("mnuEditFindNext");
        QCOMPARE(bar->currentMessage(), QStringLiteral("Not found: Z9"));
        d->cboFind->setEditText(QStringLiteral("X0"));
        d->cboReplace->setEditText(QStringLiteral("X10"));
        QScrollBar *scroll = editor->verticalScrollBar();
        scroll->setValue(scroll->maximum() / 2);
        const auto colourAt = [editor](int offset) {
            const int position =
                editor->cursorForPosition(QPoint(2, 2)).block().position() + offset;
            for (const QTextEdit::ExtraSelection &s : editor->extraSelections())
                if (s.cursor.selectionStart() <= position && position < s.cursor.selectionEnd())
                    return s.format.foreground().color();
            return QColor();
        };
        QTRY_VERIFY(colourAt(6).isValid()); // Y0 of the first line in view
        d->cmdReplaceAll->click();
        QCOMPARE(bar->currentMessage(), QStringLiteral("Replaced: %1").arg(lines));
        // X10 in the colour of the axis words, as Y0 is.
        QTRY_VERIFY(colourAt(3) == colourAt(7) && colourAt(5) == colourAt(7));
        QVERIFY(colourAt(7).isValid());
    }

private:
    RichTextBox m_box;
    // Opens the dialog on m_box holding text, the caret at its start.
    frmFindReplace *dialogOn(const QString &text)
    {
        frmFindReplace::setEditorSource([this] { return &m_box; });
        m_box.setText(text);
        m_box.select(0, 0);
        ShowFindDialog();
        return frmFindReplace::loaded();
    }
};

QTEST_MAIN(TstTools)
#include "tst_tools.moc"
