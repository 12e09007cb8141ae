// Hostile and broken RTF: the reader must load what it can without crashing, hanging or
// growing without bound. Inputs found by fuzz/fuzz_rtf_reader are kept here as rows.
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"

#include <QtTest>

#include <cstdint>

using namespace kordavel;

namespace {

QByteArray repeated(QByteArrayView piece, qsizetype times)
{
    QByteArray out;
    out.reserve(piece.size() * times);
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

// What must hold for anything the reader returns, whatever the input.
void verifyInvariants(const RichText &rt, const QByteArray &input)
{
    const QString text = rt.plainText();
    // Every character of text costs at least one byte of input.
    QVERIFY2(text.size() <= input.size(), qPrintable(QString::number(text.size())));
    for (const TextRun &run : rt.runs) {
        QVERIFY(!run.text.isEmpty());
        QVERIFY(!run.format.fontName.isEmpty());
        QVERIFY(run.format.fontName.size() <= 256);
        QVERIFY(run.format.pointSize >= 1.0 && run.format.pointSize <= 1638.0);
    }
    // Surrogates only come as pairs.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            QVERIFY2(i + 1 < text.size() && text[i + 1].isLowSurrogate(), "lone high surrogate");
            ++i;
        } else {
            QVERIFY2(!text[i].isLowSurrogate(), "lone low surrogate");
        }
    }
}

} // namespace

class TstRtfRegressions : public QObject {
    Q_OBJECT
private slots:
    void loadsWhatItCan_data();
    void loadsWhatItCan();
    void numbersAreClamped_data();
    void numbersAreClamped();
    void writtenBackReadsTheSame_data();
    void writtenBackReadsTheSame();
};

void TstRtfRegressions::loadsWhatItCan_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text"); // a null string: any text will do

    const QString any;
    const QString zhe = QString::fromUtf8("\xd0\x96");

    // Nesting and braces.
    QTest::newRow("100000 nested groups, closed")
        << "{\\rtf1 A" + repeated("{", 100000) + "B" + repeated("}", 100000) + "C}" << "ABC";
    QTest::newRow("100000 nested groups, never closed")
        << "{\\rtf1 A" + repeated("{", 100000) + "B" << "AB";
    QTest::newRow("1 MB of open braces") << QByteArray(1 << 20, '{') << "";
    QTest::newRow("1 MB of close braces") << QByteArray(1 << 20, '}') << "";
    QTest::newRow("close braces before the document") << QByteArray("}}}{\\rtf1 A}") << "A";
    QTest::newRow("close braces after the document") << QByteArray("{\\rtf1 A}}}B}") << "A";
    QTest::newRow("groups left open") << QByteArray("{\\rtf1 A{\\b B{\\i C") << "ABC";
    QTest::newRow("ignorable destination left open") << QByteArray("{\\rtf1 A{\\*\\x{") << "A";
    QTest::newRow("picture left open") << QByteArray("{\\rtf1 A{\\pict 0102") << "A";
    QTest::newRow("font table left open") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Courier") << "";
    QTest::newRow("star outside a group") << QByteArray("{\\rtf1\\*A\\par B}") << "";

    // \bin
    QTest::newRow("bin longer than the data") << QByteArray("{\\rtf1 A\\bin999999999999 BCD}")
                                              << "A";
    QTest::newRow("bin with 30 digits") << "{\\rtf1 A\\bin" + QByteArray(30, '9') + " BCD}" << "A";
    QTest::newRow("bin negative") << QByteArray("{\\rtf1 A\\bin-5 B}") << "AB";
    QTest::newRow("bin at the end") << QByteArray("{\\rtf1 A\\bin") << "A";
    QTest::newRow("bin skips braces") << QByteArray("{\\rtf1 A{\\bin2 }}}B}") << "AB";

    // Numbers far out of range.
    QTest::newRow("fs with 20 digits") << QByteArray("{\\rtf1\\fs99999999999999999999 A}") << "A";
    QTest::newRow("fs with 100000 digits") << "{\\rtf1\\fs" + QByteArray(100000, '9') + " A}"
                                           << "A";
    QTest::newRow("f at the lowest int") << QByteArray("{\\rtf1\\f-2147483648 A\\f2147483648 B}")
                                         << "AB";
    QTest::newRow("cf far past the colour table")
        << QByteArray("{\\rtf1{\\colortbl;\\red1;}\\cf99999999999 A\\cf-7 B}") << "AB";
    QTest::newRow("u far too big") << QByteArray("{\\rtf1 \\u99999999999999999999?A}")
                                   << QString(QChar(0xFFFF)) + "A";
    QTest::newRow("u far too small") << QByteArray("{\\rtf1 \\u-99999999999?A}") << any;
    QTest::newRow("uc far too big")
        << QByteArray("{\\rtf1\\uc99999999999 \\u1046 ABCDEFGHIJKLMNOPQRSTUVWXYZ}")
        << zhe + "QRSTUVWXYZ";
    QTest::newRow("uc negative") << QByteArray("{\\rtf1\\uc-5 \\u1046 AB}") << zhe + "AB";
    QTest::newRow("red far too big") << QByteArray("{\\rtf1{\\colortbl\\red99999999999;}A}")
                                     << "A";

    // Data that ends inside an escape.
    QTest::newRow("ends after \\u") << QByteArray("{\\rtf1 A\\u") << any;
    QTest::newRow("ends after \\u-") << QByteArray("{\\rtf1 A\\u-") << any;
    QTest::newRow("ends after \\uN") << QByteArray("{\\rtf1 A\\u1046") << "A" + zhe;
    QTest::newRow("ends before the fallback of \\uN") << QByteArray("{\\rtf1\\uc5 A\\u1046?")
                                                      << "A" + zhe;
    QTest::newRow("ends after \\'") << QByteArray("{\\rtf1 A\\'") << "A";
    QTest::newRow("ends after \\' and one digit") << QByteArray("{\\rtf1 A\\'4")
                                                  << QString("A") + QChar(4);
    QTest::newRow("ends after a backslash") << QByteArray("{\\rtf1 A\\") << "A";
    QTest::newRow("ends inside a control word") << QByteArray("{\\rtf1 A\\pa") << "A";
    QTest::newRow("ends after a minus sign") << QByteArray("{\\rtf1 A\\fs-") << "A-";
    QTest::newRow("ends after a high surrogate") << QByteArray("{\\rtf1 A\\u-10179?") << "A";

    // Odd characters.
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 A\0B\0\\par\0C}\0", 19) << "AB\nC";
    QTest::newRow("hex escape that is not hex") << QByteArray("{\\rtf1 \\'zzA}") << "zzA";
    QTest::newRow("lone surrogates") << QByteArray("{\\rtf1 \\u-10179?\\u-10179?A\\u-8921?B}")
                                     << "AB";
    QTest::newRow("control word of 100000 letters")
        << "{\\rtf1 A\\" + QByteArray(100000, 'x') + " B}" << "AB";
    QTest::newRow("64 KB of junk in a document") << "{\\rtf1 " + junk(65536, 1) << any;
    QTest::newRow("64 KB of junk") << junk(65536, 2) << any;
    QTest::newRow("8-bit bytes without a document") << junk(4096, 3).replace('{', 'x') << "";

    // Many things.
    QTest::newRow("100000 colour table entries")
        << "{\\rtf1{\\colortbl" + repeated("\\red1;", 100000) + "}\\cf99999 A}" << "A";
    QTest::newRow("10000 fonts") << [] {
        QByteArray rtf = "{\\rtf1{\\fonttbl";
        for (int i = 0; i < 10000; ++i)
            rtf += "{\\f" + QByteArray::number(i) + " F" + QByteArray::number(i) + ";}";
        return rtf + "}\\f9999 A}";
    }() << "A";
    QTest::newRow("font name of 100000 letters")
        << "{\\rtf1{\\fonttbl{\\f0 " + QByteArray(100000, 'N') + ";}}A}" << "A";
    QTest::newRow("100000 format changes")
        << "{\\rtf1 " + repeated("\\b A\\b0 B", 100000) + "}" << QString("AB").repeated(100000);
    QTest::newRow("100000 paragraphs") << "{\\rtf1 " + repeated("\\par", 100000) + "}"
                                       << QString(99999, QLatin1Char('\n'));

    // Not a document at all.
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("only an open brace") << QByteArray("{") << "";
    QTest::newRow("only a backslash") << QByteArray("\\") << "";
}

void TstRtfRegressions::loadsWhatItCan()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    const RichText rt = readRtf(input);
    verifyInvariants(rt, input);
    if (QTest::currentTestFailed())
        return;
    if (!text.isNull())
        QCOMPARE(rt.plainText(), text);
}

void TstRtfRegressions::numbersAreClamped_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<double>("pointSize"); // of the last run
    QTest::addColumn<bool>("bold");        // of the last run

    QTest::newRow("fs far too big") << QByteArray("{\\rtf1\\fs99999999999999999999 A}") << 1638.0
                                    << false;
    QTest::newRow("fs far too small") << QByteArray("{\\rtf1\\fs-99999999999999999999 A}") << 1.0
                                      << false;
    QTest::newRow("fs zero") << QByteArray("{\\rtf1\\fs0 A}") << 1.0 << false;
    QTest::newRow("fs without a number") << QByteArray("{\\rtf1\\fs30\\fs A}") << 12.0 << false;
    QTest::newRow("b far too big") << QByteArray("{\\rtf1\\b99999999999999999999 A}") << 12.0
                                   << true;
    QTest::newRow("b minus zero") << QByteArray("{\\rtf1\\b\\b-0 A}") << 12.0 << false;
    QTest::newRow("state restored after 100000 levels")
        << "{\\rtf1\\fs30 " + repeated("{", 100000) + "\\b\\fs40 A" + repeated("}", 100000) +
               "B}"
        << 15.0 << false;
}

void TstRtfRegressions::numbersAreClamped()
{
    QFETCH(QByteArray, input);
    QFETCH(double, pointSize);
    QFETCH(bool, bold);
    const RichText rt = readRtf(input);
    verifyInvariants(rt, input);
    QVERIFY(!rt.runs.isEmpty());
    QCOMPARE(rt.runs.last().format.pointSize, pointSize);
    QCOMPARE(rt.runs.last().format.bold, bold);
}

// What was read, written and read again is the same text in the same fonts.
void TstRtfRegressions::writtenBackReadsTheSame_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("unicode zero is no character") << QByteArray("{\\rtf1 A\\u0?B}") << "AB";
    QTest::newRow("unicode zero, no fallback") << QByteArray("{\\rtf1\\uc0 A\\u0 B}") << "AB";
    QTest::newRow("tab inside a font name")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Cou\trier;}}\\f0 G01}") << "G01";
    QTest::newRow("control characters inside a font name")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 A\x01\x1f B;}}\\f0 X}") << "X";
    QTest::newRow("bold paragraph mark") << QByteArray("{\\rtf1\\b\\par\\b0 A}") << "\nA";
}

void TstRtfRegressions::writtenBackReadsTheSame()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    const RichText first = readRtf(input);
    QCOMPARE(first.plainText(), text);
    const RichText second = readRtf(writeRtf(first));
    QCOMPARE(second.plainText(), text);
    // Character by character; a paragraph mark's own format is not kept.
    const auto formats = [](const RichText &rt) {
        QList<CharFormat> out;
        for (const TextRun &run : rt.runs)
            for (QChar c : run.text)
                if (c != QLatin1Char('\n'))
                    out << run.format;
        return out;
    };
    const QList<CharFormat> a = formats(first);
    const QList<CharFormat> b = formats(second);
    QCOMPARE(b.size(), a.size());
    for (qsizetype i = 0; i < a.size(); ++i) {
        QCOMPARE(b[i].fontName, a[i].fontName);
        QCOMPARE(b[i].bold, a[i].bold);
        QVERIFY(!a[i].fontName.contains(QLatin1Char('\t')));
    }
}

QTEST_GUILESS_MAIN(TstRtfRegressions)
#include "tst_rtf_regressions.moc"
