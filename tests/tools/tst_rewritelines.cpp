// The line rewriter behind Clean and Numbering, on rich text as the editor writes it:
// every documented example as a row, the open points, and the faults it must not make
// (broken RTF, lost lines, lost formatting).
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/RewriteLines.h"

#include <QtTest>

#include <limits>

using namespace kordavel;

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
    void numberingTwice_data();
    void numberingTwice();
    void emptySymbolLeavesTheTextAsItIs_data();
    void emptySymbolLeavesTheTextAsItIs();
    void droppedRowsKeepTheFormattingOfTheRest();
    void largeProgramKeepsEveryLine();
};

void TstRewriteLines::programText_data()
{
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("numberEmpty");
    QTest::addColumn<QStringList>("out");
    using L = QStringList;
    const QString e = QString(QChar(0xE9));

    // Clean (start 0, step 0, number empty: they take no effect there).
    QTest::newRow("non-ASCII character removed")
        << L{"X10" + e, e + "G00" + e + " X1"} << 1 << "" << 0 << 0 << true << L{"X10", "G00 X1"};
    QTest::newRow("non-ASCII kept without the option")
        << L{"X10" + e} << 6 << "N" << 0 << 0 << true << L{"X10" + e};
    QTest::newRow("typed backslash and apostrophe are program text")
        << L{"X1\\'41", "X2\\'"} << 1 << "" << 0 << 0 << true << L{"X1\\'41", "X2\\'"};
    QTest::newRow("N0010 G00 loses its number")
        << L{"N0010 G00"} << 2 << "N" << 0 << 0 << true << L{"G00"};
    QTest::newRow("small letter keeps its number")
        << L{"n10 G00"} << 2 << "N" << 0 << 0 << true << L{"n10 G00"};
    QTest::newRow("no digit after the letter")
        << L{"NX1"} << 2 << "N" << 0 << 0 << true << L{"NX1"};
    QTest::newRow("skipped block") << L{"/N20 X1"} << 2 << "N" << 0 << 0 << true << L{"/X1"};
    QTest::newRow("blank after the skip") << L{"/ N20"} << 2 << "N" << 0 << 0 << true << L{"/ N20"};
    QTest::newRow("number alone becomes empty")
        << L{"N10", "N10G01 X5"} << 2 << "N" << 0 << 0 << true << L{"", "G01 X5"};
    QTest::newRow("empty rows dropped")
        << L{"G00", "", "", "G01", ""} << 4 << "" << 0 << 0 << true << L{"G00", "G01"};
    QTest::newRow("leading empty rows dropped")
        << L{"", "", "G00", "G01"} << 4 << "" << 0 << 0 << true << L{"G00", "G01"};
    QTest::newRow("rows of a number alone dropped with numbering")
        << L{"N5", "N10 G00", "", "N15", "G01"} << 6 << "N" << 0 << 0 << true << L{"G00", "G01"};
    QTest::newRow("number alone kept without numbering")
        << L{"N5", "G00", ""} << 4 << "N" << 0 << 0 << true << L{"N5", "G00"};
    QTest::newRow("all options") << L{"%", "", "N10 G00" + e, "(" + e + ")", "N20", "/N30 M01"} << 7
                                 << "N" << 0 << 0 << true << L{"%", "G00", "()", "/M01"};
    QTest::newRow("everything empty") << L{"", "N5", ""} << 7 << "N" << 0 << 0 << true << L{""};

    // Numbering.
    QTest::newRow("renumbering") << L{"G00 X1", "/G01", "O1000", "(COMMENT)", "N5 X2"} << 8 << "N"
                                 << 10 << 10 << false
                                 << L{"N10 G00 X1", "/N20 G01", "O1000", "(COMMENT)", "N30 X2"};
    QTest::newRow("defaults, empty row stays")
        << L{"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"} << 8 << "N" << 10 << 10 << false
        << L{"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "", "/N30 M01"};
    QTest::newRow("defaults, empty row numbered")
        << L{"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"} << 8 << "N" << 10 << 10 << true
        << L{"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "N30", "/N40 M01"};
    QTest::newRow("number alone, no empty rows")
        << L{"G00", "N5", "G01"} << 8 << "N" << 10 << 10 << false << L{"N10 G00", "", "N20 G01"};
    QTest::newRow("number alone, empty rows")
        << L{"G00", "N5", "G01"} << 8 << "N" << 10 << 10 << true << L{"N10 G00", " N20", "N30 G01"};
    QTest::newRow("first row empty, numbered")
        << L{"", "G00"} << 8 << "N" << 1 << 1 << true << L{"N1", "N2 G00"};
    QTest::newRow("other first characters consume no number")
        << L{"%", "(A)", "1X", "x1", "#1=2", "G01"} << 8 << "N" << 10 << 10 << false
        << L{"%", "(A)", "1X", "x1", "#1=2", "N10 G01"};
    QTest::newRow("blanks trimmed")
        << L{"   G00  ", "/  G01 "} << 8 << "N" << 10 << 10 << false << L{"N10 G00", "/N20 G01"};
    QTest::newRow("step 0") << L{"G00", "G01", "G02"} << 8 << "N" << 5 << 0 << false
                            << L{"N5 G00", "N5 G01", "N5 G02"};
    QTest::newRow("negative step") << L{"G00", "G01", "G02"} << 8 << "N" << 10 << -10 << false
                                   << L{"N10 G00", "N0 G01", "N-10 G02"};
    QTest::newRow("small letter symbol")
        << L{"N5 G00", "G01"} << 8 << "n" << 10 << 10 << false << L{"n10 N5 G00", "n20 G01"};
    QTest::newRow("first character of the symbol only")
        << L{"N5 G00"} << 8 << "NX" << 1 << 1 << false << L{"N1 G00"};
    QTest::newRow("32-bit range ends the numbering")
        << L{"G00", "G01", "N7 G02", "G03"} << 8 << "N" << std::numeric_limits<qint32>::max() - 5
        << 5 << false << L{"N2147483642 G00", "N2147483647 G01", "N7 G02", "G03"};
    QTest::newRow("32-bit range, counting down")
        << L{"G00", "N7 G01"} << 8 << "N" << std::numeric_limits<qint32>::min() << -1 << true
        << L{"N-2147483648 G00", "N7 G01"};
    QTest::newRow("brace as symbol")
        << L{"G00", "{5 G01"} << 8 << "{" << 10 << 10 << false << L{"{10 G00", "{20 G01"};
    QTest::newRow("backslash as symbol")
        << L{"G00"} << 8 << "\\" << 10 << 10 << true << L{"\\10 G00"};
    QTest::newRow("non-ASCII symbol")
        << L{QString(QChar(0xD1)) + "5 G00", "G01"} << 8 << QString(QChar(0xD1)) << 10 << 10
        << false << L{QString(QChar(0xD1)) + "10 G00", QString(QChar(0xD1)) + "20 G01"};
}

void TstRewriteLines::programText()
{
    QFETCH(QStringList, in);
    QFETCH(int, options);
    QFETCH(QString, symbol);
    QFETCH(int, start);
    QFETCH(int, step);
    QFETCH(bool, numberEmpty);
    QFETCH(QStringList, out);
    const QByteArray rewritten =
        RewriteLines(rtfOf(in), quint8(options), symbol, start, step, numberEmpty);
    QCOMPARE(linesOf(rewritten), out);
    QVERIFY(rewritten.endsWith("}\r\n"));
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
        << QByteArray(kHeader + "\\pard\\f0 G00\r\n\\par }\r\n") << 0
        << QByteArray(kHeader + "\\pard\\f0 G00\r\n\\par }\r\n");
    QTest::newRow("escape cut short at the end of a content")
        << QByteArray(kHeader + "\\pard\\f0 X10\\'a\r\n\\par X20\\'\r\n\\par }\r\n") << 1
        << QByteArray(kHeader + "\\pard\\f0 X10\r\n\\par X20\r\n\\par }\r\n");
    QTest::newRow("escapes removed from the start afresh")
        << QByteArray(kHeader + "\\pard\\f0 \\'e9X\\'e9\\'e91 \\'e9\r\n\\par }\r\n") << 1
        << QByteArray(kHeader + "\\pard\\f0 X1\r\n\\par }\r\n");
    QTest::newRow("empty rows stay as they are when not numbered")
        << QByteArray(kHeader + "\\pard\\f0\\fs20\r\n\\par\r\n\\par }\r\n") << 8
        << QByteArray(kHeader + "\\pard\\f0\\fs20\r\n\\par\r\n\\par }\r\n");
}

void TstRewriteLines::linesAsWritten()
{
    QFETCH(QByteArray, in);
    QFETCH(int, options);
    QFETCH(QByteArray, out);
    QCOMPARE(RewriteLines(in, quint8(options), QStringLiteral("N"), 10, 10, false), out);
}

void TstRewriteLines::numberingTwice_data()
{
    QTest::addColumn<bool>("numberEmpty");
    QTest::addColumn<QStringList>("twice");
    QTest::newRow("without empty rows: as once")
        << false << QStringList{"N10 G00", "", "N20 X1", "N30 M30"};
    QTest::newRow("with empty rows: a blank before the numbers of empty rows")
        << true << QStringList{"N10 G00", " N20", "N30 X1", "N40 M30"};
}

void TstRewriteLines::numberingTwice()
{
    QFETCH(bool, numberEmpty);
    QFETCH(QStringList, twice);
    const QByteArray in = rtfOf({"G00", "", "N5 X1", "M30"});
    const QByteArray once = RewriteLines(in, rwRenumber, QStringLiteral("N"), 10, 10, numberEmpty);
    const QByteArray again =
        RewriteLines(once, rwRenumber, QStringLiteral("N"), 10, 10, numberEmpty);
    if (!numberEmpty)
        QCOMPARE(again, once);
    QCOMPARE(linesOf(again), twice);
}

void TstRewriteLines::emptySymbolLeavesTheTextAsItIs_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("out");
    QTest::newRow("numbering") << 8 << QStringList{"N5 G00 ", "", "G01"};
    QTest::newRow("clean, numbers only") << 2 << QStringList{"N5 G00 ", "", "G01"};
    QTest::newRow("clean, numbers and empty rows") << 6 << QStringList{"N5 G00", "G01"};
}

void TstRewriteLines::emptySymbolLeavesTheTextAsItIs()
{
    QFETCH(int, options);
    QFETCH(QStringList, out);
    const QByteArray in = rtfOf({"N5 G00 ", "", "G01"});
    const QByteArray rewritten = RewriteLines(in, quint8(options), QString(), 10, 10, true);
    QCOMPARE(linesOf(rewritten), out);
    if (options == 8 || options == 2)
        QCOMPARE(rewritten, in);
}

void TstRewriteLines::droppedRowsKeepTheFormattingOfTheRest()
{
    CharFormat big = defaultCharFormat();
    big.pointSize = 14;
    CharFormat bold = big;
    bold.bold = true;
    RichText text;
    text.append(QStringLiteral("\n"), big); // an empty first row
    text.append(QStringLiteral("G00\n"), big);
    text.append(QStringLiteral("N10\nG01\n\nM30"), bold); // the bold starts on a dropped row
    const RichText out = readRtf(RewriteLines(writeRtf(text), 6, QStringLiteral("N"), 0, 0, true));
    QCOMPARE(out.plainText(), QStringLiteral("G00\nG01\nM30"));
    QCOMPARE(out.runs.size(), 2);
    QCOMPARE(out.runs[0].text, QStringLiteral("G00\n"));
    QCOMPARE(out.runs[0].format, big);
    QCOMPARE(out.runs[1].text, QStringLiteral("G01\nM30"));
    QCOMPARE(out.runs[1].format, bold);
}

void TstRewriteLines::largeProgramKeepsEveryLine()
{
    QStringList in;
    QStringList expected;
    for (int i = 0; i < 2000; ++i) {
        in << QStringLiteral("N%1 G01 X%2").arg(i * 5).arg(i);
        expected << QStringLiteral("N%1 G01 X%2").arg(100 + i * 2).arg(i);
    }
    QCOMPARE(linesOf(RewriteLines(rtfOf(in), rwRenumber, QStringLiteral("N"), 100, 2, false)),
             expected);
}

QTEST_GUILESS_MAIN(TstRewriteLines)
#include "tst_rewritelines.moc"
