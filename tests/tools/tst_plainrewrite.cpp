// SPDX-License-Identifier: GPL-3.0-or-later
// Clean and Numbering over a plain program in a LineBuffer, where bytes and line ends matter:
// the same program text and report as the line rewriter gives over the rich text, every line
// keeping its own end, and one Undo step that gives the bytes back. The rules themselves run
// through both rewrites on the rows of tst_tools (programText, referencesFollowTheirBlocks).
#include "common/CodePage.h"
#include "editor/LineBuffer.h"
#include "editor/RichText.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/PlainRewrite.h"
#include "tools/RewriteLines.h"

#include <QtTest>

using namespace kordavel;

namespace {

using L = QList<QByteArray>;

QByteArray lines(const L &rows, const QByteArray &end = "\r\n")
{
    QByteArray out;
    for (const QByteArray &row : rows)
        out += row + end;
    return out;
}

// The text with every line end as '\n', and the ends as letters: c CR LF, l LF, r CR.
QString textOf(const QByteArray &bytes, QByteArray *ends = nullptr)
{
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
            text += '\n';
            if (ends)
                *ends += 'c';
        } else if (c == '\r' || c == '\n') {
            text += '\n';
            if (ends)
                *ends += c == '\r' ? 'r' : 'l';
        } else {
            text += c;
        }
    }
    return decodeBytes(text);
}

QString reportOf(const RewriteReport &r)
{
    const auto list = [](const QList<qsizetype> &l) {
        QStringList s;
        for (qsizetype n : l)
            s << QString::number(n);
        return s.join(QLatin1Char(','));
    };
    return QStringLiteral("numbered %1 followed %2 nowhere [%3] ambiguous [%4] kept %5")
        .arg(r.numbered)
        .arg(r.followed)
        .arg(list(r.nowhere), list(r.ambiguous))
        .arg(r.kept);
}

const L kLathe{"%",
               "O0001 (SHAFT)",
               "N10 G21 G40 G99",
               "N11 G50 S2500",
               "N12 T0101 M08",
               "N13 G96 S200 M03",
               "N14 G00 X52. Z2.",
               "N15 G71 U2. R0.5",
               "N16 G71 P90 Q200 U0.4 W0.1 F0.25",
               "N90 G00 X18.",
               "G01 Z-20. F0.1",
               "X30. Z-35.",
               "",
               "N200 X52.",
               "N17 G70 P90 Q200",
               "N18 G00 X100. Z100. M09",
               "M30",
               "%"};

const L kMill{"%",
              "O2000 (POCKET)",
              "(T1 D10 END MILL)",
              "N1\tG17 G21 G40 G49 G80 G90",
              "  T1 M06",
              "G54 G00 X0 Y0 S3000 M03",
              "/M08",
              "/ N5 G43 H01 Z5.",
              "",
              "G04 P500",
              "M98 P2001 L3",
              "M97 P400",
              "G00 Z50.   ",
              "M30",
              "N400 G91 G01 Z-1. F200",
              "M99 P5",
              "%"};

} // namespace

class TstPlainRewrite : public QObject {
    Q_OBJECT

private slots:
    void sameAsRichText_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("numberEmpty");
        QTest::addColumn<QByteArray>("ends"); // of the result; none: as the input's
        const auto row = [](const char *name, const QByteArray &in, int options, const char *symbol,
                            int start, int step, bool numberEmpty, const QByteArray &ends = {}) {
            QTest::newRow(name) << in << options << QString::fromLatin1(symbol) << start << step
                                << numberEmpty << ends;
        };
        const int clean = rwBadSymbols | rwNumbering | rwEmptyRows;
        const int renumber = rwRenumber;

        row("lathe, LF, no final line end", lines(kLathe, "\n").chopped(1), renumber, "N", 1, 1,
            false);
        row("cleaned: an unusable character inside a named number",
            lines({"O1",
                   "N10 G71 P9\xb0"
                   "0 Q95",
                   "N9\xe9"
                   "0 X1.",
                   "N95 Z-1.", "N96 M30"}),
            clean, "N", 0, 0, true);
        row("unusable symbols",
            "X10\xe9 Y\x1a"
            "2\x7f\r\n \xb0\t Z3 \r\n\x81\x82\r\n",
            clean, "N", 0, 0, true, "cc");
        row("mixed line ends kept per line", "N1 G00\r\nN2 G01\n\nN3 G02\r\r\nM30\n", renumber, "N",
            10, 10, false);
        row("mixed line ends, empty rows dropped with their ends",
            "G00\r\n\n  \r\nG01\rG02\n \r\nM30", clean, "N", 0, 0, true, "crl");
        row("empty rows before a final line end", "G00\n\r\n\r\n", clean, "N", 0, 0, true, "l");
        row("only empty rows: the final line end stays", "\r\n \n\r\n", clean, "N", 0, 0, true,
            "c");
        row("only an empty last row", "  ", clean, "N", 0, 0, true);
        row("empty program numbered", "", renumber, "N", 10, 10, true);
        row("final line end is no row", "G00\r\n", renumber, "N", 10, 10, true);
        row("trailing blanks go, nothing else asked", "G00   \r\n  G01\r\n", 0, "N", 0, 0, false);
        L big;
        for (int i = 0; i < 3000; ++i) {
            if (i % 500 == 10)
                big << "N" + QByteArray::number(i) + " G71 P" + QByteArray::number(i + 100) + " Q" +
                           QByteArray::number(i + 400) + " U0.2";
            else if (i % 700 == 3)
                big << "GOTO " + QByteArray::number(i + 17);
            else
                big << "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 97);
        }
        row("3000 rows, references forward", lines(big), renumber, "N", 1, 1, false);
    }

    // The plain rewrite gives the program text and the report of the rich-text one.
    void sameAsRichText()
    {
        QFETCH(QByteArray, in);
        QFETCH(int, options);
        QFETCH(QString, symbol);
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(bool, numberEmpty);
        QFETCH(QByteArray, ends);

        RichText rich;
        rich.append(textOf(in), defaultCharFormat());
        const QByteArray rtf = writeRtf(rich);
        RewriteReport rtfReport;
        const QByteArray rtfOut =
            RewriteLines(rtf, quint8(options), symbol, start, step, numberEmpty, &rtfReport);

        LineBuffer buffer;
        QVERIFY(buffer.setBytes(in));
        const RewriteReport counted =
            rewriteBufferReport(buffer, quint8(options), symbol, start, step, numberEmpty);
        RewriteReport report;
        const bool changed =
            rewriteBuffer(buffer, quint8(options), symbol, start, step, numberEmpty, &report);
        const QByteArray out = buffer.toBytes();

        QByteArray outEnds;
        QCOMPARE(textOf(out, &outEnds), readRtf(rtfOut).plainText());
        QCOMPARE(reportOf(report), reportOf(rtfReport));
        QCOMPARE(reportOf(counted), reportOf(rtfReport));
        QCOMPARE(changed, rtfOut != rtf);
        QCOMPARE(changed, out != in);
        if (ends.isEmpty())
            textOf(in, &ends);
        QCOMPARE(outEnds, ends);

        // One Undo step gives the bytes back; nothing changed, no step.
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
        QVERIFY(lathe.setBytes(lines(kLathe)));
        PlainRewrite numbering(rwRenumber, QStringLiteral("N"), 100, 5, false);
        QVERIFY(numbering.prepare(lathe));
        QVERIFY(lathe.rewriteLines(numbering.lineRewrite()));
        QCOMPARE(lathe.lineBytes(8), QByteArray("N130 G71 P135 Q150 U0.4 W0.1 F0.25"));
        QCOMPARE(lathe.lineBytes(14), QByteArray("N155 G70 P135 Q150"));
        QCOMPARE(numbering.report().followed, 4);
        QCOMPARE(numbering.report().numbered, 14);

        LineBuffer mill;
        QVERIFY(mill.setBytes(lines(kMill, "\n")));
        PlainRewrite again(rwRenumber, QStringLiteral("N"), 10, 10, false);
        QVERIFY(again.prepare(mill));
        QVERIFY(mill.rewriteLines(again.lineRewrite()));
        QCOMPARE(mill.lineBytes(3), QByteArray("N10\tG17 G21 G40 G49 G80 G90"));
        QCOMPARE(mill.lineBytes(7), QByteArray("/N50 G43 H01 Z5."));
        QCOMPARE(mill.lineBytes(11), QByteArray("N80 M97 P110"));
        QCOMPARE(mill.lineBytes(15), QByteArray("N120 M99 P50"));
    }
};

QTEST_GUILESS_MAIN(TstPlainRewrite)
#include "tst_plainrewrite.moc"
