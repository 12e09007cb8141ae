// RTF program files: the writer's line structure, reading both writer styles, round trips.
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"

#include <QFile>
#include <QtTest>

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

// Paragraph marks carry no formatting of their own in a program: each takes the format of the
// character before it (of the first character for leading marks) before comparing.
RichText withNeutralMarks(const RichText &rt)
{
    const CharFormat *last = nullptr;
    for (const TextRun &r : rt.runs)
        if (!r.text.isEmpty() && r.text != QString(r.text.size(), QLatin1Char('\n'))) {
            last = &r.format;
            break;
        }
    RichText out;
    for (const TextRun &r : rt.runs) {
        for (QChar ch : r.text) {
            if (ch != QLatin1Char('\n'))
                last = &r.format;
            out.append(QString(ch), last ? *last : r.format);
        }
    }
    return out;
}

QString dump(const RichText &text)
{
    const RichText rt = withNeutralMarks(text);
    QStringList out;
    for (const TextRun &r : rt.runs)
        out << QStringLiteral("[%1|%2 %3 b%4i%5u%6s%7 c%8]")
                   .arg(r.text, r.format.fontName)
                   .arg(r.format.pointSize)
                   .arg(r.format.bold)
                   .arg(r.format.italic)
                   .arg(r.format.underline)
                   .arg(r.format.strike)
                   .arg(r.format.color ? QString::number(*r.format.color, 16) : QStringLiteral("auto"));
    return out.join(QLatin1Char(' '));
}

} // namespace

class TstRtf : public QObject {
    Q_OBJECT
private slots:
    void writerLineStructure_data();
    void writerLineStructure();
    void linesSplitIntoPrefixAndContent();
    void classicFixture();
    void newerFixture();
    void finalParagraphMark_data();
    void finalParagraphMark();
    void roundTrip_data();
    void roundTrip();
    void saveCycleIsStable_data();
    void saveCycleIsStable();
    void codePages_data();
    void codePages();
};

void TstRtf::writerLineStructure_data()
{
    QTest::addColumn<RichText>("text");
    QTest::addColumn<QByteArray>("body"); // everything after the two header lines

    QTest::newRow("two lines") << plain("G01 X10\nM30")
                               << QByteArray("\\pard\\f0\\fs20 G01 X10\r\n\\par M30\r\n\\par }\r\n");
    QTest::newRow("empty") << RichText() << QByteArray("\\pard\\f0\\fs20\r\n\\par }\r\n");
    QTest::newRow("empty rows") << plain("\nG00\n\n")
                                << QByteArray("\\pard\\f0\\fs20\r\n\\par G00\r\n\\par\r\n\\par\r\n\\par }\r\n");
    QTest::newRow("escapes") << plain("(A\\B{C}\tD)")
                             << QByteArray("\\pard\\f0\\fs20 (A\\\\B\\{C\\}\\tab D)\r\n\\par }\r\n");
    QTest::newRow("non-ascii") << plain(QString::fromUtf8("X\xc3\xa9\xe2\x82\xac\xd0\x96\xf0\x9f\x94\xa7"))
                               << QByteArray("\\pard\\f0\\fs20 X\\'e9\\'80\\u1046?\\u-10179?\\u-8921?\r\n\\par }\r\n");

    RichText formatted;
    formatted.append("G01 ", fmt());
    formatted.append("X10", fmt(true));
    formatted.append("\n", fmt(true));
    formatted.append("N20", fmt(true));
    formatted.append(" M30", fmt(false, true, true, true));
    QTest::newRow("formatting in place and at a line start")
        << formatted
        << QByteArray("\\pard\\f0\\fs20 G01 \\b X10\r\n"
                      "\\par N20\\b0\\i\\ul\\strike  M30\r\n\\par }\r\n");

    RichText startBold;
    startBold.append("N10\nN20", fmt(true));
    startBold.append("\nN30", fmt());
    QTest::newRow("bold first line, plain third")
        << startBold << QByteArray("\\pard\\f0\\fs20\\b N10\r\n\\par N20\r\n\\par\\b0 N30\r\n\\par }\r\n");
}

void TstRtf::writerLineStructure()
{
    QFETCH(RichText, text);
    QFETCH(QByteArray, body);
    const QByteArray rtf = writeRtf(text);
    const QList<QByteArray> lines = rtf.split('\n');
    QVERIFY2(lines.size() >= 3, rtf.constData());
    QVERIFY(lines[0].startsWith("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}"));
    QVERIFY(lines[1].startsWith("{\\colortbl ;"));
    const qsizetype headerEnd = rtf.indexOf('\n', rtf.indexOf('\n') + 1) + 1;
    QCOMPARE(rtf.mid(headerEnd), body);
}

// The program tools cut every body line at its first blank into control words and program
// text; the words must never swallow text and the text must start at the line's first block.
void TstRtf::linesSplitIntoPrefixAndContent()
{
    RichText rt;
    rt.append("N10 G00 X1\n", fmt(true));
    rt.append("/N20 X1\n", fmt());
    rt.append("N30", fmt(false, true));
    CharFormat red = fmt();
    red.color = 0xFF0000;
    red.fontName = QStringLiteral("Arial");
    red.pointSize = 12;
    rt.append(" X2\n\nN40\n", red);
    const QList<QByteArray> lines = writeRtf(rt).split('\n');
    QStringList contents;
    for (qsizetype i = 2; i < lines.size() - 2; ++i) {
        QByteArray line = lines[i].trimmed();
        QVERIFY2(line.startsWith(i == 2 ? "\\pard" : "\\par"), line.constData());
        const qsizetype blank = line.indexOf(' ');
        contents << QString::fromLatin1(blank < 0 ? QByteArray() : line.mid(blank + 1));
    }
    QCOMPARE(contents, (QStringList{"N10 G00 X1", "/N20 X1", "N30\\f1\\fs24\\cf1\\i0  X2", "", "N40", ""}));
    QCOMPARE(lines.last(), QByteArray());
    QCOMPARE(lines[lines.size() - 2], QByteArray("\\par }\r"));
}

void TstRtf::classicFixture()
{
    const RichText rt = readRtf(fixture("classic.rtf"));
    QCOMPARE(rt.plainText(), QString::fromUtf8("%\nO1000 (SHAFT \xc3\x84\xc3\x96)\nN10 G00 X0 Y0\n"
                                               "N20 G01 X10.5 F200\nN30 M03 S1200\n\n"
                                               "N40 G02 X20 R5\nN50 M30\n%"));
    for (const TextRun &run : rt.runs) {
        QCOMPARE(run.format.fontName, QStringLiteral("Courier New"));
        QCOMPARE(run.format.pointSize, 10.0);
    }
    const QString d = dump(rt);
    QVERIFY2(d.contains("[N20 G01|Courier New 10 b1i0u0s0 cauto]"), qPrintable(d));
    QVERIFY2(d.contains("[N30 M03 S1200\n\n|Courier New 10 b0i0u0s0 cff0000]"), qPrintable(d));
    QVERIFY2(d.contains("[N40|Courier New 10 b0i1u1s0 cauto]"), qPrintable(d));
    QVERIFY2(d.contains("[N50 M30\n|Courier New 10 b0i0u0s1 cauto]"), qPrintable(d));
}

void TstRtf::newerFixture()
{
    const RichText rt = readRtf(fixture("newer.rtf"));
    QCOMPARE(rt.plainText(), QString::fromUtf8("%\nO2000 (FLANGE \xe2\x82\xac)\nN10 G90 G54\nN20 T1 M06\n"
                                               "N30 G00 X-5.5\tY7\n\n"
                                               "\xd0\x9f\xd0\xa0\xd0\x9e\xd0\x91\xd0\x90\nN40 M30\n%"));
    const QString d = dump(rt);
    QVERIFY2(d.contains("[N20|Courier New 10 b1i0u0s0 cauto]"), qPrintable(d));
    QVERIFY2(d.contains("[N30|Courier New 10 b0i0u0s0 cff]"), qPrintable(d));
    QVERIFY2(d.contains("|Arial 10 b0"), qPrintable(d));
}

void TstRtf::finalParagraphMark_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("classic") << QByteArray("{\\rtf1 A\r\n\\par B\r\n\\par }") << "A\nB";
    QTest::newRow("classic, empty last row") << QByteArray("{\\rtf1 A\r\n\\par\r\n\\par }") << "A\n";
    QTest::newRow("newer") << QByteArray("{\\rtf1 A\\par\r\nB\\par\r\n}\r\n\0", 24) << "A\nB";
    QTest::newRow("no mark") << QByteArray("{\\rtf1 A\\par B}") << "A\nB";
    QTest::newRow("only a mark") << QByteArray("{\\rtf1\\pard\\par}") << "";
    QTest::newRow("mark in a closed group") << QByteArray("{\\rtf1 A{\\b B\\par}}") << "AB";
    QTest::newRow("backslash newline is a mark") << QByteArray("{\\rtf1 A\\\nB}") << "A\nB";
    QTest::newRow("line is a paragraph") << QByteArray("{\\rtf1 A\\line B}") << "A\nB";
}

void TstRtf::finalParagraphMark()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(readRtf(rtf).plainText(), text);
}

void TstRtf::roundTrip_data()
{
    QTest::addColumn<RichText>("text");
    QTest::newRow("plain") << plain("%\nO1000\nN10 G00 X0\nM30\n%");
    QTest::newRow("empty rows everywhere") << plain("\n\nG00\n\n\n");
    QTest::newRow("single empty row") << plain("\n");
    QTest::newRow("leading and trailing blanks") << plain("  G00  \n \n\t X1\t");
    QTest::newRow("special characters") << plain("\\{}\\'e9 \\par ;?");
    QTest::newRow("non-ascii") << plain(QString::fromUtf8("\xc3\xa4\xc3\x9f\xe2\x82\xac \xd0\x96\xd0\xb0 \xe4\xb8\xad \xf0\x9f\x94\xa7 \xc2\xa0"));
    QTest::newRow("control characters") << plain(QString::fromLatin1("A\x01\x1f\x7f" "B"));
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
    RichText fonts;
    CharFormat arial = fmt();
    arial.fontName = QStringLiteral("Arial");
    arial.pointSize = 14.5;
    CharFormat blue = fmt(true);
    blue.color = 0x0000FF;
    CharFormat black = fmt();
    black.color = 0x000000;
    fonts.append("G00 ", fmt());
    fonts.append("X1 ", arial);
    fonts.append("Y2\n", blue);
    fonts.append("Z3", black);
    fonts.append(QString::fromUtf8("\xd0\x96"), arial);
    QTest::newRow("fonts sizes colours") << fonts;
}

void TstRtf::roundTrip()
{
    QFETCH(RichText, text);
    const RichText back = readRtf(writeRtf(text));
    QCOMPARE(dump(back), dump(text));
}

void TstRtf::saveCycleIsStable_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("classic fixture") << fixture("classic.rtf");
    QTest::newRow("newer fixture") << fixture("newer.rtf");
    QTest::newRow("ours") << writeRtf(plain("G00\n\nM30\n"));
}

void TstRtf::saveCycleIsStable()
{
    QFETCH(QByteArray, rtf);
    const QByteArray once = writeRtf(readRtf(rtf));
    QByteArray again = once;
    for (int i = 0; i < 5; ++i)
        again = writeRtf(readRtf(again));
    QCOMPARE(again, once);
    QCOMPARE(readRtf(once).plainText(), readRtf(rtf).plainText());
}

void TstRtf::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("1252 by default") << QByteArray("{\\rtf1 \\'e9\\'80\\'9f}") << QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xc5\xb8");
    QTest::newRow("ansicpg1251") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e0}") << QString::fromUtf8("\xd0\x90\xd0\xb0");
    QTest::newRow("fcharset204 font") << QByteArray("{\\rtf1{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\f1\\'c0\\f0\\'c0}")
                                      << QString::fromUtf8("\xd0\x90\xc3\x80");
    QTest::newRow("uc2 skips two") << QByteArray("{\\rtf1\\uc2 \\u1046\\'3f\\'3fX}") << QString::fromUtf8("\xd0\x96X");
    QTest::newRow("uc0 skips none") << QByteArray("{\\rtf1\\uc0 \\u1046 X}") << QString::fromUtf8("\xd0\x96X");
    QTest::newRow("surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8921?}") << QString::fromUtf8("\xf0\x9f\x94\xa7");
    QTest::newRow("lone surrogate dropped") << QByteArray("{\\rtf1 A\\u-10179?B}") << "AB";
    QTest::newRow("raw 8-bit bytes") << QByteArray("{\\rtf1 \xe9}") << QString::fromUtf8("\xc3\xa9");
    QTest::newRow("bin skips raw bytes") << QByteArray("{\\rtf1 A{\\bin3 }}}B}") << "AB";
    QTest::newRow("ignorable destinations") << QByteArray("{\\rtf1{\\info{\\title T}}{\\*\\x y}{\\stylesheet{s;}}A{\\header H}{\\footer F}}") << "A";
}

void TstRtf::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(readRtf(rtf).plainText(), text);
}

QTEST_GUILESS_MAIN(TstRtf)
#include "tst_rtf.moc"
