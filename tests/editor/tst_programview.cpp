// SPDX-License-Identifier: GPL-3.0-or-later
// The line buffer of long plain programs on its own: edits at line starts, ends and across
// line ends, checked against the text split afresh; files with CR LF, LF, CR and mixed line
// ends saved byte for byte after edits; Undo and Redo in sequences; Find; the whole-text
// rewrite and its Undo; line counts in the millions. The program view over it: keys move the
// caret, typing through the keyboard filter, Backspace, selection and copy, Ctrl+End.
#include "editor/LineBuffer.h"
#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "program/BufferSendSource.h"
#include "support/Fixtures.h"
#include "support/TestFolders.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <QPrinter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The buffer's bytes, its lines with their ends, and offsets both ways agree with the bytes.
void verifyLines(const LineBuffer &buffer, const QByteArray &expected)
{
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    QVERIFY(buffer.save(saved));
    QCOMPARE(saved.data(), expected);
    qint64 line = 0, from = 0;
    for (qint64 i = 0; i <= expected.size(); ++i) {
        const char c = i < expected.size() ? expected[i] : 0;
        if (c && c != '\r' && c != '\n')
            continue;
        const int end = !c ? 0 : c == '\r' && expected.mid(i + 1, 1) == "\n" ? 2 : 1;
        QCOMPARE(buffer.lineStart(line), from);
        QCOMPARE(buffer.lineBytes(line), expected.mid(from, i - from));
        QCOMPARE(buffer.lineEndLength(line), end);
        QCOMPARE(buffer.lineAt(from), line);
        QCOMPARE(buffer.lineAt(i + std::max(end - 1, 0)), line++);
        from = i + end;
        i += std::max(end - 1, 0);
    }
    QCOMPARE(buffer.lineCount(), line);
}

// Runs a script of edits, one a word: "+L:C:text" inserts (a '|' is a line break),
// "tL:C:text" types, "-L:C:n" removes n bytes, "*OFFSET:n:text" replaces at an offset,
// "u" and "r" are Undo and Redo.
void runScript(LineBuffer &buffer, const QString &script)
{
    for (const QString &word : script.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = word.mid(1).split(u':');
        const qint64 a = parts.value(0).toLongLong();
        qint64 b = parts.value(1).toLongLong();
        const QByteArray bytes =
            LineBuffer::encode(parts.value(2).replace(u'|', u'\n'), buffer.lineEnd());
        if (word == u"u")
            buffer.undo();
        else if (word == u"r")
            buffer.redo();
        else if (word[0] == u'+')
            buffer.insert(buffer.offsetOf(a, b), bytes);
        else if (word[0] == u'-')
            buffer.remove(buffer.offsetOf(a, b), parts.value(2).toLongLong());
        else if (word[0] == u'*')
            buffer.replace(a, b, bytes);
        else // 't'
            for (char c : bytes)
                buffer.insert(buffer.offsetOf(a, b++), QByteArrayView(&c, 1), true);
    }
}

// Presses keys by their portable names: "Down", "Shift+End", "Ctrl+C"; a word in quotes types
// its characters ('_' a blank).
void pressKeys(QWidget *widget, const QString &keys)
{
    for (QString word : keys.split(u' ', Qt::SkipEmptyParts)) {
        if (word.startsWith(u'"')) {
            const QString typed = word.mid(1, word.size() - 2).replace(u'_', u' ');
            for (QChar c : typed) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(widget, &press);
            }
            continue;
        }
        const QKeySequence key = QKeySequence::fromString(word);
        QVERIFY2(key.count() == 1 && key[0].key() != Qt::Key_unknown, qPrintable(word));
        QTest::keyClick(widget, key[0].key(), key[0].keyboardModifiers());
    }
}

QByteArray manyLines(qint64 count)
{
    QByteArray bytes;
    for (qint64 i = 0; i < count; ++i)
        bytes += "G1 X" + QByteArray::number(i % 1000) + "\r\n";
    return bytes;
}

} // namespace

class TstProgramView : public QObject {
    Q_OBJECT

private slots:
    // Edits by script (runScript), from fixtures/edits.rows.
    void edits_data() { fixtureColumn("edits.rows"); }
    void edits()
    {
        QFETCH(QByteArrayList, row); // name | file | script | bytes after ("f": the part program)
        const QByteArray part = "%\r\nO1 (PART)\r\nN10 G01 X1\r\nN20 M30\r\n";
        LineBuffer buffer;
        buffer.setBytes(row[1] == "f" ? part : row[1]);
        runScript(buffer, QString::fromLatin1(row[2]));
        verifyLines(buffer, row[3] == "f" ? part : row[3]);
    }

    // Read from disk, edited in two places and saved: every line end stays where it was.
    void loadEditSave_data() { fixtureColumn("saved.rows"); }
    void loadEditSave()
    {
        QFETCH(QByteArrayList, row); // name | bytes | bytes saved
        const QByteArray &file = row[1], &expected = row[2];
        QTemporaryDir dir;
        LineBuffer buffer;
        QVERIFY(buffer.load(writeFile(dir.filePath(QStringLiteral("p.nc")), file)).ok());
        verifyLines(buffer, file);
        const qint64 last = buffer.lineCount() - 1;
        buffer.insert(buffer.offsetOf(last, buffer.lineLength(last)),
                      LineBuffer::encode(u"N9\n", buffer.lineEnd()));
        buffer.insert(buffer.lineStart(2), "/");
        QFile out(dir.filePath(QStringLiteral("q.nc")));
        QVERIFY(out.open(QIODevice::WriteOnly) && buffer.save(out));
        out.close();
        QCOMPARE(readFile(out.fileName()), expected);
        // Windows-1252 both ways.
        buffer.setBytes("(\xC9\x80)\r\nA");
        QCOMPARE(buffer.text(1, 6), QStringLiteral("\u00C9\u20AC)\nA"));
        QCOMPARE(LineBuffer::encode(u"\u00E9\u4E00\r\nB\rC\n", LineEnd::Lf),
                 QByteArray("\xE9?\nB\nC\n"));
    }

    void find_data() { fixtureColumn("find.rows"); }
    void find()
    {
        QFETCH(QByteArrayList, row); // name | file | edits first | needle | from | flags | found
        LineBuffer buffer;
        buffer.setBytes(row[1] == "t" ? "N10 G01 X1\r\nN20 g01 x2\r\nN30 G010\r\n" : row[1]);
        runScript(buffer, QString::fromLatin1(row[2]));
        QCOMPARE(buffer.find(row[3], row[4].toLongLong(), row[5].toInt()), row[6].toLongLong());
    }

    // Numbering through the rewrite keeps each line's end; one Undo and one Redo.
    void rewriteLines()
    {
        const QByteArray file = "%\r\nG0 X1\n\r\nG1 Y2\rM30\r\n";
        LineBuffer buffer;
        buffer.setBytes(file);
        buffer.insert(buffer.offsetOf(1, 2), " ");
        int number = 0;
        QVERIFY(buffer.rewriteLines([&](qint64, QByteArrayView in, QByteArray &out) {
            if (in.isEmpty())
                return false;
            out = in.startsWith('%')
                      ? in.toByteArray()
                      : "N" + QByteArray::number(number += 10) + ' ' + in.toByteArray();
            return true;
        }));
        const QByteArray numbered = "%\r\nN10 G0  X1\nN20 G1 Y2\rN30 M30\r\n";
        verifyLines(buffer, numbered);
        QCOMPARE(buffer.undo(), 0);
        verifyLines(buffer, "%\r\nG0  X1\n\r\nG1 Y2\rM30\r\n");
        buffer.undo();
        verifyLines(buffer, file);
        buffer.redo();
        buffer.redo();
        verifyLines(buffer, numbered);
    }

    // Millions of mixed lines: found both ways, Ctrl+End shows the last, edits far out,
    // Find reaching them, Undo taking them back.
    void millionsOfLines()
    {
        const qint64 count = 9'000'000;
        const QByteArray bytes = QByteArray("A\r\nB\n\r").repeated(count / 3);
        ProgramView view;
        view.resize(400, 300);
        view.setBytes(bytes);
        const LineBuffer &buffer = view.buffer();
        QCOMPARE(buffer.lineCount(), count + 1);
        QCOMPARE(buffer.lineStart(count - 1), bytes.size() - 1);
        QCOMPARE(buffer.lineAt(bytes.size() - 3), count - 2);
        QCOMPARE(buffer.lineEndLength(count - 3), 2);
        pressKeys(&view, "Ctrl+End");
        QCOMPARE(view.caretLine(), count);
        QCOMPARE(view.firstVisibleLine() + view.visibleLines(), count + 1);
        view.insertText(QStringLiteral("M30"));
        view.setCaret(buffer.offsetOf(count / 2, 1));
        view.insertText(QStringLiteral("\n"));
        QCOMPARE(buffer.lineBytes(count + 1), QByteArray("M30"));
        pressKeys(&view, "Ctrl+Home PgDown");
        QCOMPARE(view.firstVisibleLine(), view.visibleLines());
        QVERIFY(view.findNext(QStringLiteral("m30")));
        QCOMPARE(view.caretLine(), count + 1);
        QVERIFY(view.firstVisibleLine() + view.visibleLines() > count);
        QCOMPARE(view.selectedText(), QStringLiteral("M30"));
        view.undo();
        view.undo();
        QCOMPARE(buffer.toBytes(), bytes);
    }

    // Keys from the start give the caret and the other end of the selection.
    void keys_data() { fixtureColumn("keys.rows"); }
    void keys()
    {
        QFETCH(QByteArrayList, row); // name | file | keys | caret | anchor (line:column)
        ProgramView view;
        view.resize(400, 300);
        view.setBytes(row[1] == "f" ? "%\r\nO1 (PART)\r\nG0\r\nN10 X1 Y2\r\n%" : row[1]);
        pressKeys(&view, QString::fromLatin1(row[2]));
        const auto at = [&](const QByteArray &spot) {
            return view.buffer().offsetOf(spot.split(':')[0].toLongLong(),
                                          spot.split(':')[1].toLongLong());
        };
        QCOMPARE(view.caret(), at(row[3]));
        QCOMPARE(view.anchor(), at(row[4]));
    }

    // Typing through the keyboard filter as the program window sets it (capitals, beeps),
    // Backspace and Delete over line ends, Undo of a typed word.
    void typing_data() { fixtureColumn("typing.rows"); }
    void typing()
    {
        QFETCH(QByteArrayList, row); // name | file | keys | Backspace allowed | after | beeps
        const QString keys = QString::fromUtf8(row[2]);
        ProgramView view;
        view.resize(400, 300);
        view.setBytes(row[1]);
        int beeped = 0;
        connect(&view, &ProgramView::KeyPress, &view, [&](int &key) {
            if (key >= 'a' && key <= 'z')
                key -= 32;
            else if ((key < 32 || key > 127) && key != 13 && !(key == 8 && row[3] == "1"))
                key = 0, ++beeped;
        });
        QSignalSpy changes(&view, &ProgramView::Change);
        pressKeys(&view, keys);
        QCOMPARE(view.buffer().toBytes(), row[4]);
        QCOMPARE(beeped, row[5].toInt());
        QCOMPARE(changes.isEmpty(), row[4] == row[1] && !keys.contains(u"Ctrl+Z"));
    }

    // Selection by keys and mouse; Copy, Cut and Paste with the file's own line ends.
    void selectionAndClipboard()
    {
        ProgramView view;
        view.resize(400, 300);
        view.setBytes("%\nO1\nG0 X1\n%");
        pressKeys(&view, "Down Shift+Down Shift+End Ctrl+C");
        // Plain text with CR LF, and RTF in the view's font, as the rich-text control gives.
        const QMimeData *mime = QApplication::clipboard()->mimeData();
        QCOMPARE(mime->text(), QStringLiteral("O1\r\nG0 X1"));
        const RichText rich = readRtf(mime->data(RichTextBox::rtfMimeType()));
        QCOMPARE(rich.plainText(), QStringLiteral("O1\nG0 X1"));
        QCOMPARE(rich.runs.first().format.fontName, view.font().family());
        QVERIFY(!rich.runs.first().format.bold && !rich.runs.first().format.color);
        pressKeys(&view, "Ctrl+X Ctrl+V Ctrl+V");
        QCOMPARE(view.buffer().toBytes(), QByteArray("%\nO1\nG0 X1O1\nG0 X1\n%"));
        QApplication::clipboard()->setText(QStringLiteral("M30\r\n"));
        pressKeys(&view, "Ctrl+End Ctrl+V");
        const QByteArray pasted("%\nO1\nG0 X1O1\nG0 X1\n%M30\n");
        QCOMPARE(view.buffer().toBytes(), pasted);
        view.setReadOnly(true);
        pressKeys(&view, "Ctrl+A Ctrl+X \"g\" Backspace Del");
        QCOMPARE(view.buffer().toBytes(), pasted);
        QCOMPARE(view.selectedText(), view.buffer().text(0, view.buffer().size()));

        // A click on the third line, a drag to the first.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int height = view.fontMetrics().lineSpacing();
        QWidget *area = view.viewport();
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 5, height * 2 + 2));
        QCOMPARE(view.caret(), view.buffer().offsetOf(2, 10));
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(area->width() - 5, height * 2 + 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(1, 2), area->mapToGlobal(QPointF(1, 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &move);
        QCOMPARE(view.anchor(), view.buffer().offsetOf(2, 10));
        QCOMPARE(view.caret(), 0);
    }

    // Marks given in any order merge and stay sorted (what both controls share: tst_editor).
    void struckMarks_data() { fixtureColumn("marks.rows"); }
    void struckMarks()
    {
        QFETCH(QByteArrayList, row); // name | marks given | marks kept ("-": none)
        const QByteArrayList marks = row[1].split(' ');
        ProgramView view;
        view.setBytes(manyLines(10));
        for (qsizetype i = 0; i < marks.size(); i += 2)
            view.markStruck(marks[i].toLongLong(), marks[i + 1].toLongLong());
        QByteArrayList got;
        for (const auto &[from, to] : view.struckMarks())
            got << QByteArray::number(from) << QByteArray::number(to);
        QCOMPARE(got.join(' '), row[2] == "-" ? QByteArray() : row[2]);
    }

    // Thousands of marks, every other line: painted only over their own characters.
    void struckPainting()
    {
        ProgramView view;
        view.setLineNumbers(false);
        view.setColoured(false);
        view.resize(400, 300);
        view.setBytes(manyLines(20000));
        for (qint64 line = 0; line < 20000; line += 2)
            view.markStruck(view.buffer().offsetOf(line, 1), view.buffer().offsetOf(line, 3));
        view.verticalScrollBar()->setValue(10000);
        const QImage with = view.viewport()->grab().toImage();
        view.clearStruckMarks();
        const QImage without = view.viewport()->grab().toImage();
        const int height = view.fontMetrics().lineSpacing();
        int changed = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                ++changed;
                const qint64 line = 10000 + y / height;
                const QRect first = view.characterRect(view.buffer().offsetOf(line, 1));
                const QRect third = view.characterRect(view.buffer().offsetOf(line, 3));
                QVERIFY2(line % 2 == 0 && x >= first.left() && x < third.left(),
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(changed >= view.visibleLines() / 2 * 4);
    }

    // Appends take the file's line ends (steps: tst_editor); the view follows the end only
    // when the caret was there.
    void appendText()
    {
        ProgramView view;
        view.resize(400, 300);
        view.setBytes("%\nO1");
        view.setReadOnly(true); // a receive goes in while the program is locked
        view.appendText(QStringLiteral("\r\nG0\r\nM30\r"));
        view.appendText(QString::fromUtf8("\u00c4\u20ac\u0416"));
        QCOMPARE(view.buffer().toBytes(), QByteArray("%\nO1\nG0\nM30\n\xC4\x80?"));
        view.appendText(QStringLiteral("\r"));
        view.setBytes("X"); // another text meanwhile: no CR LF made of the two appends
        view.appendText(QStringLiteral("\nN2"), true);
        QCOMPARE(view.buffer().lineCount(), 2);
        view.setBytes(manyLines(100));
        view.appendText(QStringLiteral("M30\r\n"));
        QCOMPARE(view.caret(), 0); // the caret elsewhere stays
        QCOMPARE(view.firstVisibleLine(), 0);
        view.setCaret(view.buffer().size());
        view.appendText(QString(QStringLiteral("G1\n")).repeated(200));
        QCOMPARE(view.caret(), view.buffer().size());
        QCOMPARE(view.firstVisibleLine() + view.visibleLines(), view.buffer().lineCount());
    }

    // A long save runs on another thread, no edit meanwhile; saved only if the last text.
    void backgroundSave_data()
    {
        QTest::addColumn<QString>("meanwhile");
        for (const char *meanwhile : {"typing refused", "undo refused", "a receive stays unsaved",
                                      "typing, into a missing folder"})
            QTest::newRow(meanwhile) << QString::fromLatin1(meanwhile);
    }
    void backgroundSave()
    {
        QFETCH(QString, meanwhile);
        const bool ok = !meanwhile.contains(u"missing"), receive = meanwhile.contains(u"receive");
        const auto restore = qScopeGuard([] { ProgramView::setBackgroundSaveFrom(0); });
        ProgramView::setBackgroundSaveFrom(1);
        QTemporaryDir dir;
        const QString path = dir.filePath(ok ? QStringLiteral("p.nc") : QStringLiteral("no/p.nc"));
        const QByteArray text("%\r\nO1\nN10 G0 X1\r\nM30\r\n%");
        ProgramView view;
        view.setBytes(text.chopped(1));
        view.setCaret(view.buffer().size());
        pressKeys(&view, QStringLiteral("\"%\""));
        QSignalSpy saved(&view, &ProgramView::fileSaved);
        QVERIFY(view.saveFile(path));
        QVERIFY(view.isSaving() && view.isBusy() && view.isReadOnly());
        QVERIFY(!view.saveFile(path)); // one save at a time
        if (meanwhile.startsWith(u"typing"))
            pressKeys(&view, QStringLiteral("\"X\""));
        else if (meanwhile.startsWith(u"undo"))
            view.undo();
        else
            view.appendText(QStringLiteral("N20"));
        QVERIFY(saved.wait());
        QCOMPARE(saved.first().first().toBool(), ok);
        QVERIFY(!view.isSaving() && !view.isReadOnly());
        QCOMPARE(view.buffer().toBytes(), receive ? text + "N20" : text);
        QCOMPARE(view.isModified(), receive || !ok);
        QCOMPARE(view.saveError().isEmpty(), ok);
        if (ok)
            QCOMPARE(readFile(path), text);
    }

    // Printed lines, paged by the printer's page; a selection prints only its lines.
    void print_data() { fixtureColumn("print.rows"); }
    void print()
    {
        QFETCH(QByteArrayList, row); // -1 from: three pages and a line, everything printed
        const int from = row[1].toInt(), fromColumn = row[2].toInt(), to = row[3].toInt(),
                  toColumn = row[4].toInt(), expected = row[5].toInt();
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("print.pdf")));
        ProgramView view;
        const QFontMetrics metrics(QFont(view.font(), &printer), &printer);
        const int perPage = printer.pageLayout().paintRectPixels(printer.resolution()).height() /
                            metrics.lineSpacing();
        QByteArray bytes = manyLines(qint64(3) * perPage + (from < 0 ? 1 : 0));
        bytes.chop(2); // the last line without its end
        view.setBytes(bytes);
        const qint64 first = std::max(from, 0);
        const auto at = [&](int line, int column) { return view.buffer().offsetOf(line, column); };
        const bool all = from == to && fromColumn == toColumn;
        const qint64 a = all ? 0 : at(first, fromColumn);
        const qint64 b = all          ? 0
                         : from == to ? at(first, toColumn)
                                      : at(first + qint64(to) * perPage, toColumn);
        view.print(&printer, a, b);
        const QByteArray pdf = readFile(printer.outputFileName());
        QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") +
                     pdf.count("/Type /Page/") + pdf.count("/Type /Page "),
                 expected);
    }

    // Paste takes the plain text, else the RTF's; beyond a bound a copy is plain only.
    void richClipboard()
    {
        ProgramView view;
        view.setBytes("%\nO1\nG0 X1\n%");
        auto *onlyRtf = new QMimeData;
        onlyRtf->setData(RichTextBox::rtfMimeType(), "{\\rtf1\\ansi N5 \\b G1\\b0\\par M30}");
        QApplication::clipboard()->setMimeData(onlyRtf);
        view.setCaret(view.buffer().size());
        view.paste();
        QCOMPARE(view.buffer().toBytes(), QByteArray("%\nO1\nG0 X1\n%N5 G1\nM30"));
        auto *both = new QMimeData;
        both->setData(RichTextBox::rtfMimeType(), "{\\rtf1\\ansi RTF}");
        both->setText(QStringLiteral("T1\r\n"));
        QApplication::clipboard()->setMimeData(both);
        view.paste();
        QCOMPARE(view.buffer().toBytes(), QByteArray("%\nO1\nG0 X1\n%N5 G1\nM30T1\n"));
        const auto restore = qScopeGuard([] { ProgramView::setRichCopyLimit(0); });
        ProgramView::setRichCopyLimit(6);
        view.select(2, 10);
        view.cut();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("O1\r\nG0 X1"));
        QVERIFY(!QApplication::clipboard()->mimeData()->hasFormat(RichTextBox::rtfMimeType()));
        QCOMPARE(view.buffer().toBytes(), QByteArray("%\n\n%N5 G1\nM30T1\n"));
        view.select(0, 6); // at the bound
        view.copy();
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(RichTextBox::rtfMimeType()));
    }

    void replaceAll_data() { fixtureColumn("replace.rows"); }
    void replaceAll()
    {
        QFETCH(QByteArrayList, row); // name | bytes | text | with | flags | after | how many
        const QByteArray &bytes = row[1];
        const QString text = QString::fromUtf8(row[2]), with = QString::fromUtf8(row[3]);
        const qint64 count = row[6].toLongLong();
        ProgramView view;
        view.setBytes(bytes);
        view.setReadOnly(true);
        QCOMPARE(view.replaceAll(text, with, row[4].toInt()), qint64(0));
        QVERIFY(!view.replaceSelection(with));
        view.setReadOnly(false);
        QCOMPARE(view.replaceAll(text, with, row[4].toInt()), count);
        QCOMPARE(view.buffer().toBytes(), row[5]);
        QCOMPARE(view.buffer().canUndo(), count > 0);
        view.undo();
        QCOMPARE(view.buffer().toBytes(), bytes);
        view.select(0, 1);
        QVERIFY(view.replaceSelection(with));
        QCOMPARE(view.buffer().toBytes(),
                 LineBuffer::encode(with, view.buffer().lineEnd()) + bytes.mid(1));
    }

    // A send from the buffer gives and counts what a send of the CR LF text gives.
    void bufferSend_data()
    {
        fixtureColumn("send.rows");                        // name | bytes | from | to (positions)
        QByteArray chunked((qsizetype(1) << 20) + 1, 'X'); // the CR last of a read
        chunked[chunked.size() - 1] = '\r';
        QTest::newRow("CR LF across the reading")
            << QByteArrayList{"", chunked + "\nN1\n", "0", "-1"};
    }
    void bufferSend()
    {
        QFETCH(QByteArrayList, row);
        const qint64 from = row[2].toLongLong(), to = row[3].toLongLong();
        LineBuffer buffer;
        buffer.setBytes(row[1]);
        QString whole = buffer.text(0, buffer.size());
        whole.replace(u'\n', QStringLiteral("\r\n"));
        const QString range = whole.mid(from, to < 0 ? -1 : to - from);
        const auto drive = [&](auto &&steps) {
            BufferSendSource ours(buffer, from, to);
            TextSendSource theirs(range);
            QCOMPARE(ours.total(), theirs.total());
            for (int i = 0; !theirs.atEnd() || !ours.atEnd(); ++i) {
                QVERIFY(i < (1 << 20));
                QCOMPARE(steps(ours, i), steps(theirs, i));
                QCOMPARE(ours.position(), theirs.position());
                QCOMPARE(ours.atEnd(), theirs.atEnd());
            }
            QCOMPARE(ours.take(5), QString());
        };
        const int sizes[] = {1, 2, 3, 7, 1 << 21};
        drive([&](SendSource &s, int i) { return s.take(sizes[i % 5]); });
        drive([](SendSource &s, int) { return s.takeLine(1000); });
        drive([](SendSource &s, int i) { return i % 2 ? restOfBlock(&s, 4) : s.take(2); });
        // Edits to the view's buffer after the start do not reach the send.
        BufferSendSource copy(buffer, from, to);
        buffer.insert(0, "EDIT\n");
        QCOMPARE(copy.take(1 << 21), range);
    }

    // What a screen reader asks: caret, line, word, selection; its caret moves the view's.
    void accessibleText()
    {
        ProgramView view;
        view.resize(400, 300);
        view.setBytes("%\r\nN10 G01 X1\r\nM30");
        pressKeys(&view, "Down End Left Left");
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
        QAccessibleTextInterface *text = accessible ? accessible->textInterface() : nullptr;
        QVERIFY(text);
        QCOMPARE(text->cursorPosition(), 11);
        QCOMPARE(text->characterCount(), 18);
        int start = 0, end = 0;
        QCOMPARE(text->textAtOffset(11, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("N10 G01 X1\r\n"));
        QCOMPARE(start, 3);
        QCOMPARE(text->textAtOffset(9, QAccessible::WordBoundary, &start, &end),
                 QStringLiteral("G01 "));
        QCOMPARE(text->textAfterOffset(11, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("M30"));
        QCOMPARE(text->textBeforeOffset(3, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("%\r\n"));
        QCOMPARE(text->text(7, 10), QStringLiteral("G01"));
        pressKeys(&view, "Shift+Home");
        QCOMPARE(text->selectionCount(), 1);
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(3, 11));
        text->setCursorPosition(18);
        QCOMPARE(view.caretLine(), 2);
        QCOMPARE(text->selectionCount(), 0);
    }
};

QTEST_MAIN(TstProgramView)
#include "tst_programview.moc"
