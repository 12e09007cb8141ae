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

// One entry per run. Paragraph marks carry no formatting of their own in a program: each
// takes the format of the character before it (of the first character for leading marks).
QStringList dump(const RichText &text)
{
    const CharFormat *last = nullptr;
    for (const TextRun &r : text.runs)
        if (!r.text.isEmpty() && r.text != QString(r.text.size(), QLatin1Char('\n'))) {
            last = &r.format;
            break;
        }
    RichText rt;
    for (const TextRun &r : text.runs) {
        for (QChar ch : r.text) {
            if (ch != QLatin1Char('\n'))
                last = &r.format;
            rt.append(QString(ch), last ? *last : r.format);
        }
    }
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

} // namespace

class TstRtf : public QObject {
    Q_OBJECT
private slots:
    void writer_data();
    void writer();
    void saveCycleIsStable_data();
    void saveCycleIsStable();
};

// What is written reads back as the same text in the same formats. The program tools cut
// every body line at its first blank into control words and program text: the words must
// never swallow text, the text must start at the line's first block.
void TstRtf::writer_data()
{
    QTest::addColumn<RichText>("text");
    QTest::addColumn<QByteArray>("body"); // everything after the two header lines; null: any
    const auto row = [](const char *name, const RichText &text, const char *body = nullptr) {
        QTest::newRow(name) << text << QByteArray(body);
    };

    row("two lines", plain("G01 X10\nM30"), "\\pard\\f0\\fs20 G01 X10\r\n\\par M30\r\n\\par }\r\n");
    row("empty", RichText(), "\\pard\\f0\\fs20\r\n\\par }\r\n");
    row("empty rows", plain("\nG00\n\n"),
        "\\pard\\f0\\fs20\r\n\\par G00\r\n\\par\r\n\\par\r\n\\par }\r\n");
    row("escapes", plain("(A\\B{C}\tD)"), "\\pard\\f0\\fs20 (A\\\\B\\{C\\}\\tab D)\r\n\\par }\r\n");
    row("non-ascii", plain(QString::fromUtf8("X\xc3\xa9\xe2\x82\xac\xd0\x96\xf0\x9f\x94\xa7")),
        "\\pard\\f0\\fs20 X\\'e9\\'80\\u1046?\\u-10179?\\u-8921?\r\n\\par }\r\n");

    RichText formatted;
    formatted.append("G01 ", fmt());
    formatted.append("X10\nN20", fmt(true));
    formatted.append(" M30", fmt(false, true, true, true));
    row("formatting in place and at a line start", formatted,
        "\\pard\\f0\\fs20 G01 \\b X10\r\n\\par N20\\b0\\i\\ul\\strike  M30\r\n\\par }\r\n");

    RichText startBold;
    startBold.append("N10\nN20", fmt(true));
    startBold.append("\nN30", fmt());
    row("bold first line, plain third", startBold,
        "\\pard\\f0\\fs20\\b N10\r\n\\par N20\r\n\\par\\b0 N30\r\n\\par }\r\n");

    RichText fonts;
    fonts.append("N10 G00 X1\n", fmt(true));
    fonts.append("/N20 X1\n", fmt());
    fonts.append("N30", fmt(false, true));
    CharFormat red = fmt();
    red.color = 0xFF0000;
    red.fontName = QStringLiteral("Arial");
    red.pointSize = 12;
    fonts.append(" X2\n\nN40\n", red);
    row("font, size and colour", fonts,
        "\\pard\\f0\\fs20\\b N10 G00 X1\r\n\\par\\b0 /N20 X1\r\n"
        "\\par\\i N30\\f1\\fs24\\cf1\\i0  X2\r\n\\par\r\n\\par N40\r\n\\par\r\n\\par }\r\n");

    // Round trips only.
    row("program", plain("%\nO1000\nN10 G00 X0\nM30\n%"));
    row("empty rows everywhere", plain("\n\nG00\n\n\n"));
    row("single empty row", plain("\n"));
    row("leading and trailing blanks", plain("  G00  \n \n\t X1\t"));
    row("special characters", plain("\\{}\\'e9 \\par ;?"));
    row("more non-ascii", plain(QString::fromUtf8("\xc3\xa4\xc3\x9f\xe2\x82\xac \xd0\x96\xd0\xb0 "
                                                  "\xe4\xb8\xad \xf0\x9f\x94\xa7 \xc2\xa0")));
    row("control characters", plain(QString::fromLatin1("A\x01\x1f\x7f"
                                                        "B")));
    for (int mask = 1; mask < 16; ++mask) {
        RichText rt;
        const CharFormat f = fmt(mask & 1, mask & 2, mask & 4, mask & 8);
        rt.append("N10 ", fmt());
        rt.append("G01", f);
        rt.append(" X5\n", fmt());
        rt.append("N20", f);
        rt.append("\n\n", fmt());
        rt.append("N30 Y5", f);
        QTest::addRow("flags %d", mask) << rt << QByteArray();
    }
    CharFormat arial = fmt();
    arial.fontName = QStringLiteral("Arial");
    arial.pointSize = 14.5;
    CharFormat blue = fmt(true);
    blue.color = 0x0000FF;
    CharFormat black = fmt();
    black.color = 0x000000;
    RichText mixed;
    mixed.append("G00 ", fmt());
    mixed.append("X1 ", arial);
    mixed.append("Y2\n", blue);
    mixed.append("Z3", black);
    mixed.append(QString::fromUtf8("\xd0\x96"), arial);
    row("fonts sizes colours", mixed);
}

void TstRtf::writer()
{
    QFETCH(RichText, text);
    QFETCH(QByteArray, body);
    const QByteArray rtf = writeRtf(text);
    QCOMPARE(dump(readRtf(rtf)), dump(text));
    if (body.isNull())
        return;
    const QList<QByteArray> lines = rtf.split('\n');
    QVERIFY2(lines.size() >= 3, rtf.constData());
    QVERIFY(
        lines[0].startsWith("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}"));
    QVERIFY(lines[1].startsWith("{\\colortbl ;"));
    QCOMPARE(rtf.mid(lines[0].size() + lines[1].size() + 2), body);
}

// Files of both writer styles read as they are meant; what is saved of them reads the same
// and is saved again byte for byte.
void TstRtf::saveCycleIsStable_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("runs");
    QTest::newRow("classic fixture")
        << fixture("classic.rtf")
        << QStringList{
               "[%\nO1000 (SHAFT \xc3\x84\xc3\x96)\nN10 G00 X0 Y0\n|Courier New 10 b0i0u0s0 cauto]",
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

void TstRtf::saveCycleIsStable()
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

QTEST_GUILESS_MAIN(TstRtf)
#include "tst_rtf.moc"
