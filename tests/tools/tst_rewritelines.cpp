// The line rewriter behind Clean and Numbering, on rich text as the editor writes it:
// every documented example as a row, and the faults it must not make (broken RTF, lost
// lines, lost formatting, a text that changes when nothing is to be done).
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/RewriteLines.h"

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

const QByteArray kHeader = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}\r\n"
                           "{\\colortbl ;}\r\n";

} // namespace

class TstRewriteLines : public QObject {
    Q_OBJECT
private slots:
    void programText_data();
    void programText();
    void linesAsWritten_data();
    void linesAsWritten();
    void droppedRowsKeepTheFormattingOfTheRest();
};

void TstRewriteLines::programText_data()
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
    clean("empty rows dropped", {"G00", "", "", "G01", ""}, 4, "", {"G00", "G01"});
    clean("leading empty rows dropped", {"", "", "G00", "G01"}, 4, "", {"G00", "G01"});
    clean("rows of a number alone dropped with numbering", {"N5", "N10 G00", "", "N15", "G01"}, 6,
          "N", {"G00", "G01"});
    clean("number alone kept without numbering", {"N5", "G00", ""}, 4, "N", {"N5", "G00"});
    clean("all options", {"%", "", "N10 G00" + e, "(" + e + ")", "N20", "/N30 M01"}, 7, "N",
          {"%", "G00", "()", "/M01"});
    clean("everything empty", {"", "N5", ""}, 7, "N", {""});
    clean("empty symbol, numbers", {"N5 G00 ", "", "G01"}, 2, "", {"N5 G00 ", "", "G01"});
    clean("empty symbol, numbers and empty rows", {"N5 G00 ", "", "G01"}, 6, "", {"N5 G00", "G01"});

    row("renumbering", {"G00 X1", "/G01", "O1000", "(COMMENT)", "N5 X2"}, 8, "N", 10, 10, false,
        {"N10 G00 X1", "/N20 G01", "O1000", "(COMMENT)", "N30 X2"});
    row("defaults, empty row stays", {"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"}, 8, "N",
        10, 10, false, {"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "", "/N30 M01"});
    row("defaults, empty row numbered", {"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"}, 8,
        "N", 10, 10, true, {"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "N30", "/N40 M01"});
    row("number alone, no empty rows", {"G00", "N5", "G01"}, 8, "N", 10, 10, false,
        {"N10 G00", "", "N20 G01"});
    // Numbering twice with empty rows puts a blank before the numbers of empty rows.
    row("number alone, empty rows", {"G00", "N5", "G01"}, 8, "N", 10, 10, true,
        {"N10 G00", " N20", "N30 G01"});
    row("numbered again, without empty rows: as once", {"N10 G00", "", "N20 X1", "N30 M30"}, 8, "N",
        10, 10, false, {"N10 G00", "", "N20 X1", "N30 M30"});
    row("first row empty, numbered", {"", "G00"}, 8, "N", 1, 1, true, {"N1", "N2 G00"});
    row("other first characters consume no number", {"%", "(A)", "1X", "x1", "#1=2", "G01"}, 8, "N",
        10, 10, false, {"%", "(A)", "1X", "x1", "#1=2", "N10 G01"});
    row("blanks trimmed", {"   G00  ", "/  G01 "}, 8, "N", 10, 10, false, {"N10 G00", "/N20 G01"});
    row("step 0", {"G00", "G01", "G02"}, 8, "N", 5, 0, false, {"N5 G00", "N5 G01", "N5 G02"});
    row("negative step", {"G00", "G01", "G02"}, 8, "N", 10, -10, false,
        {"N10 G00", "N0 G01", "N-10 G02"});
    row("small letter symbol", {"N5 G00", "G01"}, 8, "n", 10, 10, false, {"n10 N5 G00", "n20 G01"});
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

void TstRewriteLines::programText()
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
    // Nothing to do: the text comes back byte for byte.
    if (out == in)
        QCOMPARE(rewritten, given);
}

// Lines exactly as written, for what the plain text cannot show.
void TstRewriteLines::linesAsWritten_data()
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
}

void TstRewriteLines::linesAsWritten()
{
    QFETCH(QByteArray, in);
    QFETCH(int, options);
    QFETCH(QByteArray, out);
    QCOMPARE(RewriteLines(in, quint8(options), QStringLiteral("N"), 10, 10, false), out);
}

void TstRewriteLines::droppedRowsKeepTheFormattingOfTheRest()
{
    CharFormat big = defaultCharFormat();
    big.pointSize = 14;
    CharFormat bold = big;
    bold.bold = true;
    RichText text;
    text.append(QStringLiteral("\nG00\n"), big);          // an empty first row
    text.append(QStringLiteral("N10\nG01\n\nM30"), bold); // the bold starts on a dropped row
    const RichText out = readRtf(RewriteLines(writeRtf(text), 6, QStringLiteral("N"), 0, 0, true));
    QCOMPARE(out.runs.size(), 2);
    QVERIFY(out.runs[0] == (TextRun{QStringLiteral("G00\n"), big}));
    QVERIFY(out.runs[1] == (TextRun{QStringLiteral("G01\nM30"), bold}));
}

QTEST_GUILESS_MAIN(TstRewriteLines)
#include "tst_rewritelines.moc"
