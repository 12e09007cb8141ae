// SPDX-License-Identifier: GPL-3.0-or-later
// The toolpath preview of a program window: a click on the path puts the caret on its
// block, the caret's block is marked, a send colours what it has sent, an edit redraws
// once typing pauses, and the words not understood show with their lines.
#include "common/AppState.h"
#include "common/SettingsStore.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "program/Pause.h"
#include "program/ToolpathView.h"
#include "program/frmPreview.h"
#include "program/frmProgram.h"
#include "support/PtyMachine.h"
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

std::unique_ptr<frmProgram> makeProgram(PtyMachine &machine)
{
    machine.mapTo(3);
    SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), QStringLiteral("Com3"));
    auto program = std::make_unique<frmProgram>();
    program->tEvent->stop();
    return program;
}

struct Window {
    TestFolders folders;
    PtyMachine machine; // on the port of the program's line
    std::unique_ptr<frmProgram> owner;
    frmProgram &program;
    frmPreview *preview = nullptr;

    Window() : owner(makeProgram(machine)), program(*owner)
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

// A send of lines 1 and 2 (the selection up to the line end of line 2).
void TstPreview::sendColoursTheSentBlocks()
{
    Window w;
    QVERIFY(w.machine.ok());
    qint64 now = 0;
    setPauseClock([&] { return now += 1000; });
    w.program.rtfText->select(3, 28);
    w.program.Send();
    QList<QPair<int, int>> seen;
    while (w.program.actAction == actSend) {
        w.program.tEvent_Timer();
        QTRY_VERIFY(!w.program.ucDnc1->SendInProgress());
        seen << w.preview->view->sentLines();
    }
    setPauseClock(nullptr);
    QCOMPARE(seen, (QList<QPair<int, int>>{{1, 2}, {1, 3}, {0, -1}}));
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
