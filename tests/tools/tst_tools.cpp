// SPDX-License-Identifier: GPL-3.0-or-later
// The program-text tools: the line rewriter behind Clean and Numbering, the toolpath
// interpreter, find and replace, and the Find, Clean and Numbering dialogs with the frame's
// commands that open them.
#include "common/AppState.h"
#include "common/CodePage.h"
#include "editor/LineBuffer.h"
#include "editor/ProgramFile.h"
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "support/CaptionsFit.h"
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
#include <QFile>
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
using L = QStringList;
using namespace kordavel::test;

namespace {

QByteArray rtfOf(const QStringList &lines)
{
    RichText text;
    text.append(lines.join(QLatin1Char('\n')), defaultCharFormat());
    return writeRtf(text);
}

// The same lines with every third character bold in turn: format words stand inside the
// words and numbers of the rich text, as in a formatted .dnc document.
QByteArray formattedRtfOf(const QStringList &lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    CharFormat bold = defaultCharFormat();
    bold.bold = true;
    RichText rich;
    for (qsizetype i = 0; i < text.size(); i += 3)
        rich.append(text.mid(i, 3), (i / 3) % 2 ? bold : defaultCharFormat());
    return writeRtf(rich);
}

// The lathe program of a shop: the G71 roughing cycle and the G70 finishing cycle name the
// contour from N90 to N200.
const QStringList kLathe{"%",
                         "O0001 (SHAFT)",
                         "N10 G21 G40 G99",
                         "N11 G71 U2. R0.5",
                         "N12 G71 P90 Q200 U0.4 W0.1 F0.25",
                         "N90 G00 X18.",
                         "G01 Z-70.",
                         "X40. Z-90.",
                         "N200 X60.",
                         "N13 G70 P90 Q200",
                         "M30",
                         "%"};
// A local subprogram called by M97, a return to N1 by M99, and P words that name no block.
const QStringList kHaas{
    "O01234 (LOCAL SUB)", "N1 G20 G40 G80", "G04 P500",          "M98 P2000",     "G10 L2 P1 X0.",
    "M97 P100 L2",        "M99 P1",         "N100 G01 X1. F10.", "G65 P9010 A1.", "M99"};
// A custom macro that loops with IF [...] GOTO and jumps with GOTO.
const QStringList kMacro{
    "O9010 (PECK)", "#1 = 0",      "N20 G91 G01 Z-1. F100", "#1 = #1 + 1", "IF [#1 LT 10] GOTO 20",
    "GOTO 100",     "N50 (NEVER)", "N100 G90 G00 Z5.",      "GOTO #2",     "M99"};
// Two programs in one file, each with its own N10.
const QStringList kTwoPrograms{"%",       "O1000", "N10 G00 X0", "N20 IF [#1 EQ 0] GOTO 10",
                               "M30",     "O2000", "N10 G00 X5", "N20 GOTO 10",
                               "M99 P10", "%"};

QStringList linesOf(QByteArrayView rtf)
{
    return readRtf(rtf).plainText().split(QLatin1Char('\n'));
}

// The plain rewrite of the lines as an LF file: the lines it leaves; null when a line does not
// fit Windows-1252.
L plainRewritten(const L &in, int options, const QString &symbol, int start, int step,
                 bool numberEmpty, RewriteReport *report = nullptr)
{
    const QString text = in.join(QLatin1Char('\n'));
    LineBuffer buffer;
    buffer.setBytes(LineBuffer::encode(text, LineEnd::Lf));
    if (decodeBytes(buffer.toBytes()) != text)
        return {};
    const bool changed =
        rewriteBuffer(buffer, quint8(options), symbol, start, step, numberEmpty, report);
    const L out = buffer.text(0, buffer.size()).split(QLatin1Char('\n'));
    return changed == (out != in) ? out : L{QStringLiteral("changed but told not")};
}

void row(const char *name, const L &in, int options, const QString &symbol, int start, int step,
         bool numberEmpty, const L &out)
{
    QTest::newRow(name) << in << options << symbol << start << step << numberEmpty << out;
}

// Clean: start, step and numbering of empty rows take no effect there.
void clean(const char *name, const L &in, int options, const QString &symbol, const L &out)
{
    row(name, in, options, symbol, 0, 0, true, out);
}

const QByteArray kHeader = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}\r\n"
                           "{\\colortbl ;}\r\n";

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
QString summary(const Toolpath &path)
{
    QStringList out;
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
    return out.join("; ");
}

// The words not understood as "line:word", lines from 1.
QString unknownWords(const Toolpath &path)
{
    QStringList words;
    for (const ToolpathWord &w : path.unknown)
        words << QString::number(w.line + 1) + ':' + w.word;
    return words.join(' ');
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
    void programText_data()
    {
        QTest::addColumn<L>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("numberEmpty");
        QTest::addColumn<L>("out");
        const QString e = QString(QChar(0xE9));
        const QString n = QString(QChar(0xD1));
        constexpr int max = std::numeric_limits<qint32>::max();
        constexpr int min = std::numeric_limits<qint32>::min();

        clean("non-ASCII character removed", {"X10" + e, e + "G00" + e + " X1"}, 1, "",
              {"X10", "G00 X1"});
        clean("non-ASCII kept without the option", {"X10" + e}, 6, "N", {"X10" + e});
        clean("typed backslash and apostrophe are program text", {"X1\\'41", "X2\\'"}, 1, "",
              {"X1\\'41", "X2\\'"});
        clean("N0010 G00 loses its number", {"N0010 G00"}, 2, "N", {"G00"});
        clean("small letter keeps its number", {"n10 G00"}, 2, "N", {"n10 G00"});
        clean("no digit after the letter", {"NX1"}, 2, "N", {"NX1"});
        clean("skipped block", {"/N20 X1"}, 2, "N", {"/X1"});
        clean("blank after the skip", {"/ N20"}, 2, "N", {"/ N20"});
        clean("number alone becomes empty", {"N10", "N10G01 X5"}, 2, "N", {"", "G01 X5"});
        clean("empty rows dropped, one final line end kept", {"G00", "", "", "G01", "", ""}, 4, "",
              {"G00", "G01", ""});
        clean("leading empty rows dropped", {"", "", "G00", "G01"}, 4, "", {"G00", "G01"});
        clean("rows of a number alone dropped with numbering", {"N5", "N10 G00", "", "N15", "G01"},
              6, "N", {"G00", "G01"});
        clean("number alone kept without numbering", {"N5", "G00", ""}, 4, "N", {"N5", "G00", ""});
        clean("a TAB after the number goes with it", {"N5\tG0", "/N6\t\tX1"}, 2, "N",
              {"G0", "/X1"});
        clean("escapes of every kind",
              {QString::fromUtf8("G00 X1 (\u0416\u0415)"), QString::fromUtf8("X\u22641"),
               QString::fromUtf8("\u03b1")},
              1, "", {"G00 X1 ()", "X1", ""});
        clean("all options", {"%", "", "N10 G00" + e, "(" + e + ")", "N20", "/N30 M01"}, 7, "N",
              {"%", "G00", "()", "/M01"});
        clean("everything empty", {"", "N5", ""}, 7, "N", {"", ""});
        clean("empty symbol, numbers", {"N5 G00 ", "", "G01"}, 2, "", {"N5 G00 ", "", "G01"});
        clean("empty symbol, numbers and empty rows", {"N5 G00 ", "", "G01"}, 6, "",
              {"N5 G00", "G01"});

        row("defaults, empty row stays", {"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"}, 8,
            "N", 10, 10, false, {"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "", "/N30 M01"});
        row("defaults, empty row numbered", {"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"},
            8, "N", 10, 10, true,
            {"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "N30", "/N40 M01"});
        row("a number is never taken without a new one", {"G00", "N5", "N6 (CUT)", "/N7 (X)"}, 8,
            "N", 10, 10, false, {"N10 G00", "N20", "N30 (CUT)", "/N40 (X)"});
        row("final line end not numbered", {"N1500 M2", "%", ""}, 8, "N", 10, 10, true,
            {"N10 M2", "%", ""});
        row("small letters with a small symbol", {"n0010 g20", "n0020 g0 x1", "g1", "o100 sub", ""},
            8, "n", 10, 10, false, {"n10 g20", "n20 g0 x1", "n30 g1", "o100 sub", ""});
        row("numbers behind blanks are not doubled", {"/ N20 X1", "  N5 G0"}, 8, "N", 10, 10, false,
            {"/N10 X1", "N20 G0"});
        row("TABs", {"N5\tG0 X0", "N7 G1 X1", "\tG2", "N8 \t\tG3"}, 8, "N", 10, 10, false,
            {"N10\tG0 X0", "N20 G1 X1", "N30 G2", "N40 \t\tG3"});
        row("first row empty, numbered", {"", "G00"}, 8, "N", 1, 1, true, {"N1", "N2 G00"});
        row("other first characters consume no number", {"%", "(A)", "1X", "x1", "#1=2", "G01"}, 8,
            "N", 10, 10, false, {"%", "(A)", "1X", "x1", "#1=2", "N10 G01"});
        row("blanks trimmed", {"   G00  ", "/  G01 "}, 8, "N", 10, 10, false,
            {"N10 G00", "/N20 G01"});
        row("step 0", {"G00", "G01", "G02"}, 8, "N", 5, 0, false, {"N5 G00", "N5 G01", "N5 G02"});
        row("negative step", {"G00", "G01", "G02"}, 8, "N", 10, -10, false,
            {"N10 G00", "N0 G01", "N-10 G02"});
        row("small letter symbol", {"N5 G00", "G01"}, 8, "n", 10, 10, false,
            {"n10 N5 G00", "n20 G01"});
        row("first character of the symbol only", {"N5 G00"}, 8, "NX", 1, 1, false, {"N1 G00"});
        row("32-bit range ends the numbering", {"G00", "G01", "N7 G02", "G03"}, 8, "N", max - 5, 5,
            false, {"N2147483642 G00", "N2147483647 G01", "N7 G02", "G03"});
        row("32-bit range, counting down", {"G00", "N7 G01"}, 8, "N", min, -1, true,
            {"N-2147483648 G00", "N7 G01"});
        row("brace as symbol", {"G00", "{5 G01"}, 8, "{", 10, 10, false, {"{10 G00", "{20 G01"});
        row("backslash as symbol", {"G00"}, 8, "\\", 10, 10, true, {"\\10 G00"});
        row("non-ASCII symbol", {n + "5 G00", "G01"}, 8, n, 10, 10, false,
            {n + "10 G00", n + "20 G01"});
        row("empty symbol, numbering", {"N5 G00 ", "", "G01"}, 8, "", 10, 10, true,
            {"N5 G00 ", "", "G01"});
        L large, renumbered;
        for (int i = 0; i < 2000; ++i) {
            large << QStringLiteral("N%1 G01 X%2").arg(i * 5).arg(i);
            renumbered << QStringLiteral("N%1 G01 X%2").arg(100 + i * 2).arg(i);
        }
        row("2000 lines, every one kept", large, 8, "N", 100, 2, false, renumbered);
    }

    void programText()
    {
        QFETCH(L, in);
        QFETCH(int, options);
        QFETCH(QString, symbol);
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(bool, numberEmpty);
        QFETCH(L, out);
        const QByteArray given = rtfOf(in);
        const QByteArray rewritten =
            RewriteLines(given, quint8(options), symbol, start, step, numberEmpty);
        QCOMPARE(linesOf(rewritten), out);
        QVERIFY(rewritten.endsWith("}\r\n"));
        const L plain = plainRewritten(in, options, symbol, start, step, numberEmpty);
        if (!plain.isEmpty())
            QCOMPARE(plain, out);
        if (options == rwRenumber) // numbering twice gives what once gives
            QCOMPARE(RewriteLines(rewritten, rwRenumber, symbol, start, step, numberEmpty),
                     rewritten);
        // Nothing to do: the text comes back byte for byte.
        if (out == in)
            QCOMPARE(rewritten, given);
    }

    // Lines exactly as written, for what the plain text cannot show.
    void linesAsWritten_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<QByteArray>("out");
        // out: the lines as rewritten; none when they stay as they were.
        const auto row = [](const char *name, const QByteArray &in, int options,
                            const QByteArray &out = {}) {
            QTest::newRow(name) << in << options << (out.isEmpty() ? in : out);
        };
        row("lines without a backslash pass trimmed, with CR LF",
            "  {\\rtf1\\ansi   \n{\\colortbl ;}\r\n\\pard\\f0 G00\n  }  ", 7,
            "{\\rtf1\\ansi\r\n{\\colortbl ;}\r\n\\pard\\f0 G00\r\n}\r\n");
        row("no empty line after a final line feed", kHeader + "\\pard\\f0 G00\r\n\\par }\r\n", 0);
        row("escape cut short at the end of a content",
            kHeader + "\\pard\\f0 X10\\'a\r\n\\par X20\\'\r\n\\par }\r\n", 1,
            kHeader + "\\pard\\f0 X10\r\n\\par X20\r\n\\par }\r\n");
        row("escapes removed from the start afresh",
            kHeader + "\\pard\\f0 \\'e9X\\'e9\\'e91 \\'e9\r\n\\par }\r\n", 1,
            kHeader + "\\pard\\f0 X1\r\n\\par }\r\n");
        row("empty rows stay as they are when not numbered",
            kHeader + "\\pard\\f0\\fs20\r\n\\par\r\n\\par }\r\n", 8);
        const QByteArray formatted = kHeader + "\\pard\\f0 N10\\tab G0\r\n\\par N20 \\b T1 M6\r\n"
                                               "\\par\\b N40\\b0  M30\r\n\\par }\r\n";
        row("format words and TABs after a number, numbered", formatted, 8,
            kHeader + "\\pard\\f0 N10\\tab G0\r\n\\par N20 \\b T1 M6\r\n\\par\\b N30 \\b0 M30\r\n"
                      "\\par }\r\n");
        row("format words and TABs after a number, cleaned", formatted, 2,
            kHeader + "\\pard\\f0 G0\r\n\\par \\b T1 M6\r\n\\par\\b \\b0 M30\r\n\\par }\r\n");
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

    // Which block each reference of a program names (lines from 1; "-": no block, "?": more
    // than one).
    void blockReferences_data()
    {
        QTest::addColumn<L>("program");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("references");
        const auto row = [](const char *name, const L &program, const char *symbol,
                            const char *references) {
            QTest::newRow(name) << program << QString::fromLatin1(symbol) << references;
        };
        row("G71 and G70 name the contour", kLathe, "N", "5:90>6 5:200>9 10:90>6 10:200>9");
        row("M97 P, M99 P; P of G04, M98, G10 and G65 names no block", kHaas, "N", "6:100>8 7:1>2");
        row("IF [...] GOTO and GOTO", kMacro, "N", "5:20>3 6:100>8");
        row("two programs: GOTO names its own program's block, M99 P may name either", kTwoPrograms,
            "N", "4:10>3 8:10>7 9:10>?");
        row("a lower-case program with n, leading zeros",
            {"n0010 g71 p0030 q0040 u0.4 w0.1 f0.25", "n0030 g0 x18.", "n0040 x60.",
             "n0050 g70 p0030 q0040", "G70 P30 Q40", "goto 10"},
            "n", "1:30>2 1:40>3 4:30>2 4:40>3 6:10>1");
        row("small letters unread with N", {"N30 G70 P30 Q30", "n40 g70 p30 q30", "N40 m99 p30"},
            "N", "1:30>1 1:30>1");
        row("words without spaces; G73 and G72 of a lathe",
            {"N1 G73P2Q3U.1W.1D3F.01", "N2 G00 Z0.1", "N3 X2.", "G72 P2 Q3 D.1 F.01",
             "IF[#1LT5]GOTO3"},
            "N", "1:2>2 1:3>3 4:2>2 4:3>3 5:3>3");
        row("P and Q that name no block",
            {"N10 G73 X10. Y10. Z-20. R2. Q10 P10 F100.", "N20 G73 U3. W1. R3", "N30 G70 P10",
             "N40 G70 P10. Q20.", "N50 (G70 P10 Q20) GOTO #1", "N60 GOTO [#1 + 10]", "N70 M99 P-10",
             "N80 G04 P10 M99", "N90 G71 P10 Q20 ; G70 P30 Q40"},
            "N", "9:10>1 9:20>2");
        row("a number no block has", {"G70 P95 Q30", "N30 X1."}, "N", "1:95>- 1:30>2");
        row("a number two blocks of one program have", {"N5 G00 X1", "N5 G01 X2", "GOTO5"}, "N",
            "3:5>?");
    }

    void blockReferences()
    {
        QFETCH(L, program);
        QFETCH(QString, symbol);
        QFETCH(QString, references);
        BlockReferences refs(symbol.front());
        for (const QString &row : std::as_const(program))
            refs.addRow(row);
        refs.resolve();
        QStringList got;
        for (const BlockReferences::Reference &r : refs.references()) {
            QCOMPARE(program[r.row].mid(r.at, r.size).toLongLong(), r.number);
            got << QStringLiteral("%1:%2>%3")
                       .arg(r.row + 1)
                       .arg(r.number)
                       .arg(r.target >= 0                       ? QString::number(r.target + 1)
                            : r.target == BlockReferences::None ? QStringLiteral("-")
                                                                : QStringLiteral("?"));
        }
        QCOMPARE(got.join(QLatin1Char(' ')), references);
    }

    // Numbering gives the references their blocks' new numbers; Clean keeps the numbers that
    // references name. The same on formatted rich text, whose format words stand inside the
    // numbers.
    void referencesFollowTheirBlocks_data()
    {
        QTest::addColumn<L>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<L>("out");
        // References rewritten; lines of those to no block; of those to several; numbers kept.
        QTest::addColumn<QString>("report");
        const auto number = [](const char *name, const L &in, const char *symbol, int start,
                               int step, const L &out, const char *report) {
            QTest::newRow(name) << in << int(rwRenumber) << QString::fromLatin1(symbol) << start
                                << step << out << QString::fromLatin1(report);
        };
        const auto clean = [](const char *name, const L &in, const L &out, const char *report) {
            QTest::newRow(name) << in << int(rwNumbering | rwEmptyRows) << QStringLiteral("N") << 0
                                << 0 << out << QString::fromLatin1(report);
        };
        number("lathe, step 5", kLathe, "N", 10, 5,
               {"%", "O0001 (SHAFT)", "N10 G21 G40 G99", "N15 G71 U2. R0.5",
                "N20 G71 P25 Q40 U0.4 W0.1 F0.25", "N25 G00 X18.", "N30 G01 Z-70.",
                "N35 X40. Z-90.", "N40 X60.", "N45 G70 P25 Q40", "N50 M30", "%"},
               "4|||0");
        number("M97 P and M99 P", kHaas, "N", 10, 10,
               {"O01234 (LOCAL SUB)", "N10 G20 G40 G80", "N20 G04 P500", "N30 M98 P2000",
                "N40 G10 L2 P1 X0.", "N50 M97 P70 L2", "N60 M99 P10", "N70 G01 X1. F10.",
                "N80 G65 P9010 A1.", "N90 M99"},
               "2|||0");
        number("GOTO, also to a number that a block gets anew", kMacro, "N", 10, 10,
               {"O9010 (PECK)", "#1 = 0", "N10 G91 G01 Z-1. F100", "#1 = #1 + 1",
                "N20 IF [#1 LT 10] GOTO 10", "N30 GOTO 50", "N40 (NEVER)", "N50 G90 G00 Z5.",
                "N60 GOTO #2", "N70 M99"},
               "2|||0");
        number("two programs, an ambiguous M99 P left", kTwoPrograms, "N", 10, 10,
               {"%", "O1000", "N10 G00 X0", "N20 IF [#1 EQ 0] GOTO 10", "N30 M30", "O2000",
                "N40 G00 X5", "N50 GOTO 40", "N60 M99 P10", "%"},
               "1||9|0");
        number("lower case with n, leading zeros",
               {"n0010 g71 p0030 q0040 u0.4 w0.1 f0.25", "n0030 g0 x18.", "n0040 x60.",
                "n0050 g70 p0030 q0040"},
               "n", 100, 100,
               {"n100 g71 p200 q300 u0.4 w0.1 f0.25", "n200 g0 x18.", "n300 x60.",
                "n400 g70 p200 q300"},
               "4|||0");
        number("a reference to no block left",
               {"N10 G71 P95 Q30 U0.4 W0.1 F0.25", "N20 G00 X18.", "N30 X60.", "G70 P95 Q30"}, "N",
               100, 10,
               {"N100 G71 P95 Q120 U0.4 W0.1 F0.25", "N110 G00 X18.", "N120 X60.",
                "N130 G70 P95 Q120"},
               "2|1,4||0");
        number("peck drilling: its Q and P name no block",
               {"N10 G90 G54 G00 X0 Y0", "N20 G73 X10. Y10. Z-20. R2. Q20 P10 F100", "M97 P30",
                "N30 G80"},
               "N", 100, 10,
               {"N100 G90 G54 G00 X0 Y0", "N110 G73 X10. Y10. Z-20. R2. Q20 P10 F100",
                "N120 M97 P130", "N130 G80"},
               "1|||0");
        number("numbers that run out of the range: the blocks left keep theirs",
               {"N1 GOTO 3", "N2 G01", "N3 G02", "GOTO 2"}, "N", 2147483642, 5,
               {"N2147483642 GOTO 3", "N2147483647 G01", "N3 G02", "GOTO 2147483647"}, "1|||0");
        clean("lathe: the contour keeps its first and last number", kLathe,
              {"%", "O0001 (SHAFT)", "G21 G40 G99", "G71 U2. R0.5", "G71 P90 Q200 U0.4 W0.1 F0.25",
               "N90 G00 X18.", "G01 Z-70.", "X40. Z-90.", "N200 X60.", "G70 P90 Q200", "M30", "%"},
              "0|||2");
        clean("M97 and M99 targets kept, G10 P1 names none", kHaas,
              {"O01234 (LOCAL SUB)", "N1 G20 G40 G80", "G04 P500", "M98 P2000", "G10 L2 P1 X0.",
               "M97 P100 L2", "M99 P1", "N100 G01 X1. F10.", "G65 P9010 A1.", "M99"},
              "0|||2");
        clean("macro: a row of a number alone stays when referred to",
              {"N10", "G91 G01 Z-1.", "IF [#1 LT 10] GOTO 10", "N20", "M99"},
              {"N10", "G91 G01 Z-1.", "IF [#1 LT 10] GOTO 10", "M99"}, "0|||1");
        clean("an ambiguous reference keeps every block it may name", kTwoPrograms,
              {"%", "O1000", "N10 G00 X0", "IF [#1 EQ 0] GOTO 10", "M30", "O2000", "N10 G00 X5",
               "GOTO 10", "M99 P10", "%"},
              "0|||2");
    }

    void referencesFollowTheirBlocks()
    {
        QFETCH(L, in);
        QFETCH(int, options);
        QFETCH(QString, symbol);
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(L, out);
        QFETCH(QString, report);
        const auto joined = [](const QList<qsizetype> &lines) {
            QStringList text;
            for (const qsizetype line : lines)
                text << QString::number(line);
            return text.join(QLatin1Char(','));
        };
        for (const bool formatted : {false, true}) {
            const QByteArray given = formatted ? formattedRtfOf(in) : rtfOf(in);
            RewriteReport got;
            const QByteArray rewritten =
                RewriteLines(given, quint8(options), symbol, start, step, false, &got);
            QCOMPARE(linesOf(rewritten), out);
            QCOMPARE(QStringLiteral("%1|%2|%3|%4")
                         .arg(got.followed)
                         .arg(joined(got.nowhere), joined(got.ambiguous))
                         .arg(got.kept),
                     report);
            if (!formatted) { // the plain rewrite gives the same lines and report
                RewriteReport plain;
                QCOMPARE(plainRewritten(in, options, symbol, start, step, false, &plain), out);
                QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5")
                             .arg(plain.followed)
                             .arg(joined(plain.nowhere), joined(plain.ambiguous))
                             .arg(plain.kept)
                             .arg(plain.numbered),
                         QStringLiteral("%1|%2").arg(report).arg(got.numbered));
            }
            if (options == rwRenumber) { // numbering twice gives what once gives
                RewriteReport again;
                QCOMPARE(RewriteLines(rewritten, rwRenumber, symbol, start, step, false, &again),
                         rewritten);
                QCOMPARE(again.followed, 0);
            }
        }
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

    // Real-shaped programs of every dialect (tests/data) through Clean with its defaults and
    // through Numbering.
    void corpus_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("numberEmpty");
        const QDir data(QStringLiteral(KORDAVEL_TESTS_DIR "/data"));
        for (const QString &name : data.entryList(QDir::Files)) {
            const QString path = data.filePath(name);
            QTest::addRow("%s, Clean", qPrintable(name))
                << path << int(rwBadSymbols | rwEmptyRows) << true;
            QTest::addRow("%s, Clean block numbers", qPrintable(name))
                << path << int(rwNumbering) << true;
            QTest::addRow("%s, Numbering", qPrintable(name)) << path << int(rwRenumber) << false;
            QTest::addRow("%s, Numbering empty rows", qPrintable(name))
                << path << int(rwRenumber) << true;
        }
    }

    void corpus()
    {
        QFETCH(QString, path);
        QFETCH(int, options);
        QFETCH(bool, numberEmpty);
        const QByteArray bytes = readFile(path);
        const RichText program = decodeProgramFile(bytes).content;
        const QString before = program.plainText();
        // A program without capitals is numbered with a small n.
        const QString symbol =
            before.contains(QRegularExpression(QStringLiteral("[A-Z]"))) ? "N" : "n";
        RewriteReport rich;
        const QByteArray rtf =
            RewriteLines(writeRtf(program), quint8(options), symbol, 10, 10, numberEmpty, &rich);
        const L out = readRtf(rtf).plainText().split(QLatin1Char('\n'));
        // Numbering and the clean of numbers keep every row, and the final line end.
        if (options & (rwRenumber | rwNumbering))
            QCOMPARE(out.size(), before.count(QLatin1Char('\n')) + 1);
        if (options == rwRenumber) // numbering twice gives what once gives
            QCOMPARE(RewriteLines(rtf, rwRenumber, symbol, 10, 10, numberEmpty), rtf);
        // A plain file through the plain rewrite: the same lines and the same report.
        LineBuffer buffer;
        if (looksLikeRtf(bytes) || !buffer.setBytes(bytes) ||
            buffer.text(0, buffer.size()) != before)
            return;
        RewriteReport plain;
        rewriteBuffer(buffer, quint8(options), symbol, 10, 10, numberEmpty, &plain);
        QCOMPARE(buffer.text(0, buffer.size()).split(QLatin1Char('\n')), out);
        QCOMPARE(QList<qsizetype>({plain.numbered, plain.followed, plain.kept}),
                 QList<qsizetype>({rich.numbered, rich.followed, rich.kept}));
        QCOMPARE(plain.nowhere, rich.nowhere);
        QCOMPARE(plain.ambiguous, rich.ambiguous);
    }

    // The toolpath interpreter against coordinates worked out by hand: arcs in every plane with
    // I/J/K and R, modal state over blocks, incremental moves, inches, drilling cycles, lathe
    // diameters, and the words it lists as not understood.
    void moves_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("lathe");
        QTest::addColumn<QString>("segments");
        QTest::addColumn<QString>("unknown");
        // A mill's program, its segments and no word left over.
        const auto mill = [](const char *name, const char *program, const char *segments) {
            QTest::newRow(name) << program << false << segments << "";
        };
        mill("xy clockwise ij", "G17 G2 X10 Y10 I10", "A1 10,10,0 c10,0,0 m2.929,7.071,0");
        mill("xy r small arc", "G3 X10 Y10 R10", "A1 10,10,0 c0,10,0 m7.071,2.929,0");
        mill("xy r large arc", "G3 X10 Y10 R-10", "A1 10,10,0 c10,0,0 m17.071,-7.071,0");
        mill("full circle", "G2 I5", "A1 0,0,0 c5,0,0 m10,0,0");
        mill("radius from the start's to the end's", "G2 X10 I4", "A1 10,0,0 c4,0,0 m4,5,0");
        mill("helix", "G3 Z-2 I5", "A1 0,0,-2 c5,0,0 m10,0,-1");
        mill("xz ik", "G18 G3 X10 Z10 I10", "A1 10,0,10 c10,0,0 m2.929,0,7.071");
        mill("xz clockwise 3/4", "G18 G2 X10 Z10 I10", "A1 10,0,10 c10,0,0 m17.071,0,-7.071");
        mill("yz r", "G19 G2 Y10 Z10 R10", "A1 0,10,10 c0,10,0 m0,2.929,7.071");
        mill("modal over blocks", "G90 G0 X10\nY5\nG1 Z-1 F100\nX20\nG2 X30 R5\nX20 R5",
             "R1 10,0,0; R2 10,5,0; F3 10,5,-1; F4 20,5,-1; A5 30,5,-1 c25,5,-1 m25,10,-1; "
             "A6 20,5,-1 c25,5,-1 m25,0,-1");
        mill("incremental", "G91 G1 X10 Y10\nX10\nG90 X0\nG91 G2 X10 I5",
             "F1 10,10,0; F2 20,10,0; F3 0,10,0; A4 10,10,0 c5,10,0 m5,15,0");
        mill("inches", "G20 G0 X1 Y2.5\nG2 X2 Y2.5 I0.5\nG21 G0 X1",
             "R1 25.4,63.5,0; A2 50.8,63.5,0 c38.1,63.5,0 m38.1,76.2,0; R3 1,63.5,0");
        mill("drilling g99, g80", "G0 X0 Y0 Z10\nG99 G81 X10 Y10 Z-5 R2 F100\nX20\nY20\nG80\nX0",
             "R1 0,0,10; R2 10,10,10; H2 10,10,2>10,10,-5; R3 20,10,2; H3 20,10,2>20,10,-5; "
             "R4 20,20,2; H4 20,20,2>20,20,-5; R6 0,20,2");
        mill("drilling g91 g98 repeats", "G0 Z10\nG91 G98 G83 X10 Z-5 R-8 Q1 K2\nG80 G90 X0",
             "R1 0,0,10; R2 10,0,10; H2 10,0,2>10,0,-3; R2 20,0,10; H2 20,0,2>20,0,-3; R3 0,0,10");
        // Holes go along the axis across the plane: Y in G18, X in G19.
        mill("drilling in g18", "G18 G0 Y10\nG99 G81 X10 Z5 Y-5 R2\nX20\nG80",
             "R1 0,10,0; R2 10,10,5; H2 10,2,5>10,-5,5; R3 20,2,5; H3 20,2,5>20,-5,5");
        mill("drilling in g19", "G19 G0 X10\nG98 G81 Y5 Z5 X-3 R2\nG91 Y5 R-8 X-5\nG80",
             "R1 10,0,0; R2 10,5,5; H2 2,5,5>-3,5,5; R3 10,10,5; H3 2,10,5>-3,10,5");
        mill("blocks, comments, deletes",
             "%\nN10 G0 X1 (X9) ; X8\n/N20 x2\nO1234 (PROG)\n\nn30 g4 x5\n%", "R2 1,0,0; R3 2,0,0");
        QTest::newRow("lathe") << "G0 X40 Z2\nG1 Z-10\nX50 W-5\nG2 U10 Z-20 R5" << true
                               << "R1 20,0,2; F2 20,0,-10; F3 25,0,-15; A4 30,0,-20 c30,0,-15 "
                                  "m26.464,0,-18.536"
                               << "";
        QTest::newRow("not understood")
            << "G28 G91 Z0\nM98 P1000\nG0 X#1\nO100 CALL\n#1 = 5 ; set\nG1 A90 X5\n(ok) G65 "
               "P9000\nG1 X[#1+2] Y2\nG33 Z-20 K1.5\nZ-30\nG38.2 Z-1\nG2 X5"
            << false << "F6 5,0,0"
            << "1:G28 2:M98 3:X#1 4:O100 CALL 5:#1 = 5 6:A90 7:G65 8:X[#1+2] 9:G33 11:G38.2 12:G2";

        QTest::newRow("named parameters")
            << "G0 X10\nG1 X#<depth> Y5\n#<depth> = 5 ; set\nG1 Y#<_y\nY7" << false
            << "R1 10,0,0; F5 10,7,0"
            << "2:X#<DEPTH> 3:#<DEPTH> = 5 4:Y#<_Y";
        // Blocks a controller refuses make no move and leave the tool where it was.
        QTest::newRow("not words")
            << "G0 X10\n$AddRegPart 1 X50 Y20\nG1 X20 Y\nY5 ; ok" << false << "R1 10,0,0; F4 10,5,0"
            << "2:$ADDREGPART 1 X50 Y20 3:Y";
        QTest::newRow("arcs that cannot be made")
            << "G0 X10\nG2 X30 Y0 R5\nG3 X40\nG1 Y5\nG2 X30 Y5 R9.999" << false
            << "R1 10,0,0; F4 10,5,0; A5 30,5,0 c20,5,0 m20,15,0"
            << "2:R5 3:G3";
        const QString nines(400, QLatin1Char('9'));
        QTest::newRow("numbers out of range")
            << "G0 X10\nG1 X" + nines + " Y5\nM99999999999\nG1 Y-" + nines + ".5\nY7\nG0 X1." +
                   QString(400, QLatin1Char('0')) + " Y0." + QString(400, QLatin1Char('0')) + '1'
            << false << "R1 10,0,0; F5 10,7,0; R6 1,0,0"
            << "2:X" + nines.left(39) + "... 3:M99999999999 4:Y-" + nines.left(38) + "...";
        QTest::newRow("cycle repeats out of range")
            << "G0 Z10\nG91 G81 X1 R-1 Z-1 K10000\nX1 R-1 Z-1 L100000000000\nX1 K1.5\nX1 R-1 "
               "Z-1 K2"
            << false << "R1 0,0,10; R5 1,0,10; H5 1,0,9>1,0,8; R5 2,0,10; H5 2,0,9>2,0,8"
            << "2:K10000 3:L100000000000 4:K1.5";
        // In G91 the depth is taken from the R level, also when a block gives R alone.
        mill("g91 cycle r without z", "G0 Z10\nG91 G81 X10 R-5 Z-3\nX10 R-8",
             "R1 0,0,10; R2 10,0,10; H2 10,0,5>10,0,2; R3 20,0,10; H3 20,0,2>20,0,-1");
        mill("end of program", "G0 X10\nG1 X20 M30\nG0 X0\n%\nG1 Y5 A1\n", "R1 10,0,0; F2 20,0,0");
        mill("end of program m02", "G0 X10 M02\nX0", "R1 10,0,0");
        mill("arc centres g91.1, g90.1", "G91.1 G2 X10 I5\nG90.1 G3 X0 I5 J0\nG91.1 G2 X10 I5",
             "A1 10,0,0 c5,0,0 m5,5,0; A2 0,0,0 c5,0,0 m5,5,0; A3 10,0,0 c5,0,0 m5,5,0");
    }

    void moves()
    {
        QFETCH(QString, program);
        QFETCH(bool, lathe);
        QFETCH(QString, segments);
        QFETCH(QString, unknown);
        const Toolpath path = ToolpathInterpreter::interpret(program, lathe);
        QCOMPARE(summary(path), segments);
        QCOMPARE(unknownWords(path), unknown);
        // Read in slices of any size, the program gives the same path.
        ToolpathInterpreter sliced(lathe);
        for (qsizetype at = 0; at < program.size();)
            at = sliced.addLines(program, at, 1);
        QCOMPARE(summary(sliced.path()), summary(path));
    }

    // Whole numbers of lengths read as the control's least increment; numbers with a point,
    // feeds, dwells and a cycle's repeats as written.
    void thousandths_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("lathe");
        QTest::addColumn<QString>("segments");
        QTest::newRow("mm") << "G0 X100 Y-2500 Z5." << false << "R1 0.1,-2.5,5";
        QTest::newRow("point kept, feed whole") << "G1 X100. Y0.5 F100" << false << "F1 100,0.5,0";
        QTest::newRow("arc ij") << "G0 X0\nG2 X10000 I5000" << false << "A2 10,0,0 c5,0,0 m5,5,0";
        QTest::newRow("arc r") << "G3 X10000 Y10000 R10000" << false
                               << "A1 10,10,0 c0,10,0 m7.071,2.929,0";
        QTest::newRow("inches: ten-thousandths")
            << "G20 G0 X10000 Y5000" << false << "R1 25.4,12.7,0";
        QTest::newRow("cycle: K repeats, Q and R lengths")
            << "G0 Z10.\nG91 G83 X1000 R-8000 Z-5000 Q1000 K2" << false
            << "R1 0,0,10; R2 1,0,10; H2 1,0,2>1,0,-3; R2 2,0,10; H2 2,0,2>2,0,-3";
        QTest::newRow("dwell") << "G0 X1000\nG4 X2000\nY1000" << false << "R1 1,0,0; R3 1,1,0";
        QTest::newRow("lathe diameters")
            << "G0 X40000 Z2000\nG1 U-10000 W-5000" << true << "R1 20,0,2; F2 15,0,-3";
    }

    void thousandths()
    {
        QFETCH(QString, program);
        QFETCH(bool, lathe);
        QFETCH(QString, segments);
        QCOMPARE(summary(ToolpathInterpreter::interpret(program, lathe, true)), segments);
    }

    // Programs as posts write them for lathes and mills: a lathe's needs two signs and no
    // word only a mill has.
    void machineKind_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("kind");
        const int unknown = int(MachineKind::Unknown), mill = int(MachineKind::Mill),
                  lathe = int(MachineKind::Lathe);
        QTest::newRow("lathe: G18, T0101, G96") << "%\nO1000\nG18 G21 G40 G99\nT0101\nG96 S200 "
                                                   "M3\nG0 X52. Z2.\nG1 X40. F0.2\nZ-30.\nM30\n%"
                                                << lathe;
        QTest::newRow("lathe: T0303 and U W, no G18")
            << "T0303\nG0 X30 Z1\nG1 U-2 W-10 F.1\nM30" << lathe;
        QTest::newRow("lathe: roughing cycle, lower case")
            << "g18\nt0202\ng71 u2 r1\ng71 p10 q20 u0.5 w0.1 f0.25" << lathe;
        QTest::newRow("mill: G18 arcs without Y")
            << "G18\nG0 X0 Z0\nG2 X10 Z-10 I5 K0\nM30" << unknown;
        QTest::newRow("mill: G18 arcs, T1 M6") << "T1 M6\nG18 G2 X10 Z-10 I5 K0\nT0101" << mill;
        QTest::newRow("mill: Y words") << "G18 T0101\nG0 X10 Y5 Z1" << mill;
        QTest::newRow("mill: G43 H") << "T0202\nG43 H2 Z50\nG18 G2 X10 Z-10 R5" << mill;
        QTest::newRow("mill: G17") << "G17 G90\nT0101\nG0 X10 W5" << mill;
        QTest::newRow("three digits of T name no offset") << "G18\nT101\nG0 X10 Z2" << unknown;
        QTest::newRow("signs in comments count not")
            << "(G18 T0101 U1)\nG0 X10 Z2 ; G96 W1" << unknown;
        QTest::newRow("Y in a comment") << "(Y AXIS OFF)\nT0101\nG18 G0 X20 Z2" << lathe;
        QTest::newRow("empty") << "" << unknown;
        QTest::newRow("Y beyond the characters read")
            << "G18 T0101\n" + QString(kScanCharacters, QLatin1Char(' ')) + "G0 Y1" << lathe;
    }

    void machineKind()
    {
        QFETCH(QString, program);
        QFETCH(int, kind);
        QCOMPARE(int(machineKindOf(program)), kind);
    }

    // A path holds at most so many moves: the first block beyond is listed and no later move
    // is drawn. The list keeps its first words and counts them all.
    void bounds()
    {
        ToolpathInterpreter small(false, 3);
        const QString program =
            "G0 X1\nX2 Y1\nX3\nG91 G81 X1 R-1 Z-1 K2 (four moves)\nG90 G0 X5\n$\nX6";
        small.addLines(program, 0, 100);
        QCOMPARE(summary(small.path()), "R1 1,0,0; R2 2,1,0; R3 3,1,0");
        QCOMPARE(unknownWords(small.path()), "4:G91 G81 X1 R-1 Z-1 K2 (FOUR MOVES) 6:$");
        const qsizetype most = ToolpathInterpreter::kMaxUnknown;
        const Toolpath many = ToolpathInterpreter::interpret(QString("X1 $\n").repeated(most + 5));
        QCOMPARE(many.unknown.size(), most);
        QCOMPARE(many.unknownCount, most + 5);
        QCOMPARE(many.unknown.last().line, most - 1);
    }

    // The header of a restart from a block: the modal state there and a way in from above.
    void restartHeader_data()
    {
        // A plate: facing, a drilled row in a G81 cycle, a pocket; three tool changes.
        const QStringList mill =
            QStringLiteral(
                "%\nO1001 (PLATE)\nG21 G17 G90 G40 G80\nG54\nT1 M06 (FACE MILL 50)\nT2\n"
                "S1200 M03\nG00 G43 H1 Z50.\nX-30. Y0.\nZ5.\nM08\nG01 Z-1. F300.\nX130.\n"
                "G00 Z50.\nM09\nM05\nT2 M06 (DRILL 6.8)\nT3\nS1500 M03\nG00 G43 H2 Z50.\n"
                "M08\nG99 G81 X10. Y10. Z-15. R2. F120.\nX30.\nX50.\nG80\nG00 Z50.\n"
                "T3 M06 (END MILL 10)\nS3000 M03\nG00 G43 H3 Z50.\nX0. Y0.\nZ2.\n"
                "G01 Z-3. F200.\nX40. F400.\nY20.\nX0.\nG00 Z50.\nM30\n%")
                .split('\n');
        // Inches, incremental from the first cut on.
        const QStringList inches = QStringLiteral("O2002\nG20 G17 G90 G55\nT5 M06\nS800 M04\n"
                                                  "G00 G43 H5 Z1.\nX1. Y1.\nG91 G01 Z-0.6 F10.\n"
                                                  "X2.\nY0.5")
                                       .split('\n');
        // A shaft: G71 roughing with T0101, G70 finishing with T0303; feed per revolution.
        const QStringList lathe =
            QStringLiteral(
                "%\nO3003 (SHAFT)\nG21 G18 G99\nG50 S2500\nT0101 (ROUGH TURN)\n"
                "G96 S180 M03\nG00 X52. Z2. M08\nG71 U2. R0.5\n"
                "G71 P10 Q20 U0.4 W0.1 F0.25\nN10 G00 X20.\nG01 Z-30. F0.15\nU20.\n"
                "N20 W-30.\nG00 X100. Z100.\nT0303 (FINISH)\nG96 S220 M03\nG00 X52. Z2.\n"
                "G70 P10 Q20\nG00 X100. Z100.\nM30\n%")
                .split('\n');
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("isLathe");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("header"); // its lines joined by '|'
        const auto row = [](const char *name, const L &program, int line, bool isLathe, int from,
                            const QString &header) {
            QTest::newRow(name) << program << line << isLathe << from << header;
        };
        const QString drill = "%|O1001|G21 G17 G90 G54|T2 M06 (DRILL 6.8)|T3|S1500 M03|M08|"
                              "G00 G43 H2 Z50.|";
        row("mill, after the third tool change", mill, 33, false, 33,
            "%|O1001|G21 G17 G90 G54|T3 M06 (END MILL 10)|S3000 M03|M08|G00 G43 H3 Z50.|"
            "G00 X40. Y0.|G01 Z-3. F400.");
        row("mill, a hole of a drilling cycle restarts at the cycle", mill, 23, false, 21,
            drill + QStringLiteral("G00 X130. Y0.|F300."));
        row("mill, the cycle's own block", mill, 21, false, 21,
            drill + QStringLiteral("G00 X130. Y0.|F300."));
        row("mill, after the cycle's G80", mill, 25, false, 25,
            drill + QStringLiteral("G00 X50. Y10.|G01 Z2. F120."));
        row("mill, spindle and coolant off before the change", mill, 16, false, 16,
            "%|O1001|G21 G17 G90 G54|T1 M06 (FACE MILL 50)|T2|S1200|G00 G43 H1 Z50.|"
            "G00 X130. Y0.|F300.");
        row("inches, incremental", inches, 8, false, 8,
            "%|O2002|G20 G17 G90 G55|T5 M06|S800 M04|G00 G43 H5 Z1.|G00 X3. Y1.|G01 Z0.4 F10.|G91");
        row("lathe, the finishing cycle after the second tool", lathe, 17, true, 17,
            "%|O3003|G21 G18 G99|T0303 (FINISH)|G96 S220 M03|M08|G00 X52.|G00 Z2.|F0.15");
        row("lathe, in the contour: U and W are increments", lathe, 12, true, 12,
            "%|O3003|G21 G18 G99|T0101 (ROUGH TURN)|G96 S180 M03|M08|G00 X52.|G00 Z-30.|"
            "G01 X40. F0.15");
        row("nothing said yet", {"X10. Y10.", "X20."}, 1, false, 1, "%|G00 X10. Y10.");
        row("lower case, units changed on the way",
            {"g21 g90", "g0 z25.4 x25.4", "g20", "x2.", "g1 z-0.1 f5."}, 5, false, 5,
            "%|G20 G90|G00 Z1.|G00 X2.|G01 Z-0.1 F5.");
        row("past the end", {"G0 X1. Z1."}, 9, false, 1, "%|G00 Z1.|G00 X1.");
    }

    void restartHeader()
    {
        QFETCH(QStringList, program);
        QFETCH(int, line);
        QFETCH(bool, isLathe);
        QFETCH(int, from);
        QFETCH(QString, header);
        for (const char *end : {"\n", "\r\n"}) {
            const RestartPlan plan = planRestart(program.join(QLatin1String(end)), line, isLathe);
            QCOMPARE(plan.line, from);
            QCOMPARE(plan.header.join(QLatin1Char('|')), header);
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
        QTest::newRow("Clean, OK with a symbol") << false << "bne=Q" << 0 << 2 << "2,Q";
        QTest::newRow("Clean, Enter is OK") << false << " enter" << 0 << 2 << "5,";
        QTest::newRow("Clean, OK with numbering") << false << "n" << 0 << 2 << "7,N";
        QTest::newRow("Clean, OK keeps the other bits") << false << "n" << 0xF8 << 2 << "255,N";
        QTest::newRow("Clean, each box its own bit") << false << "e" << 0 << 2 << "1,";
        QTest::newRow("Clean, OK clears the unchecked bits") << false << "" << 0x0A << 2 << "13,";
        QTest::newRow("Clean, Cancel") << false << "n cancel" << 0x0F << 3 << "0,";
        // Each use starts from the same choices, whatever the last one changed.
        QTest::newRow("Clean, OK with the defaults") << false << "" << 0 << 2 << "5,";
        const QString cancelled = QStringLiteral("0,0,,0");
        QTest::newRow("Numbering, Enter is OK")
            << true << "100,-5,N,e enter" << 0 << 2 << "100,-5,N,1";
        QTest::newRow("Numbering, small letter stays small")
            << true << "0,1,n" << 0 << 2 << "0,1,n,0";
        QTest::newRow("Numbering, OK with the defaults") << true << "" << 0 << 2 << "10,10,N,0";
        QTest::newRow("Numbering, Cancel") << true << "5,5,P,e cancel" << 0 << 3 << cancelled;
        QTest::newRow("Numbering, Escape") << true << "5,5,P,e escape" << 0 << 3 << cancelled;
        QTest::newRow("Numbering, close box") << true << "5,5,P,e close" << 0 << 3 << cancelled;
        QTest::newRow("Numbering, Cancel with a number that is not whole")
            << true << "1.5,10,N cancel" << 0 << 3 << cancelled;
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
            row(numbering ? "Numbering on an empty program" : "Clean on an empty program",
                numbering, false, {}, nullptr, {});
            row(numbering ? "Numbering while locked" : "Clean while locked", numbering, false,
                program, nullptr, {}, "Ready", true);
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

    void findNext_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("find");
        QTest::addColumn<int>("found"); // -1: no match, the selection stays
        const QString lines = QStringLiteral("G0\r\nG1 X1\r\nG1 X2");
        QTest::newRow("whole word only") << "G10 X5\r\nG1 X0" << 0 << 0 << "G1" << 8;
        QTest::newRow("inside a word is no match") << "N10G1X5" << 0 << 0 << "G1" << -1;
        QTest::newRow("case ignored") << "G1 X0" << 0 << 0 << "x0" << 3;
        QTest::newRow("line ends count two") << lines << 0 << 0 << "G1" << 4;
        QTest::newRow("from the end of the selection") << lines << 4 << 2 << "G1" << 11;
        QTest::newRow("caret after the last match wraps") << lines << 12 << 0 << "G1" << 4;
        QTest::newRow("the only match selected is found again")
            << "G0 G1 X1" << 3 << 2 << "G1" << 3;
        QTest::newRow("no match anywhere") << lines << 5 << 3 << "G2" << -1;
        QTest::newRow("empty text finds nothing") << lines << 5 << 3 << "" << -1;
    }

    void findNext()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, find);
        QFETCH(int, found);
        m_box.setText(text);
        m_box.select(selStart, selLength);
        QCOMPARE(selectNextMatch(m_box, find), found >= 0);
        QCOMPARE(m_box.selStart(), found >= 0 ? found : selStart);
        QCOMPARE(m_box.selLength(), found >= 0 ? int(find.size()) : selLength);
    }

    void replaceAll_data()
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

    void replaceAll()
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
            answerNextQuestion(clickNo());
            program->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QTRY_COMPARE(ProgramWindowCount, 0);
        QTRY_VERIFY(!frmFindReplace::loaded());
        QVERIFY(!FindDialogShown);
    }

    void goToLine_data()
    {
        QTest::addColumn<bool>("formatted"); // a .dnc with format words inside the numbers
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("from"); // the caret's line
        QTest::addColumn<int>("line"); // 0-based; -1 none
        const auto row = [](const char *name, bool formatted, const char *typed, int from,
                            int line) {
            QTest::newRow(name) << formatted << QString::fromLatin1(typed) << from << line;
        };
        row("line number", false, "7", 0, 6);
        row("first line", false, "1", 9, 0);
        row("last line", false, "13", 0, 12);
        row("line 0", false, "0", 0, -1);
        row("beyond the last line", false, "14", 0, -1);
        row("block", false, "N1200", 0, 6);
        row("block, small n", false, "n1200", 0, 6);
        row("block written with small n", false, "N50", 0, 10);
        row("blanks around", false, "  N20 ", 0, 4);
        row("after a block skip", false, "N30", 0, 5);
        row("after a comment", false, "N40", 0, 9);
        row("next after the caret, leading zeros", false, "N30", 5, 11);
        row("wraps to the top", false, "N30", 11, 5);
        row("number only in a comment", false, "N77", 0, -1);
        row("number only after GOTO", false, "N88", 0, -1);
        row("empty", false, "", 0, -1);
        row("N alone", false, "N", 0, -1);
        row("words", false, "abc", 0, -1);
        row("trailing letter", false, "N12X", 0, -1);
        row("negative", false, "-3", 0, -1);
        row("decimal", false, "1.5", 0, -1);
        row("too many digits", false, "99999999999999999999", 0, -1);
        row("formatted line number", true, "7", 0, 6);
        row("formatted block", true, "N1200", 0, 6);
        row("formatted block after a comment", true, "n40", 0, 9);
    }

    void goToLine()
    {
        QFETCH(bool, formatted);
        QFETCH(QString, typed);
        QFETCH(int, from);
        QFETCH(int, line);
        const QStringList program{"%",
                                  "O1000 (PLATE N77)",
                                  "N10 G90 G54",
                                  "(GOTO N30 BELOW)",
                                  " \tN20 G0 X0",
                                  "/1 N30 M1",
                                  "N1200 G1 X5",
                                  "IF [#1 LT 3] GOTO 88",
                                  "M99 P30",
                                  "(NOTE) N40 M30",
                                  "n50 m5",
                                  "N0030 X1",
                                  "%"};
        m_box.setTextRTF(formatted ? formattedRtfOf(program) : rtfOf(program));
        QCOMPARE(m_box.document()->blockCount(), int(program.size()));
        QCOMPARE(kordavel::goToLine(*m_box.document(), typed, from), line);
    }

    // Ctrl+G in the program: the caret goes to the start of the line, which comes into view,
    // and typing goes on there; a number that names nothing beeps, says so and keeps the dialog.
    void goToInTheWindow()
    {
        FrameSession session;
        QCOMPARE(session.frame->menuEntry(QStringLiteral("mnuEditGoTo"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_G));
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
