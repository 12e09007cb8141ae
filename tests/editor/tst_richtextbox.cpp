// The editor control: two-character line ends in every position, selection, formatting,
// keyboard hooks, lock, clipboard flavours and file round trips through the widget.
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

using namespace kordavel;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString fixturePath(const char *name)
{
    return QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name);
}

} // namespace

class TstRichTextBox : public QObject {
    Q_OBJECT
private slots:
    void positionsCountTwoForALineEnd_data();
    void positionsCountTwoForALineEnd();
    void positionsAgreeWithTheText();
    void lineEndsInAndOut_data();
    void lineEndsInAndOut();
    void settingStartCollapses();
    void find_data();
    void find();
    void selectionFormatting();
    void struckMarksLeaveTheTextAlone();
    void fontNameSizeColour();
    void keyPressMayReplaceOrCancel();
    void returnAlwaysMakesAParagraph();
    void lockedRefusesTyping();
    void clipboardCarriesRtfAndProgramText();
    void pasteReadsRtfGivenAsPlainText();
    void changeAndSelChange();
    void plainFileSavedByteIdentical_data();
    void plainFileSavedByteIdentical();
    void rtfFileSurvivesLoadSaveLoad_data();
    void rtfFileSurvivesLoadSaveLoad();
    void saveAsChoosesFormatByName_data();
    void saveAsChoosesFormatByName();
    void failedSaveAndLoad();
    void selectedRtfRoundTrip();
    void editingAfterLoads();
    void wholeReplacementIsOneUndoStep();
};

void TstRichTextBox::positionsCountTwoForALineEnd_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first line with its end") << 0 << 9 << "G01 X10\r\n";
    QTest::newRow("second line") << 9 << 3 << "M30";
    QTest::newRow("from the CR") << 7 << 5 << "\r\nM30";
    QTest::newRow("everything") << 0 << 12 << "G01 X10\r\nM30";
    QTest::newRow("beyond the end") << 10 << 50 << "30";
    QTest::newRow("nothing") << 4 << 0 << "";
}

void TstRichTextBox::positionsCountTwoForALineEnd()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, selected);
    RichTextBox box;
    box.setText(QStringLiteral("G01 X10\r\nM30"));
    QCOMPARE(box.textLength(), 12);
    QCOMPARE(box.charAt(9), QLatin1Char('M'));
    QCOMPARE(box.charAt(7), QLatin1Char('\r'));
    QCOMPARE(box.charAt(8), QLatin1Char('\n'));
    QCOMPARE(box.charAt(12), QChar());
    box.select(start, length);
    QCOMPARE(box.selText(), selected);
    QCOMPARE(box.textRange(start, length), selected);
    QCOMPARE(box.selStart(), std::min(start, 12));
    if (!selected.startsWith(QLatin1Char('\n')))
        QCOMPARE(box.selLength(), int(selected.size()));
}

// Every position, on a program with empty rows, long and short lines, agrees with the text.
void TstRichTextBox::positionsAgreeWithTheText()
{
    QString program;
    QRandomGenerator random(42);
    for (int line = 0; line < 300; ++line) {
        const int length = int(random.bounded(0, 40));
        for (int i = 0; i < length; ++i)
            program += QChar(char16_t('A' + random.bounded(0, 26)));
        program += QStringLiteral("\r\n");
    }
    RichTextBox box;
    box.setText(program);
    const QString text = box.text();
    QCOMPARE(text, program);
    QCOMPARE(box.textLength(), int(text.size()));
    for (int i = 0; i < text.size(); ++i) {
        QCOMPARE(box.charAt(i), text.at(i));
        if (text.at(i) != QLatin1Char('\n')) {
            box.setSelStart(i);
            QCOMPARE(box.selStart(), i);
        }
    }
    for (int i = 0; i < 200; ++i) {
        const int start = int(random.bounded(0, int(text.size())));
        const int length = int(random.bounded(0, 120));
        QCOMPARE(box.textRange(start, length), text.mid(start, length));
    }
}

void TstRichTextBox::lineEndsInAndOut_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("CR LF") << "A\r\nB\r\n" << "A\r\nB\r\n";
    QTest::newRow("LF") << "A\nB\n" << "A\r\nB\r\n";
    QTest::newRow("CR") << "A\rB\r" << "A\r\nB\r\n";
    QTest::newRow("separators") << QStringLiteral("A\u2029B\u2028C") << "A\r\nB\r\nC";
    QTest::newRow("no-break space kept") << QStringLiteral("A\u00a0B") << QStringLiteral("A\u00a0B");
}

void TstRichTextBox::lineEndsInAndOut()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    RichTextBox box;
    box.setText(in);
    QCOMPARE(box.text(), out);
    QCOMPARE(box.textLength(), int(out.size()));
    box.setText(QString());
    box.setSelText(in);
    QCOMPARE(box.text(), out);
}

void TstRichTextBox::settingStartCollapses()
{
    RichTextBox box;
    box.setText(QStringLiteral("AB\r\nCD"));
    box.select(0, 6);
    QCOMPARE(box.selLength(), 6);
    box.setSelLength(4);
    QCOMPARE(box.selText(), QStringLiteral("AB\r\n"));
    box.setSelStart(4);
    QCOMPARE(box.selStart(), 4);
    QCOMPARE(box.selLength(), 0);
}

void TstRichTextBox::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("found");
    const QString two = QStringLiteral("G1 X0\r\nG10 X5\r\nG1 Y2");
    QTest::newRow("whole word only") << two << "G1" << 1 << -1 << 15;
    QTest::newRow("from the start") << two << "G1" << 0 << -1 << 0;
    QTest::newRow("case ignored") << two << "x0" << 0 << -1 << 3;
    QTest::newRow("inside a word") << "N10G1X5" << "G1" << 0 << -1 << -1;
    QTest::newRow("end bound excludes") << two << "G1" << 1 << 16 << -1;
    QTest::newRow("end bound includes") << two << "G1" << 1 << 17 << 15;
    QTest::newRow("empty text") << two << "" << 0 << -1 << -1;
    QTest::newRow("after the end") << two << "G1" << 100 << -1 << -1;
}

void TstRichTextBox::find()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, found);
    RichTextBox box;
    box.setText(text);
    QCOMPARE(box.find(what, start, end, RichTextBox::FindWholeWord), found);
}

// Sent lines are drawn struck through; the text, its formats and its undo stay as they were.
void TstRichTextBox::struckMarksLeaveTheTextAlone()
{
    RichTextBox box;
    box.resize(300, 200);
    box.setText(QStringLiteral("G01 X10\r\nM30\r\nM02"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QByteArray rtf = box.textRTF();
    const QImage plain = box.viewport()->grab().toImage();
    box.markStruck(0, 9);
    box.markStruck(9, 5); // continues the first: one mark
    box.markStruck(16, 1);
    QCOMPARE(box.struckMarks(), (QList<std::pair<int, int>>{{0, 14}, {16, 1}}));
    QVERIFY(box.viewport()->grab().toImage() != plain);
    QCOMPARE(box.textRTF(), rtf);
    QVERIFY(!box.hasStrikeThru());
    QVERIFY(!box.document()->isUndoAvailable());
    box.clearStruckMarks();
    QVERIFY(box.struckMarks().isEmpty());
    QCOMPARE(box.viewport()->grab().toImage(), plain);

    // Strike-through in the text itself is another thing, and is found when it is there.
    box.select(10, 2);
    box.setSelStrikeThru(true);
    QVERIFY(box.hasStrikeThru());
    box.setSelStrikeThru(false);
    QVERIFY(!box.hasStrikeThru());
    // A new text drops the marks of the old one.
    box.markStruck(0, 5);
    box.setText(QStringLiteral("M30"));
    QVERIFY(box.struckMarks().isEmpty());
}

void TstRichTextBox::selectionFormatting()
{
    RichTextBox box;
    box.setText(QStringLiteral("G01 X10\r\nM30"));
    box.select(4, 3);
    QCOMPARE(box.selBold(), RichTextBox::TriState::None);
    box.setSelBold(true);
    box.setSelStrikeThru(true);
    QCOMPARE(box.selBold(), RichTextBox::TriState::All);
    box.select(0, 12);
    QCOMPARE(box.selBold(), RichTextBox::TriState::Mixed);
    QCOMPARE(box.selStrikeThru(), RichTextBox::TriState::Mixed);
    QCOMPARE(box.selItalic(), RichTextBox::TriState::None);
    box.setSelItalic(true);
    box.setSelUnderline(true);
    QCOMPARE(box.selItalic(), RichTextBox::TriState::All);
    box.setSelStart(6); // the caret reads the character before it
    QCOMPARE(box.selBold(), RichTextBox::TriState::All);
    box.setSelStart(2);
    QCOMPARE(box.selBold(), RichTextBox::TriState::None);

    const QByteArray rtf = box.textRTF();
    QVERIFY2(rtf.contains("\\b\\strike X10"), rtf.constData());
    RichTextBox other;
    other.setTextRTF(rtf);
    QCOMPARE(other.textRTF(), rtf);
    other.select(4, 3);
    QCOMPARE(other.selBold(), RichTextBox::TriState::All);
    QCOMPARE(other.selUnderline(), RichTextBox::TriState::All);
}

void TstRichTextBox::fontNameSizeColour()
{
    RichTextBox box;
    box.setText(QStringLiteral("G00 X1"));
    box.select(0, 6);
    QCOMPARE(box.selFontName(), std::optional<QString>(QStringLiteral("Courier New")));
    QCOMPARE(box.selFontSize(), std::optional<double>(10.0));
    QCOMPARE(box.selColor(), std::optional<QColor>(QColor()));
    box.select(4, 2);
    box.setSelFontName(QStringLiteral("Arial"));
    box.setSelFontSize(14);
    box.setSelColor(Qt::red);
    box.select(0, 6);
    QCOMPARE(box.selFontName(), std::nullopt);
    QCOMPARE(box.selFontSize(), std::nullopt);
    QCOMPARE(box.selColor(), std::nullopt);
    box.select(4, 2);
    QCOMPARE(box.selFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(box.selColor(), std::optional<QColor>(QColor(Qt::red)));
    const QByteArray rtf = box.textRTF();
    QVERIFY2(rtf.contains("{\\f1\\fnil\\fcharset0 Arial;}") && rtf.contains("\\red255\\green0\\blue0;") &&
                 rtf.contains("\\f1\\fs28\\cf1 X1"),
             rtf.constData());
}

void TstRichTextBox::keyPressMayReplaceOrCancel()
{
    RichTextBox box;
    QList<int> keyDowns;
    connect(&box, &RichTextBox::KeyDown, this, [&](int code, Qt::KeyboardModifiers) { keyDowns << code; });
    connect(&box, &RichTextBox::KeyPress, this, [](int &key) {
        if (key >= 'a' && key <= 'z')
            key -= 32;
        else if (key == 9 || key == 27 || key > 127)
            key = 0;
    });
    box.show();
    QTest::keyClicks(&box, QStringLiteral("g01 x10"));
    QTest::keyClick(&box, Qt::Key_Tab);
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xc3\xa9"));
    QApplication::sendEvent(&box, &accented);
    QTest::keyClick(&box, Qt::Key_Escape);
    QCOMPARE(box.text(), QStringLiteral("G01 X10"));
    QVERIFY(keyDowns.contains(27));
    QVERIFY(keyDowns.contains(9));
    QCOMPARE(keyDowns.first(), int('G'));
    // Keys that make no character are not filtered.
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.text(), QStringLiteral("01 X10"));
}

void TstRichTextBox::returnAlwaysMakesAParagraph()
{
    RichTextBox box;
    box.show();
    QTest::keyClicks(&box, QStringLiteral("A"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("B"));
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&box, QStringLiteral("C"));
    QTest::keyClick(&box, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(box.text(), QStringLiteral("A\r\nB\r\nC\r\n"));
    QCOMPARE(box.document()->blockCount(), 4);
}

void TstRichTextBox::lockedRefusesTyping()
{
    RichTextBox box;
    box.setText(QStringLiteral("G00\r\nM30"));
    box.setLocked(true);
    QVERIFY(box.locked());
    box.show();
    QTest::keyClicks(&box, QStringLiteral("X"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.text(), QStringLiteral("G00\r\nM30"));
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.selStart(), 5);
    // Code may still work on a locked text (sent lines are struck through).
    box.select(0, 5);
    box.setSelStrikeThru(true);
    QCOMPARE(box.selStrikeThru(), RichTextBox::TriState::All);
    box.setLocked(false);
    box.setSelStart(5);
    QTest::keyClicks(&box, QStringLiteral("X"));
    QCOMPARE(box.text(), QStringLiteral("G00\r\nXM30"));
}

void TstRichTextBox::clipboardCarriesRtfAndProgramText()
{
    RichTextBox a;
    a.setText(QStringLiteral("N10 G01 X5\r\nN20 M30"));
    a.select(4, 3);
    a.setSelBold(true);
    a.select(0, 12);
    a.copyToClipboard();
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->text(), QStringLiteral("N10 G01 X5\r\n"));
    QVERIFY(looksLikeRtf(mime->data(RichTextBox::rtfMimeType())));

    RichTextBox b;
    b.setText(QStringLiteral("M02"));
    b.setSelStart(0);
    b.pasteFromClipboard();
    QCOMPARE(b.text(), QStringLiteral("N10 G01 X5\r\nM02"));
    b.select(4, 3);
    QCOMPARE(b.selBold(), RichTextBox::TriState::All);
    b.select(0, 3);
    QCOMPARE(b.selBold(), RichTextBox::TriState::None);

    a.select(12, 3);
    a.cutToClipboard();
    QCOMPARE(a.text(), QStringLiteral("N10 G01 X5\r\n M30"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("N20"));

    b.setLocked(true);
    b.pasteFromClipboard();
    QCOMPARE(b.text(), QStringLiteral("N10 G01 X5\r\nM02"));
}

void TstRichTextBox::pasteReadsRtfGivenAsPlainText()
{
    RichTextBox box;
    QApplication::clipboard()->setText(QStringLiteral("{\\rtf1 \\b N5\\b0  G00\\par X1\\par }"));
    box.pasteFromClipboard();
    QCOMPARE(box.text(), QStringLiteral("N5 G00\r\nX1"));
    box.select(0, 2);
    QCOMPARE(box.selBold(), RichTextBox::TriState::All);
    QApplication::clipboard()->setText(QStringLiteral("plain\ntext"));
    box.setSelStart(box.textLength());
    box.pasteFromClipboard();
    QCOMPARE(box.text(), QStringLiteral("N5 G00\r\nX1plain\r\ntext"));
}

void TstRichTextBox::changeAndSelChange()
{
    RichTextBox box;
    box.show();
    QSignalSpy change(&box, &RichTextBox::Change);
    QSignalSpy selChange(&box, &RichTextBox::SelChange);
    QTest::keyClicks(&box, QStringLiteral("AB"));
    QCOMPARE(change.count(), 2);
    QVERIFY(selChange.count() >= 2);
    change.clear();
    selChange.clear();
    QTest::keyClick(&box, Qt::Key_Left);
    QCOMPARE(change.count(), 0);
    QCOMPARE(selChange.count(), 1);
    box.setSelStart(1); // no move, no event
    QCOMPARE(selChange.count(), 1);
    box.setTextRTF("{\\rtf1 X}");
    QVERIFY(change.count() > 0);
}

void TstRichTextBox::plainFileSavedByteIdentical_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("%\r\nO1\r\nG00 X0\r\nM30\r\n%\r\n");
    QTest::newRow("LF") << QByteArray("%\nO1\nG00 X0\n\nM30\n");
    QTest::newRow("CR") << QByteArray("%\rO1\rM30\r");
    QTest::newRow("no final line end") << QByteArray("G00 X0\r\nM30");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("8-bit, tab and NUL") << QByteArray("(\xc4\xe9\x80\x81\x9d\xff)\tX\0Y\r\n", 15);
}

void TstRichTextBox::plainFileSavedByteIdentical()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PROG.NC"));
    writeAll(path, bytes);
    RichTextBox box;
    QVERIFY(box.loadFile(path));
    QCOMPARE(box.fileFormat(), FileFormat::PlainText);
    QVERIFY(box.saveFile(path));
    QCOMPARE(readAll(path), bytes);
    // Saved under a new non-.dnc name it stays plain text too.
    const QString copy = dir.filePath(QStringLiteral("copy.tap"));
    QVERIFY(box.saveFileAs(copy));
    QCOMPARE(readAll(copy), bytes);
}

void TstRichTextBox::rtfFileSurvivesLoadSaveLoad_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::newRow("classic") << fixturePath("classic.rtf");
    QTest::newRow("newer") << fixturePath("newer.rtf");
}

void TstRichTextBox::rtfFileSurvivesLoadSaveLoad()
{
    QFETCH(QString, fixture);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.dnc"));
    QVERIFY(QFile::copy(fixture, path));
    RichTextBox first;
    QVERIFY(first.loadFile(path));
    QCOMPARE(first.fileFormat(), FileFormat::Rtf);
    const QString text = first.text();
    const QByteArray rtf = first.textRTF();
    QVERIFY(first.saveFile(path));
    const QByteArray saved = readAll(path);
    QCOMPARE(saved, rtf);
    for (int round = 0; round < 3; ++round) {
        RichTextBox again;
        QVERIFY(again.loadFile(path));
        QCOMPARE(again.text(), text);
        QVERIFY(again.saveFile(path));
        QCOMPARE(readAll(path), saved);
    }
}

void TstRichTextBox::saveAsChoosesFormatByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rich");
    QTest::newRow("dnc") << "a.dnc" << true;
    QTest::newRow("DNC") << "B.DNC" << true;
    QTest::newRow("nc") << "c.nc" << false;
    QTest::newRow("txt") << "d.txt" << false;
}

void TstRichTextBox::saveAsChoosesFormatByName()
{
    QFETCH(QString, name);
    QFETCH(bool, rich);
    QTemporaryDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("G00\r\nM30"));
    QVERIFY(box.saveFileAs(dir.filePath(name)));
    const QByteArray bytes = readAll(dir.filePath(name));
    QCOMPARE(looksLikeRtf(bytes), rich);
    if (!rich)
        QCOMPARE(bytes, QByteArray("G00\r\nM30"));
    QCOMPARE(box.fileFormat(), rich ? FileFormat::Rtf : FileFormat::PlainText);
}

void TstRichTextBox::failedSaveAndLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.nc"));
    writeAll(path, "OLD\r\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    RichTextBox box;
    QVERIFY(box.loadFile(path));
    box.setText(QStringLiteral("NEW"));
    QVERIFY(!box.saveFile(path));
    QVERIFY(!box.saveFileAs(dir.filePath(QStringLiteral("no/such/folder.dnc"))));
    QCOMPARE(box.fileFormat(), FileFormat::PlainText);
    QCOMPARE(readAll(path), QByteArray("OLD\r\n"));
    QVERIFY(!box.loadFile(dir.filePath(QStringLiteral("missing.nc"))));
    QCOMPARE(box.text(), QStringLiteral("NEW"));
}

void TstRichTextBox::selectedRtfRoundTrip()
{
    RichTextBox box;
    box.setTextRTF("{\\rtf1 N10 \\i G01\\i0\\par N20\\par N30}");
    box.select(4, 9); // "G01" CR LF "N20"
    const QByteArray rtf = box.selRTF();
    box.setSelStart(box.textLength());
    box.setSelText(QStringLiteral("\r\n"));
    box.setSelRTF(rtf);
    QCOMPARE(box.text(), QStringLiteral("N10 G01\r\nN20\r\nN30\r\nG01\r\nN20"));
    box.select(19, 3);
    QCOMPARE(box.selItalic(), RichTextBox::TriState::All);
}

// Every load brings a fresh document: editing, change events, undo and the caret must
// work on it as on the first, and the document before must not be reachable any more.
void TstRichTextBox::editingAfterLoads()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.nc"));
    const QString b = dir.filePath(QStringLiteral("b.dnc"));
    writeAll(a, "G00 X0\r\nM30\r\n");
    writeAll(b, "{\\rtf1 {\\b N10}\\par M02\\par }");
    RichTextBox box;
    box.show();
    QSignalSpy changes(&box, &RichTextBox::Change);
    QSignalSpy selChanges(&box, &RichTextBox::SelChange);
    for (const QString &path : {a, b, a}) {
        box.setText(QStringLiteral("OLD"));
        changes.clear();
        QVERIFY(box.loadFile(path));
        QCOMPARE(changes.size(), 0);
        QCOMPARE(box.selStart(), 0);
        QVERIFY(!box.document()->isUndoAvailable());
        const QString loaded = box.text();
        box.setSelStart(box.textLength());
        QTest::keyClicks(&box, QStringLiteral("X"));
        QCOMPARE(box.text(), loaded + QStringLiteral("X"));
        QVERIFY(changes.size() >= 1);
        QVERIFY(!selChanges.isEmpty());
        box.undo();
        QCOMPARE(box.text(), loaded);
        box.undo(); // nothing before the load to go back to
        QCOMPARE(box.text(), loaded);
    }
    box.select(0, 3);
    QCOMPARE(box.selText(), QStringLiteral("G00"));
}

void TstRichTextBox::wholeReplacementIsOneUndoStep()
{
    RichTextBox box;
    box.show();
    QSignalSpy changes(&box, &RichTextBox::Change);
    box.setText(QStringLiteral("G00"));
    QCOMPARE(changes.size(), 1);
    box.setSelStart(3);
    QTest::keyClicks(&box, QStringLiteral("X"));
    box.setTextRTF("{\\rtf1 {\\b N10}\\par M30}");
    QCOMPARE(box.text(), QStringLiteral("N10\r\nM30"));
    changes.clear();
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier); // the replacement as one step
    QCOMPARE(box.text(), QStringLiteral("G00X"));
    QCOMPARE(changes.size(), 1);
    box.undo(); // then the typing
    QCOMPARE(box.text(), QStringLiteral("G00"));
    box.undo(); // one replacement is kept, not a chain of them
    QCOMPARE(box.text(), QStringLiteral("G00"));
    // Editing goes on normally on the document that came back.
    box.setSelStart(0);
    QTest::keyClicks(&box, QStringLiteral("M"));
    QCOMPARE(box.text(), QStringLiteral("MG00"));
}

QTEST_MAIN(TstRichTextBox)
#include "tst_richtextbox.moc"
