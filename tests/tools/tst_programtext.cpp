// SPDX-License-Identifier: GPL-3.0-or-later
// Program text tools. The line rewriter behind Clean and Numbering, on rich text as the
// editor writes it: every documented example as a row, and the faults it must not make
// (broken RTF, lost lines, lost formatting, a text that changes when nothing is to be done).
// The toolpath interpreter against coordinates worked out by hand.
#include "editor/ProgramFile.h"
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/RewriteLines.h"
#include "tools/ToolpathInterpreter.h"

#include <QRegularExpression>
#include <QtTest>

#include <limits>

using namespace kordavel;
using L = QStringList;

namespace {

QByteArray rtfOf(const QStringList &lines)
{
    RichText text;
    text.append(lines.join(QLatin1Char('\n')), defaultCharFormat());
    return writeRtf(text);
}

QStringList linesOf(QByteArrayView rtf)
{
    return readRtf(rtf).plainText().split(QLatin1Char('\n'));
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

// A row of a program as the invariants see it: whether it has a block number, its value,
// and the rest, without blanks or TABs around and between (a "/" kept).
struct Block {
    bool numbered = false;
    qint64 number = 0;
    QString words;
};

Block blockOf(const QString &row, const QString &symbol)
{
    const QRegularExpression shape(
        QStringLiteral("^[ \\t]*(/?)[ \\t]*(?:%1(-?\\d+)[ \\t]*)?(.*?) *$")
            .arg(QRegularExpression::escape(symbol)));
    const QRegularExpressionMatch m = shape.match(row);
    return {m.hasCaptured(2), m.captured(2).toLongLong(), m.captured(1) + m.captured(3)};
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

} // namespace

class TstProgramText : public QObject {
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

        row("renumbering", {"G00 X1", "/G01", "O1000", "(COMMENT)", "N5 X2"}, 8, "N", 10, 10, false,
            {"N10 G00 X1", "/N20 G01", "O1000", "(COMMENT)", "N30 X2"});
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
        QTest::newRow("lines without a backslash pass trimmed, with CR LF")
            << QByteArray("  {\\rtf1\\ansi   \n{\\colortbl ;}\r\n\\pard\\f0 G00\n  }  ") << 7
            << QByteArray("{\\rtf1\\ansi\r\n{\\colortbl ;}\r\n\\pard\\f0 G00\r\n}\r\n");
        QTest::newRow("no empty line after a final line feed")
            << kHeader + "\\pard\\f0 G00\r\n\\par }\r\n"
            << 0 << kHeader + "\\pard\\f0 G00\r\n\\par }\r\n";
        QTest::newRow("escape cut short at the end of a content")
            << kHeader + "\\pard\\f0 X10\\'a\r\n\\par X20\\'\r\n\\par }\r\n"
            << 1 << kHeader + "\\pard\\f0 X10\r\n\\par X20\r\n\\par }\r\n";
        QTest::newRow("escapes removed from the start afresh")
            << kHeader + "\\pard\\f0 \\'e9X\\'e9\\'e91 \\'e9\r\n\\par }\r\n"
            << 1 << kHeader + "\\pard\\f0 X1\r\n\\par }\r\n";
        QTest::newRow("empty rows stay as they are when not numbered")
            << kHeader + "\\pard\\f0\\fs20\r\n\\par\r\n\\par }\r\n"
            << 8 << kHeader + "\\pard\\f0\\fs20\r\n\\par\r\n\\par }\r\n";
        const QByteArray formatted = kHeader + "\\pard\\f0 N10\\tab G0\r\n\\par N20 \\b T1 M6\r\n"
                                               "\\par\\b N40\\b0  M30\r\n\\par }\r\n";
        QTest::newRow("format words and TABs after a number, numbered")
            << formatted << 8
            << kHeader + "\\pard\\f0 N10\\tab G0\r\n\\par N20 \\b T1 M6\r\n"
                         "\\par\\b N30 \\b0 M30\r\n\\par }\r\n";
        QTest::newRow("format words and TABs after a number, cleaned")
            << formatted << 2
            << kHeader + "\\pard\\f0 G0\r\n\\par \\b T1 M6\r\n\\par\\b \\b0 M30\r\n\\par }\r\n";
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
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const RichText program = decodeProgramFile(file.readAll()).content;
        const QString before = program.plainText();
        // A program without capitals is numbered with a small n.
        const QString symbol =
            before.contains(QRegularExpression(QStringLiteral("[A-Z]"))) ? "N" : "n";
        const QByteArray rtf =
            RewriteLines(writeRtf(program), quint8(options), symbol, 10, 10, numberEmpty);
        const QString after = readRtf(rtf).plainText();
        // The final line end stays as it was; it is no row of the program.
        QCOMPARE(after.endsWith(QLatin1Char('\n')), before.endsWith(QLatin1Char('\n')));
        L in = before.split(QLatin1Char('\n'));
        L out = after.split(QLatin1Char('\n'));
        if (before.endsWith(QLatin1Char('\n'))) {
            in.removeLast();
            out.removeLast();
        }
        if (options != rwRenumber) {
            // Every row keeps its place and its text, less what is outside ASCII and the blanks
            // around; rows left empty go.
            L kept;
            for (QString row : std::as_const(in)) {
                row.remove(QRegularExpression(QStringLiteral("[^\\x00-\\x7f]")));
                row = row.remove(QRegularExpression(QStringLiteral("^ +| +$")));
                if (!row.isEmpty())
                    kept << row;
            }
            QCOMPARE(out, kept);
            return;
        }
        QCOMPARE(out.size(), in.size()); // no row merged, split, added or dropped
        qint64 next = 10;
        for (qsizetype i = 0; i < in.size(); ++i) {
            const Block was = blockOf(in[i], symbol);
            const Block is = blockOf(out[i], symbol);
            QCOMPARE(is.words, was.words); // comments, "%" rows, O-words: every word as it was
            QVERIFY2(is.numbered || !was.numbered, qPrintable(out[i]));        // no number lost
            QVERIFY2(!blockOf(is.words, symbol).numbered, qPrintable(out[i])); // none doubled
            if (is.numbered) {
                QCOMPARE(is.number, next);
                next += 10;
            }
        }
        // Numbering twice gives what once gives.
        QCOMPARE(RewriteLines(rtf, rwRenumber, symbol, 10, 10, numberEmpty), rtf);
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
    }

    void moves()
    {
        QFETCH(QString, program);
        QFETCH(bool, lathe);
        QFETCH(QString, segments);
        QFETCH(QString, unknown);
        const Toolpath path = ToolpathInterpreter::interpret(program, lathe);
        QCOMPARE(summary(path), segments);
        QStringList words;
        for (const ToolpathWord &w : path.unknown)
            words << QString::number(w.line + 1) + ':' + w.word;
        QCOMPARE(words.join(' '), unknown);
        // Read in slices of any size, the program gives the same path.
        ToolpathInterpreter sliced(lathe);
        for (qsizetype at = 0; at < program.size();)
            at = sliced.addLines(program, at, 1);
        QCOMPARE(summary(sliced.path()), summary(path));
    }
};

QTEST_GUILESS_MAIN(TstProgramText)
#include "tst_programtext.moc"
