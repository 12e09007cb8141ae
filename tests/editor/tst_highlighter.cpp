// SPDX-License-Identifier: GPL-3.0-or-later
// G-code colours and line numbers are display only: the words and their kinds, saves and
// the clipboard byte for byte the same with colours on and off, the user's own colour
// first, only the lines in view coloured, and the numbers beside the lines in view.
#include "editor/GCodeWords.h"
#include "editor/LineNumberGutter.h"
#include "editor/RichTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using namespace kordavel;

namespace {

// One letter per character: the kind of word it is in ('.' none).
QString kinds(const QString &line)
{
    QString out(line.size(), QLatin1Char('.'));
    for (const GCodeWord &word : gcodeWords(line))
        for (int i = 0; i < word.length; ++i)
            out[word.start + i] = QLatin1String("GAFTNC%/#")[int(word.category)];
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the editor draws any of [from, to) of the block in a colour over the text.
bool coloured(const RichTextBox &editor, const QTextBlock &block, int from, int to)
{
    for (const QTextEdit::ExtraSelection &colour : editor.extraSelections())
        if (colour.format.hasProperty(QTextFormat::ForegroundBrush) &&
            colour.cursor.selectionStart() < block.position() + to &&
            colour.cursor.selectionEnd() > block.position() + from)
            return true;
    return false;
}

} // namespace

class TstHighlighter : public QObject {
    Q_OBJECT
private slots:
    void wordKinds_data();
    void wordKinds();
    void displayOnly_data();
    void displayOnly();
    void ownColourWinsAndOnlyShownLines();
    void lineNumbers();
};

void TstHighlighter::wordKinds_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("motion") << "N10 G01 X-15. Y.5 Z+2 F120"
                            << "NNN.GGG.AAAAA.AAA.AAA.FFFF";
    QTest::newRow("tool and spindle") << "T1 M06 S2400 D01 H01"
                                      << "TT.GGG.FFFFF.TTT.TTT";
    QTest::newRow("arc, joined words") << "G02X1.I-2.J3R4K5"
                                       << "GGGAAAAAAAAAAAAA";
    QTest::newRow("comments") << "O1001 (POCKET; X1) G0 ; T2 X3"
                              << "NNNNN.CCCCCCCCCCCC.GG.CCCCCCC";
    QTest::newRow("comment left open") << "G0 (NO END X1"
                                       << "GG.CCCCCCCCCC";
    QTest::newRow("percent line") << " %  G1 X1"
                                  << ".%%%%%%%%";
    QTest::newRow("block delete") << "/2N100 M01"
                                  << "//NNNN.GGG";
    QTest::newRow("macro") << "#101=#102+1 X#101 G[#1]"
                           << "####.####...A####.G.##.";
    QTest::newRow("macro words, small letters") << "IF[#1GT5]GOTO10 g1 x2"
                                                << "...##.......... GG.AA";
    QTest::newRow("iso program number, other letters") << ":12 P500 L3 E1 X"
                                                       << "NNN.............";
}

void TstHighlighter::wordKinds()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(kinds(line), expected.replace(QLatin1Char(' '), QLatin1Char('.')));
}

void TstHighlighter::displayOnly_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("rich text") << "drill_plate.dnc";
    QTest::newRow("plain text") << "fanuc_pocket.nc";
}

// Saved files, RTF and clipboard are the same whatever is shown; showing is no change.
void TstHighlighter::displayOnly()
{
    QFETCH(QString, file);
    const QString source = QStringLiteral(KORDAVEL_TESTS_DIR "/data/") + file;
    QTemporaryDir dir;
    const auto outputs = [&](RichTextBox &editor, const QString &name) {
        const QString path = dir.filePath(name + file);
        editor.grab(); // paints, and so colours what shows
        editor.select(0, editor.textLength());
        editor.copyToClipboard();
        const QMimeData *mime = QApplication::clipboard()->mimeData();
        return QList<QByteArray>{editor.saveFile(path) ? readAll(path) : QByteArray(),
                                 editor.textRTF(), mime->data(RichTextBox::rtfMimeType()),
                                 mime->text().toUtf8()};
    };
    RichTextBox plain, editor;
    QVERIFY(plain.loadFile(source) && editor.loadFile(source));
    const QList<QByteArray> expected = outputs(plain, QStringLiteral("plain-"));
    editor.resize(500, 300);
    QSignalSpy changes(&editor, &RichTextBox::Change);
    editor.setLineNumbers(true);
    editor.setHighlighting(true);
    const QTextBlock shown = editor.document()->findBlockByNumber(2);
    QCOMPARE(outputs(editor, QStringLiteral("on-")), expected);
    QVERIFY(coloured(editor, shown, 0, shown.length()));
    editor.setHighlighting(false);
    QCOMPARE(outputs(editor, QStringLiteral("off-")), expected);
    QVERIFY(!coloured(editor, shown, 0, shown.length()));
    QVERIFY(changes.isEmpty() && !editor.document()->isModified());
    QVERIFY(!editor.document()->isUndoAvailable());
    // A new load is coloured afresh, with nothing left of the text before.
    editor.setHighlighting(true);
    QVERIFY(editor.loadFile(source));
    const auto fresh = [&] {
        const QList<QTextEdit::ExtraSelection> colours = editor.extraSelections();
        return !colours.isEmpty() && std::all_of(colours.begin(), colours.end(), [&](auto &c) {
            return c.cursor.document() == editor.document();
        });
    };
    QTRY_VERIFY(fresh());
}

void TstHighlighter::ownColourWinsAndOnlyShownLines()
{
    RichTextBox editor;
    editor.resize(500, 300);
    QStringList lines;
    for (int i = 1; i <= 3000; ++i)
        lines << QStringLiteral("N%1 G01 X%1.5 F200").arg(i * 10);
    editor.setText(lines.join(QLatin1String("\r\n")));
    editor.select(4, 3); // G01 of the first line
    editor.setSelColor(Qt::red);
    editor.setHighlighting(true);
    const QTextDocument *doc = editor.document();
    QVERIFY(coloured(editor, doc->firstBlock(), 0, 3));  // N10
    QVERIFY(!coloured(editor, doc->firstBlock(), 4, 7)); // G01: the user's red
    QVERIFY(coloured(editor, doc->firstBlock(), 8, 13)); // X10.5
    QVERIFY(!coloured(editor, doc->lastBlock(), 0, doc->lastBlock().length())); // not in view
    editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
    QVERIFY(coloured(editor, doc->lastBlock(), 0, 6));
    QVERIFY(!coloured(editor, doc->firstBlock(), 0, doc->firstBlock().length()));
    // Readable on a light and on a dark background.
    for (const QColor base : {QColor(Qt::white), QColor(0x20, 0x20, 0x20)}) {
        QPalette palette = editor.palette();
        palette.setColor(QPalette::Base, base);
        editor.setPalette(palette);
        for (const QTextEdit::ExtraSelection &colour : editor.extraSelections())
            QVERIFY(std::abs(colour.format.foreground().color().lightness() - base.lightness()) >
                    60);
    }
    editor.markStruck(0, 8); // struck marks keep to themselves
    QCOMPARE(editor.struckMarks(), (QList<std::pair<int, int>>{{0, 8}}));
}

void TstHighlighter::lineNumbers()
{
    RichTextBox editor;
    editor.resize(500, 300);
    editor.setText(QStringLiteral("A\r\nB\r\nC"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setLineNumbers(true);
    LineNumberGutter *gutter = editor.lineNumberGutter();
    editor.setSelStart(3); // the second line
    QList<LineNumberGutter::ShownLine> shown = gutter->shownLines();
    QCOMPARE(shown.size(), 3);
    for (int i = 0; i < 3; ++i)
        QVERIFY(shown[i].number == i + 1 && shown[i].current == (i == 1));
    // More digits, a wider gutter; a scrolled view numbers from its first line.
    const int narrow = gutter->width();
    editor.appendText(QString(20000, QLatin1Char('\n')));
    QVERIFY(gutter->width() > narrow);
    QCOMPARE(gutter->geometry().right() + 1, editor.viewport()->x());
    // At the end, once the editor has laid the new lines out.
    const auto lastShown = [&] {
        editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
        shown = gutter->shownLines();
        return shown.isEmpty() ? 0 : shown.last().number;
    };
    QTRY_COMPARE(lastShown(), 20003);
    QCOMPARE(shown.first().number, editor.cursorForPosition(QPoint(0, 0)).blockNumber() + 1);
    editor.setLineNumbers(false);
    QVERIFY(!editor.lineNumberGutter());
    QCOMPARE(editor.viewport()->x(), editor.frameWidth());
}

QTEST_MAIN(TstHighlighter)
#include "tst_highlighter.moc"
