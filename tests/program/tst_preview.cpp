// SPDX-License-Identifier: GPL-3.0-or-later
// The toolpath preview of a program window: a click on the path puts the caret on its
// block, the caret's block is marked, a send colours what it has sent, an edit redraws
// once typing pauses, and the words not understood show with their lines.
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "program/ToolpathView.h"
#include "program/frmPreview.h"
#include "program/frmProgram.h"
#include "support/TestFolders.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// Line 1 a rapid along X, line 2 a feed along Y, line 3 an arc over the top to X0 Y10.
const QString kProgram =
    QStringLiteral("%\r\nG0 X10 Y0\r\nG1 X10 Y10 F100\r\nG3 X0 Y10 R5\r\nM30\r\n");

struct Window {
    TestFolders folders;
    frmProgram program;
    frmPreview *preview = nullptr;

    Window()
    {
        program.rtfText->setText(kProgram);
        program.show();
        program.Preview();
        preview = program.findChild<frmPreview *>();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        QTRY_VERIFY(!preview->busy());
    }
    QPoint at(double x, double y) const { return preview->view->toScreen({x, y, 0}).toPoint(); }
};

} // namespace

class TstPreview : public QObject {
    Q_OBJECT
private slots:
    void clickPutsTheCaretOnTheBlock_data();
    void clickPutsTheCaretOnTheBlock();
    void caretMarksItsBlock_data();
    void caretMarksItsBlock();
    void sendColoursTheSentBlocks();
    void editRedrawsOnceTypingPauses();
};

void TstPreview::clickPutsTheCaretOnTheBlock_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("caret"); // editor position, a line end counting two
    QTest::newRow("rapid") << 5.0 << 0.0 << 3;
    QTest::newRow("feed") << 10.0 << 6.0 << 14;
    QTest::newRow("arc top") << 5.0 << 15.0 << 31;
    QTest::newRow("nothing there") << 5.0 << 5.0 << 45;
}

void TstPreview::clickPutsTheCaretOnTheBlock()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, caret);
    Window w;
    w.program.rtfText->setSelStart(45);
    QTest::mouseClick(w.preview->view, Qt::LeftButton, {}, w.at(x, y));
    QCOMPARE(w.program.rtfText->selStart(), caret);
    QCOMPARE(w.program.rtfText->selLength(), 0);
}

void TstPreview::caretMarksItsBlock_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("line");
    QTest::newRow("on the feed's block") << 20 << 2;
    QTest::newRow("at the arc block's end") << 43 << 3;
    QTest::newRow("a block without moves") << 0 << 0;
}

void TstPreview::caretMarksItsBlock()
{
    QFETCH(int, caret);
    QFETCH(int, line);
    Window w;
    w.program.rtfText->setSelStart(caret);
    QCOMPARE(w.preview->view->markedLine(), line);
    // The marked block is drawn in the marking colour, the others are not.
    const QImage image = w.preview->view->grab().toImage();
    const QColor marked(230, 20, 20);
    QCOMPARE(image.pixelColor(w.at(10, 6)) == marked, line == 2);
    QCOMPARE(image.pixelColor(w.at(5, 15)) == marked, line == 3);
}

void TstPreview::sendColoursTheSentBlocks()
{
    Window w;
    emit w.program.sendProgress(3, 31); // from line 1 to the start of line 3
    QCOMPARE(w.preview->view->sentLines(), qMakePair(1, 3));
    emit w.program.sendProgress(0, -1);
    QCOMPARE(w.preview->view->sentLines().second, -1);
}

void TstPreview::editRedrawsOnceTypingPauses()
{
    Window w;
    QCOMPARE(w.preview->view->path().segments.size(), 3);
    w.program.rtfText->setSelStart(w.program.rtfText->textLength());
    QTest::keyClicks(w.program.rtfText, "G28 X0\rG1 Y-5");
    QVERIFY(w.preview->tUpdate->isActive());
    QCOMPARE(w.preview->view->path().segments.size(), 3);
    QTRY_COMPARE(w.preview->view->path().segments.size(), 4);
    QCOMPARE(w.preview->lblStatus->text(), "Not understood: G28 (line 6)");
    w.preview->chkLathe->setChecked(true);
    QCOMPARE(w.preview->view->view(), ToolpathView::ViewLathe);
    QCOMPARE(w.preview->view->path().points.at(1).x, 5.0); // X10 a diameter
    ChangeLanguage(3);
    QCOMPARE(w.preview->lblStatus->text(), "No entendido: G28 (linea 6)");
    ChangeLanguage(1);
}

QTEST_MAIN(TstPreview)
#include "tst_preview.moc"
