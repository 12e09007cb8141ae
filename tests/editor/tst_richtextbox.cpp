// The editor control: two-character line ends in every position, selection, formatting,
// struck marks, change events, and file round trips through the widget. The clipboard is
// checked through the frame's commands (tst_commands), typing and the lock through the
// program window (tst_program).
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

using namespace kordavel;

namespace {

using TriState = RichTextBox::TriState;

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

} // namespace

class TstRichTextBox : public QObject {
    Q_OBJECT
private slots:
    void positionsCountTwoForALineEnd_data();
    void positionsCountTwoForALineEnd();
    void positionsAgreeWithTheText();
    void lineEndsInAndOut_data();
    void lineEndsInAndOut();
    void find_data();
    void find();
    void selectionFormats();
    void struckMarksLeaveTheTextAlone();
    void fileSavedAsItWasRead_data();
    void fileSavedAsItWasRead();
    void failedSaveAndLoad();
    void editingAfterLoads();
    void changeEventsAndWholeReplacement();
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
    box.select(start, length);
    QCOMPARE(box.selText(), selected);
    QCOMPARE(box.textRange(start, length), selected);
    QCOMPARE(box.selStart(), std::min(start, 12));
    QCOMPARE(box.selLength(), int(selected.size()));
    // Setting the start collapses the selection; the length then counts from it.
    box.setSelStart(start);
    QCOMPARE(box.selLength(), 0);
    box.setSelLength(length);
    QCOMPARE(box.selText(), selected);
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
    QCOMPARE(box.charAt(box.textLength()), QChar());
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
    QTest::newRow("CR LF") << "A\r\nB\r\n"
                           << "A\r\nB\r\n";
    QTest::newRow("LF") << "A\nB\n"
                        << "A\r\nB\r\n";
    QTest::newRow("CR") << "A\rB\r"
                        << "A\r\nB\r\n";
    QTest::newRow("separators") << QStringLiteral("A\u2029B\u2028C") << "A\r\nB\r\nC";
    QTest::newRow("no-break space kept")
        << QStringLiteral("A\u00a0B") << QStringLiteral("A\u00a0B");
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

// Whole words, case and wrapping are checked through Find Next (tst_findreplace).
void TstRichTextBox::find_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("found");
    QTest::newRow("a match at the start") << 0 << -1 << 0;
    QTest::newRow("whole word only") << 1 << -1 << 15;
    QTest::newRow("end bound excludes") << 1 << 16 << -1;
    QTest::newRow("end bound includes") << 1 << 17 << 15;
    QTest::newRow("after the end") << 100 << -1 << -1;
}

void TstRichTextBox::find()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, found);
    RichTextBox box;
    box.setText(QStringLiteral("G1 X0\r\nG10 X5\r\nG1 Y2"));
    QCOMPARE(box.find(QStringLiteral("G1"), start, end, RichTextBox::FindWholeWord), found);
}

// Bold, italic and underline through the frame are checked in tst_commands, fonts in
// tst_commands and through the file round trips below.
void TstRichTextBox::selectionFormats()
{
    RichTextBox box;
    box.setText(QStringLiteral("G01 X10\r\nM30"));
    box.select(0, 12);
    QCOMPARE(box.selFontName(), std::optional<QString>(QStringLiteral("Courier New")));
    QCOMPARE(box.selFontSize(), std::optional<double>(10.0));
    QCOMPARE(box.selColor(), std::optional<QColor>(QColor()));
    box.select(4, 3);
    box.setSelStrikeThru(true);
    box.setSelFontName(QStringLiteral("Arial"));
    box.setSelFontSize(14);
    box.setSelColor(Qt::red);
    box.select(0, 12);
    QCOMPARE(box.selStrikeThru(), TriState::Mixed);
    QCOMPARE(box.selFontName(), std::nullopt);
    QCOMPARE(box.selFontSize(), std::nullopt);
    QCOMPARE(box.selColor(), std::nullopt);
    const QByteArray rtf = box.textRTF();
    QVERIFY2(rtf.contains("{\\f1\\fnil\\fcharset0 Arial;}") &&
                 rtf.contains("\\red255\\green0\\blue0;") &&
                 rtf.contains("G01 \\f1\\fs28\\cf1\\strike X10"),
             rtf.constData());
    RichTextBox other;
    other.setTextRTF(rtf);
    QCOMPARE(other.textRTF(), rtf);
}

// Sent lines are drawn struck through; the text, its formats and its undo stay as they were.
// The text is locked, as during a send: code may still mark and format it.
void TstRichTextBox::struckMarksLeaveTheTextAlone()
{
    RichTextBox box;
    box.resize(300, 200);
    box.setText(QStringLiteral("G01 X10\r\nM30\r\nM02"));
    box.setLocked(true);
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

// A file is saved again as it was read: plain files byte for byte, RTF files in the same
// formats and stable after the first save. A new name chooses the format.
void TstRichTextBox::fileSavedAsItWasRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const auto fixture = [](const char *name) {
        QFile file(QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing fixture");
    };
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            every += char(b);
    QTest::newRow("CR LF") << QByteArray("%\r\nO1\r\nG00 X0\r\nM30\r\n%\r\n");
    QTest::newRow("LF") << QByteArray("%\nO1\nG00 X0\n\nM30\n");
    QTest::newRow("CR") << QByteArray("%\rO1\rM30\r");
    QTest::newRow("mixed line ends") << QByteArray("%\r\nO1\nG00 X0\rM30\n\r\n%\r");
    QTest::newRow("no final line end") << QByteArray("G00 X0\r\nM30");
    QTest::newRow("no line end at all") << QByteArray("M30");
    QTest::newRow("empty rows") << QByteArray("\r\n\r\nG00\r\n\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("8-bit, tab and NUL") << QByteArray("(\xc4\xe9\x80\x81\x9d\xff)\tX\0Y\r\n", 15);
    QTest::newRow("every byte") << QByteArray("G00\r\n" + every + "\r\n");
    QTest::newRow("classic RTF") << fixture("classic.rtf");
    QTest::newRow("newer RTF") << fixture("newer.rtf");
}

void TstRichTextBox::fileSavedAsItWasRead()
{
    QFETCH(QByteArray, bytes);
    const bool rich = looksLikeRtf(bytes);
    QTemporaryDir dir;
    const QString path =
        dir.filePath(rich ? QStringLiteral("prog.dnc") : QStringLiteral("PROG.NC"));
    writeAll(path, bytes);
    RichTextBox box;
    QVERIFY(box.loadFile(path));
    QCOMPARE(box.fileFormat(), rich ? FileFormat::Rtf : FileFormat::PlainText);
    const QString text = box.text();
    const QByteArray rtf = box.textRTF();
    QVERIFY(box.saveFile(path));
    const QByteArray saved = readAll(path);
    QCOMPARE(saved, rich ? rtf : bytes);
    // Character by character in the same font, size, colour and style.
    const auto formats = [](const QByteArray &rtf) {
        QList<CharFormat> out;
        for (const TextRun &run : readRtf(rtf).runs)
            for (QChar c : run.text)
                if (c != QLatin1Char('\n'))
                    out << run.format;
        return out;
    };
    if (rich)
        QVERIFY(formats(saved) == formats(bytes));
    for (int round = 0; round < 3; ++round) {
        RichTextBox again;
        QVERIFY(again.loadFile(path));
        QCOMPARE(again.text(), text);
        QVERIFY(again.saveFile(path));
        QCOMPARE(readAll(path), saved);
    }

    const QString plainCopy = dir.filePath(QStringLiteral("copy.tap"));
    QVERIFY(box.saveFileAs(plainCopy));
    QCOMPARE(box.fileFormat(), FileFormat::PlainText);
    QVERIFY(!looksLikeRtf(readAll(plainCopy)));
    if (!rich)
        QCOMPARE(readAll(plainCopy), bytes);
    const QString richCopy = dir.filePath(QStringLiteral("COPY.DNC"));
    QVERIFY(box.saveFileAs(richCopy));
    QCOMPARE(box.fileFormat(), FileFormat::Rtf);
    RichTextBox back;
    QVERIFY(back.loadFile(richCopy));
    QCOMPARE(back.fileFormat(), FileFormat::Rtf);
    QCOMPARE(back.text(), QString(text).remove(QChar(0))); // RTF holds no NUL
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

// Moving the caret is no change; replacing the whole text is one undo step.
void TstRichTextBox::changeEventsAndWholeReplacement()
{
    RichTextBox box;
    box.show();
    QSignalSpy changes(&box, &RichTextBox::Change);
    QSignalSpy selChanges(&box, &RichTextBox::SelChange);
    box.setText(QStringLiteral("G00"));
    box.setSelStart(3);
    QTest::keyClicks(&box, QStringLiteral("X"));
    QCOMPARE(changes.size(), 2);
    changes.clear();
    selChanges.clear();
    QTest::keyClick(&box, Qt::Key_Left);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(selChanges.size(), 1);
    box.setSelStart(3); // no move, no event
    QCOMPARE(selChanges.size(), 1);

    box.setTextRTF("{\\rtf1 {\\b N10}\\par M30}");
    QCOMPARE(box.text(), QStringLiteral("N10\r\nM30"));
    QVERIFY(changes.size() > 0);
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
