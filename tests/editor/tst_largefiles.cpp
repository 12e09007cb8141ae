// SPDX-License-Identifier: GPL-3.0-or-later
// Long programs: a CAM-like program opens and saves byte for byte, as plain text and as
// RTF, whether it opens at once or on another thread and saves at once or in slices, and
// shows coloured and numbered from its first line; an open in progress survives its editor
// going away or a second open, and leaves other editors alone.
#include "editor/LineNumberGutter.h"
#include "editor/RichTextBox.h"
#include "support/TestFolders.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace kordavel;
using kordavel::test::readFile;
using kordavel::test::writeFile;

namespace {

// Lines like a CAM post-processor's: blocks, comments, tool changes, empty lines.
QList<QByteArray> camLines(int count)
{
    QList<QByteArray> lines{"%", "O2001 (POCKET {A} - T1 D10)", "(MACHINE: VMC \\ 3 AXES)"};
    for (int i = 0; lines.size() < count - 2; ++i) {
        const QByteArray n = "N" + QByteArray::number(10 * i) + ' ';
        if (i % 97 == 0)
            lines << "(PASS " + QByteArray::number(i / 97) + " - ROUGHING)" << QByteArray();
        else if (i % 13 == 0)
            lines << n + "G00 Z" + QByteArray::number(i % 50) + ".5";
        else
            lines << n + "G01 X" + QByteArray::number(i * 0.137, 'f', 3) + " Y-" +
                         QByteArray::number(i % 211) + ".25 F" + QByteArray::number(300 + i % 7);
    }
    return lines << "M30"
                 << "%";
}

// The RTF the editor writes for unformatted lines: one paragraph a line.
QByteArray camRtf(const QList<QByteArray> &lines)
{
    QByteArray out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}}\r\n"
                     "{\\colortbl ;}\r\n\\pard\\f0\\fs20";
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        line.replace('\\', "\\\\").replace('{', "\\{").replace('}', "\\}");
        out += (i ? "\\par" : "") + (line.isEmpty() ? QByteArray() : ' ' + line) + "\r\n";
    }
    return out + "\\par }\r\n";
}

} // namespace

class TstLargeFiles : public QObject {
    Q_OBJECT
private slots:
    void savedAsOpened_data();
    void savedAsOpened();
    void openInProgressSurvives();
};

void TstLargeFiles::savedAsOpened_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("rtf");
    for (const int lines : {3000, 30000}) {
        QTest::addRow("%d lines, plain", lines) << lines << false;
        QTest::addRow("%d lines, rtf", lines) << lines << true;
    }
}

void TstLargeFiles::savedAsOpened()
{
    QFETCH(int, lines);
    QFETCH(bool, rtf);
    const QList<QByteArray> program = camLines(lines);
    const QByteArray bytes = rtf ? camRtf(program) : program.join("\r\n") + "\r\n";
    QTemporaryDir dir;
    const QString in = dir.filePath(rtf ? "in.dnc" : "in.nc");
    writeFile(in, bytes);
    RichTextBox editor;
    editor.resize(500, 300);
    editor.setHighlighting(true);
    editor.setLineNumbers(true);
    editor.show();
    QSignalSpy opened(&editor, &RichTextBox::fileOpened);
    editor.openFile(in);
    QTRY_COMPARE(opened.size(), 1);
    QVERIFY(opened.first().first().toBool());
    // Coloured and numbered from its first line as soon as it shows.
    QTRY_VERIFY(!editor.extraSelections().isEmpty());
    QCOMPARE(editor.lineNumberGutter()->shownLines().value(0).number, 1);
    QCOMPARE(editor.textLength(), int(program.join("\r\n").size()) + 2 * !rtf);
    QVERIFY(editor.saveFile(dir.filePath("out")));
    QCOMPARE(readFile(dir.filePath("out")), bytes);
    // Plain text saved as RTF writes the same as the RTF file.
    if (rtf)
        return;
    QVERIFY(editor.saveFileAs(dir.filePath("as.dnc")));
    QCOMPARE(readFile(dir.filePath("as.dnc")), camRtf(program + QList<QByteArray>{""}));
}

void TstLargeFiles::openInProgressSurvives()
{
    QTemporaryDir dir;
    const QList<QByteArray> program = camLines(40000);
    const QString first = dir.filePath("first.nc");
    const QString second = dir.filePath("second.nc");
    writeFile(first, program.join("\n"));
    writeFile(second, program.mid(1).join("\r\n"));
    RichTextBox other;
    other.setText(QStringLiteral("G01 X1"));
    {
        RichTextBox closed; // goes away while its open runs
        closed.openFile(first);
        QVERIFY(closed.isOpening() && closed.locked());
    }
    RichTextBox twice;
    QSignalSpy opened(&twice, &RichTextBox::fileOpened);
    twice.openFile(first);
    twice.openFile(second); // drops the first
    QTRY_COMPARE(opened.size(), 1);
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    QVERIFY(!twice.locked());
    QCOMPARE(twice.text(), QString::fromLatin1(program.mid(1).join("\r\n")));
    QCOMPARE(other.text(), QStringLiteral("G01 X1"));
}

QTEST_MAIN(TstLargeFiles)
#include "tst_largefiles.moc"
