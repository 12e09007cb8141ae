// SPDX-License-Identifier: GPL-3.0-or-later
// RTF program files: what the writer writes reads back as the same text in the same formats,
// files of both writer styles read as meant and save again byte for byte, and the reader
// on any input: hostile or broken RTF, of which it must load what it can without crashing,
// hanging or growing without bound. Inputs found by fuzz/fuzz_rtf_reader are kept as rows.
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"

#include <QFile>
#include <QtTest>

#include <cstdint>

using namespace kordavel;

namespace {

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

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

QByteArray repeated(QByteArrayView piece, qsizetype times)
{
    QByteArray out;
    for (qsizetype i = 0; i < times; ++i)
        out += piece;
    return out;
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

// Written and read again: the same text in the same formats, character by character. Plain
// texts of every kind are written and read back through the editor's files (tst_richtextbox).
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

// `text` null: any text will do. `pointSize` 0: the last run's format is not checked.
void row(const char *name, const QByteArray &input, const QString &text, double pointSize = 0,
         bool bold = false)
{
    QTest::newRow(name) << input << text << pointSize << bold;
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

} // namespace

class TstRtf : public QObject {
    Q_OBJECT
private slots:
    void writtenReadsBack_data()
    {
        QTest::addColumn<RichText>("text");
        const auto row = [](const char *name, const RichText &text) {
            QTest::newRow(name) << text;
        };
        row("leading and trailing blanks", plain("  G00  \n \n\t X1\t"));
        row("escapes", plain("(A\\B{C}\tD) \\{}\\'e9 \\par ;?"));
        for (int mask = 1; mask < 16; ++mask) {
            RichText rt;
            const CharFormat f = fmt(mask & 1, mask & 2, mask & 4, mask & 8);
            rt.append("N10 ", fmt());
            rt.append("G01", f);
            rt.append(" X5\n", fmt());
            rt.append("N20", f);
            rt.append("\n\n", fmt());
            rt.append("N30 Y5", f);
            QTest::addRow("flags %d", mask) << rt;
        }
        RichText startBold;
        startBold.append("N10\nN20", fmt(true));
        startBold.append("\nN30", fmt());
        row("bold first line, plain third", startBold);
        CharFormat arial = fmt();
        arial.fontName = QStringLiteral("Arial");
        arial.pointSize = 14.5;
        CharFormat red = fmt(true);
        red.color = 0xFF0000;
        red.pointSize = 12;
        CharFormat black = fmt();
        black.color = 0x000000;
        RichText mixed;
        mixed.append("G00 ", fmt());
        mixed.append("X1 ", arial);
        mixed.append("Y2\n\nN40\n", red);
        mixed.append("Z3", black);
        mixed.append(QString::fromUtf8("\xd0\x96"), arial);
        row("fonts sizes colours", mixed);
    }

    void writtenReadsBack()
    {
        QFETCH(RichText, text);
        verifyRoundTrip(text);
    }

    // Files of both writer styles read as they are meant; what is saved of them reads the same
    // and is saved again byte for byte.
    void savedFilesAreStable_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("classic fixture")
            << fixture("classic.rtf")
            << QStringList{"[%\nO1000 (SHAFT \xc3\x84\xc3\x96)\nN10 G00 X0 Y0\n|Courier New 10 "
                           "b0i0u0s0 cauto]",
                           "[N20 G01|Courier New 10 b1i0u0s0 cauto]",
                           "[ X10.5 F200\n|Courier New 10 b0i0u0s0 cauto]",
                           "[N30 M03 S1200\n\n|Courier New 10 b0i0u0s0 cff0000]",
                           "[N40|Courier New 10 b0i1u1s0 cauto]",
                           "[ G02 X20 R5\n|Courier New 10 b0i0u0s0 cauto]",
                           "[N50 M30\n|Courier New 10 b0i0u0s1 cauto]",
                           "[%|Courier New 10 b0i0u0s0 cauto]"};
        QTest::newRow("newer fixture")
            << fixture("newer.rtf")
            << QStringList{
                   "[%\nO2000 (FLANGE \xe2\x82\xac)\nN10 G90 G54\n|Courier New 10 b0i0u0s0 cauto]",
                   "[N20|Courier New 10 b1i0u0s0 cauto]",
                   "[ T1 M06\n|Courier New 10 b0i0u0s0 cauto]",
                   "[N30|Courier New 10 b0i0u0s0 cff]",
                   "[ G00 X-5.5\tY7\n\n|Courier New 10 b0i0u0s0 cauto]",
                   "[\xd0\x9f\xd0\xa0\xd0\x9e\xd0\x91\xd0\x90\n|Arial 10 b0i0u0s0 cauto]",
                   "[N40 M30\n%|Courier New 10 b0i0u0s0 cauto]"};
        QTest::newRow("ours") << writeRtf(plain("G00\n\nM30\n"))
                              << QStringList{"[G00\n\nM30\n|Courier New 10 b0i0u0s0 cauto]"};
    }

    void savedFilesAreStable()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, runs);
        QCOMPARE(dump(readRtf(rtf)), runs);
        const QByteArray once = writeRtf(readRtf(rtf));
        QCOMPARE(dump(readRtf(once)), runs);
        QByteArray again = once;
        for (int i = 0; i < 5; ++i)
            again = writeRtf(readRtf(again));
        QCOMPARE(again, once);
    }

    void loadsWhatItCan_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("pointSize"); // of the last run
        QTest::addColumn<bool>("bold");        // of the last run

        const QString any;
        const QString zhe = QString::fromUtf8("\xd0\x96");
        const QByteArray nested = repeated("{", 100000);
        const QByteArray closed = repeated("}", 100000);

        // The final paragraph mark of either writer style makes no empty row.
        row("classic", "{\\rtf1 A\r\n\\par B\r\n\\par }", "A\nB");
        row("classic, empty last row", "{\\rtf1 A\r\n\\par\r\n\\par }", "A\n");
        row("newer", QByteArray("{\\rtf1 A\\par\r\nB\\par\r\n}\r\n\0", 24), "A\nB");
        row("no mark", "{\\rtf1 A\\par B}", "A\nB");
        row("only a mark", "{\\rtf1\\pard\\par}", "");
        row("mark in a closed group", "{\\rtf1 A{\\b B\\par}}", "AB");
        row("backslash newline is a mark", "{\\rtf1 A\\\nB}", "A\nB");
        row("line is a paragraph", "{\\rtf1 A\\line B}", "A\nB");

        // Code pages and Unicode.
        row("1252 by default", "{\\rtf1 \\'e9\\'80\\'9f}",
            QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xc5\xb8"));
        row("ansicpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e0}",
            QString::fromUtf8("\xd0\x90\xd0\xb0"));
        row("fcharset204 font",
            "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\f1\\'c0\\f0\\'c0}",
            QString::fromUtf8("\xd0\x90\xc3\x80"));
        row("uc2 skips two", "{\\rtf1\\uc2 \\u1046\\'3f\\'3fX}", zhe + "X");
        row("uc0 skips none", "{\\rtf1\\uc0 \\u1046 X}", zhe + "X");
        row("surrogate pair", "{\\rtf1 \\u-10179?\\u-8921?}",
            QString::fromUtf8("\xf0\x9f\x94\xa7"));
        row("raw 8-bit bytes", "{\\rtf1 \xe9}", QString::fromUtf8("\xc3\xa9"));
        const auto u = [](std::initializer_list<char16_t> chars) {
            QString out;
            for (char16_t c : chars)
                out += QChar(c);
            return out;
        };
        row("ansicpg1250", "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8}", u({0x160, 0x10D}));
        row("ansicpg1255, a letter that could take a point", "{\\rtf1\\ansicpg1255 \\'e0A}",
            u({0x5D0, 'A'}));
        row("ansicpg874", "{\\rtf1\\ansicpg874 \\'a1}", u({0xE01}));
        row("fcharset161 and 186 fonts",
            "{\\rtf1{\\fonttbl{\\f1\\fcharset161 G;}{\\f2\\fcharset186 B;}}\\f1\\'c3\\f2\\'e0}",
            u({0x393, 0x105}));
        row("two-byte code pages",
            "{\\rtf1\\ansicpg932"
            "{\\fonttbl{\\f1\\fcharset134 C;}{\\f2\\fcharset129 K;}{\\f3\\fcharset136 T;}}"
            "\\'82\\'a0\\'83A\\'95\\\\\\f1\\'c4\\'e3\\f2\\'b0\\'a1\\f3\\'a4\\'a4}",
            u({0x3042, 0x30A2, 0x8868, 0x4F60, 0xAC00, 0x4E2D}));
        row("code page nobody knows reads as 1252", "{\\rtf1\\ansicpg99999 \\'e9}", u({0xE9}));
        row("hidden text is no program text",
            "{\\rtf1 G0{\\v (A)\\par}X1\\v Y\\v0 Z\\v W\\plain V}", "G0X1ZV");
        row("upr: the Unicode part", "{\\rtf1 [{\\upr{G}{\\*\\ud{\\u915?}}}]}",
            u({'[', 0x393, ']'}));
        row("bin skips raw bytes", "{\\rtf1 A{\\bin3 }}}B}", "AB");
        row("ignorable destinations",
            "{\\rtf1{\\info{\\title T}}{\\*\\x y}{\\stylesheet{s;}}A{\\header H}{\\footer F}}",
            "A");

        // Nesting and braces.
        row("100000 nested groups, closed", "{\\rtf1 A" + nested + "B" + closed + "C}", "ABC");
        row("100000 nested groups, never closed", "{\\rtf1 A" + nested + "B", "AB");
        row("1 MB of open braces", QByteArray(1 << 20, '{'), "");
        row("1 MB of close braces", QByteArray(1 << 20, '}'), "");
        row("close braces before the document", "}}}{\\rtf1 A}", "A");
        row("close braces after the document", "{\\rtf1 A}}}B}", "A");
        row("groups left open", "{\\rtf1 A{\\b B{\\i C", "ABC");
        row("ignorable destination left open", "{\\rtf1 A{\\*\\x{", "A");
        row("picture left open", "{\\rtf1 A{\\pict 0102", "A");
        row("font table left open", "{\\rtf1{\\fonttbl{\\f0 Courier", "");
        row("star outside a group", "{\\rtf1\\*A\\par B}", "");
        row("state restored after 100000 levels",
            "{\\rtf1\\fs30 " + nested + "\\b\\fs40 A" + closed + "B}", "AB", 15.0, false);

        // \bin
        row("bin longer than the data", "{\\rtf1 A\\bin999999999999 BCD}", "A");
        row("bin with 30 digits", "{\\rtf1 A\\bin" + QByteArray(30, '9') + " BCD}", "A");
        row("bin negative", "{\\rtf1 A\\bin-5 B}", "AB");
        row("bin at the end", "{\\rtf1 A\\bin", "A");

        // Numbers far out of range.
        row("fs far too big", "{\\rtf1\\fs99999999999999999999 A}", "A", 1638.0);
        row("fs far too small", "{\\rtf1\\fs-99999999999999999999 A}", "A", 1.0);
        row("fs zero", "{\\rtf1\\fs0 A}", "A", 1.0);
        row("fs without a number", "{\\rtf1\\fs30\\fs A}", "A", 12.0);
        row("fs with 100000 digits", "{\\rtf1\\fs" + QByteArray(100000, '9') + " A}", "A");
        row("b far too big", "{\\rtf1\\b99999999999999999999 A}", "A", 12.0, true);
        row("b minus zero", "{\\rtf1\\b\\b-0 A}", "A", 12.0, false);
        row("f at the lowest int", "{\\rtf1\\f-2147483648 A\\f2147483648 B}", "AB");
        row("cf far past the colour table", "{\\rtf1{\\colortbl;\\red1;}\\cf99999999999 A\\cf-7 B}",
            "AB");
        row("u far too big", "{\\rtf1 \\u99999999999999999999?A}", QString(QChar(0xFFFF)) + "A");
        row("u far too small", "{\\rtf1 \\u-99999999999?A}", any);
        row("uc far too big", "{\\rtf1\\uc99999999999 \\u1046 ABCDEFGHIJKLMNOPQRSTUVWXYZ}",
            zhe + "QRSTUVWXYZ");
        row("uc negative", "{\\rtf1\\uc-5 \\u1046 AB}", zhe + "AB");
        row("red far too big", "{\\rtf1{\\colortbl\\red99999999999;}A}", "A");

        // Data that ends inside an escape.
        row("ends after \\u", "{\\rtf1 A\\u", any);
        row("ends after \\u-", "{\\rtf1 A\\u-", any);
        row("ends after \\uN", "{\\rtf1 A\\u1046", "A" + zhe);
        row("ends before the fallback of \\uN", "{\\rtf1\\uc5 A\\u1046?", "A" + zhe);
        row("ends after \\'", "{\\rtf1 A\\'", "A");
        row("ends after \\' and one digit", "{\\rtf1 A\\'4", QString("A") + QChar(4));
        row("ends after a backslash", "{\\rtf1 A\\", "A");
        row("ends inside a control word", "{\\rtf1 A\\pa", "A");
        row("ends after a minus sign", "{\\rtf1 A\\fs-", "A-");
        row("ends after a high surrogate", "{\\rtf1 A\\u-10179?", "A");

        // Odd characters.
        row("NUL bytes", QByteArray("{\\rtf1 A\0B\0\\par\0C}\0", 19), "AB\nC");
        row("hex escape that is not hex", "{\\rtf1 \\'zzA}", "zzA");
        row("lone surrogates", "{\\rtf1 \\u-10179?\\u-10179?A\\u-8921?B}", "AB");
        row("control word of 100000 letters", "{\\rtf1 A\\" + QByteArray(100000, 'x') + " B}",
            "AB");
        row("64 KB of junk in a document", "{\\rtf1 " + junk(65536, 1), any);
        row("8-bit bytes without a document", junk(4096, 3).replace('{', 'x'), "");

        // Many things.
        row("100000 colour table entries",
            "{\\rtf1{\\colortbl" + repeated("\\red1;", 100000) + "}\\cf99999 A}", "A");
        QByteArray fonts = "{\\rtf1{\\fonttbl";
        for (int i = 0; i < 10000; ++i)
            fonts += "{\\f" + QByteArray::number(i) + " F" + QByteArray::number(i) + ";}";
        row("10000 fonts", fonts + "}\\f9999 A}", "A");
        row("font name of 100000 letters",
            "{\\rtf1{\\fonttbl{\\f0 " + QByteArray(100000, 'N') + ";}}A}", "A");
        row("100000 format changes", "{\\rtf1 " + repeated("\\b A\\b0 B", 100000) + "}",
            QString("AB").repeated(100000));
        row("100000 paragraphs", "{\\rtf1 " + repeated("\\par", 100000) + "}",
            QString(99999, QLatin1Char('\n')));

        // Written back, these once read differently.
        row("unicode zero is no character", "{\\rtf1 A\\u0?B}", "AB");
        row("unicode zero, no fallback", "{\\rtf1\\uc0 A\\u0 B}", "AB");
        row("tab inside a font name", "{\\rtf1{\\fonttbl{\\f0 Cou\trier;}}\\f0 G01}", "G01");
        row("control characters inside a font name", "{\\rtf1{\\fonttbl{\\f0 A\x01\x1f B;}}\\f0 X}",
            "X");
        row("bold paragraph mark", "{\\rtf1\\b\\par\\b0 A}", "\nA");

        // Not a document at all.
        row("empty", QByteArray(), "");
        row("only an open brace", "{", "");
        row("only a backslash", "\\", "");
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
};

QTEST_GUILESS_MAIN(TstRtf)
#include "tst_rtf.moc"
