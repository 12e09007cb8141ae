// Find and replace: whole-word, case-blind search in editor positions (a line end counts
// two), the wrap-around, Replace and a Replace All that always ends and is one Undo step;
// the modeless dialog with its sorted lists and Enter keys; and the frame's commands.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "support/CaptionsFit.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/GoldenStrings.h"
#include "support/QuestionAnswerer.h"
#include "support/FrameSession.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"
#include "tools/TextSearch.h"
#include "tools/frmFindReplace.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

using Session = FrameSession;

} // namespace

class TstFindReplace : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void findNext_data();
    void findNext();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void dialogShowsAtItsPlaceOnTop();
    void enterListsTheTextSorted();
    void buttons();
    void lockedProgramIsNotChanged();
    void noProgramWindow();
    void captionsInEveryLanguage_data();
    void captionsInEveryLanguage();
    void frameCommands();
    void dialogActsOnTheActiveWindow();
    void dialogFollowsTheFrame();

private:
    RichTextBox m_box;
    void useBox()
    {
        frmFindReplace::setEditorSource([this] { return &m_box; });
    }
};

void TstFindReplace::cleanup()
{
    CloseFindDialog();
    QTRY_VERIFY(!frmFindReplace::loaded());
    frmFindReplace::setEditorSource(nullptr);
    LastFindText.clear();
    setLanguageNumber(1);
}

void TstFindReplace::findNext_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("found"); // -1: no match, the selection stays
    const QString lines = QStringLiteral("G0\r\nG1 X1\r\nG1 X2");
    QTest::newRow("whole word only") << "G10 X5\r\nG1 X0" << 0 << 0 << "G1" << 8;
    QTest::newRow("inside a word is no match") << "N10G1X5" << 0 << 0 << "G1" << -1;
    QTest::newRow("case ignored") << "G1 X0" << 0 << 0 << "x0" << 3;
    QTest::newRow("line ends count two") << lines << 0 << 0 << "G1" << 4;
    QTest::newRow("from the end of the selection") << lines << 4 << 2 << "G1" << 11;
    QTest::newRow("caret after the last match wraps") << lines << 12 << 0 << "G1" << 4;
    QTest::newRow("the only match selected is found again") << "G0 G1 X1" << 3 << 2 << "G1" << 3;
    QTest::newRow("no match anywhere") << lines << 5 << 3 << "G2" << -1;
    QTest::newRow("empty text finds nothing") << lines << 5 << 3 << "" << -1;
}

void TstFindReplace::findNext()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, find);
    QFETCH(int, found);
    m_box.setText(text);
    m_box.select(selStart, selLength);
    QCOMPARE(selectNextMatch(m_box, find), found >= 0);
    QCOMPARE(m_box.selStart(), found >= 0 ? found : selStart);
    QCOMPARE(m_box.selLength(), found >= 0 ? int(find.size()) : selLength);
    if (found >= 0)
        QCOMPARE(m_box.selText().toUpper(), find.toUpper());
}

void TstFindReplace::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("count");
    QTest::newRow("every match, also before the caret")
        << "G1 X0\r\nG10 X1\r\ng1 X2" << 9 << 0 << "G1"
        << "G01"
        << "G01 X0\r\nG10 X1\r\nG01 X2" << 2;
    QTest::newRow("the selected match too") << "G1 G1 G1" << 3 << 2 << "G1"
                                            << "G2"
                                            << "G2 G2 G2" << 3;
    QTest::newRow("a word by itself ends") << "G1 X0 G1" << 0 << 0 << "G1"
                                           << "G1"
                                           << "G1 X0 G1" << 2;
    QTest::newRow("replacement holding the word ends") << "A X B X" << 0 << 0 << "X"
                                                       << "X X"
                                                       << "A X X B X X" << 2;
    QTest::newRow("caret inside a word") << "AB CD AB" << 1 << 0 << "AB"
                                         << "Z"
                                         << "Z CD Z" << 2;
    QTest::newRow("empty find text does nothing") << "G1 X0" << 0 << 0 << ""
                                                  << "Y"
                                                  << "G1 X0" << 0;
    QTest::newRow("no match") << "G1 X0" << 0 << 0 << "G2"
                              << "G3"
                              << "G1 X0" << 0;
    QTest::newRow("to nothing") << "M1 G0\r\nM1" << 0 << 0 << "M1"
                                << ""
                                << " G0\r\n"
                                << 2;
}

void TstFindReplace::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    QFETCH(int, count);
    m_box.setText(text);
    m_box.select(selStart, selLength);
    QCOMPARE(replaceAllMatches(m_box, find, replacement), count);
    QCOMPARE(m_box.text(), result);
}

void TstFindReplace::replaceAllIsOneUndoStep()
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("N%1 G1 X%1\r\n").arg(i);
    RichTextBox box;
    box.setText(text);
    box.document()->clearUndoRedoStacks();
    QCOMPARE(replaceAllMatches(box, QStringLiteral("G1"), QStringLiteral("G01")), 200);
    QVERIFY(!box.text().contains(QLatin1String(" G1 ")));
    box.undo();
    QCOMPARE(box.text(), text);
    QVERIFY(!box.document()->isUndoAvailable());
}

void TstFindReplace::dialogShowsAtItsPlaceOnTop()
{
    QVERIFY(!FindDialogShown);
    ShowFindDialog();
    frmFindReplace *dialog = frmFindReplace::loaded();
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(FindDialogShown);
    QVERIFY(!dialog->isModal());
    QVERIFY(!dialog->parentWidget());
    QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(dialog->pos(), QPoint(100, 100));
    // Moved by the user, it jumps back and keeps what it holds.
    dialog->cboFind->setEditText(QStringLiteral("G1"));
    dialog->move(300, 250);
    ShowFindDialog();
    QCOMPARE(frmFindReplace::loaded(), dialog);
    QCOMPARE(dialog->pos(), QPoint(100, 100));
    QCOMPARE(dialog->cboFind->currentText(), QStringLiteral("G1"));
    // No button answers Enter.
    for (QPushButton *b :
         {dialog->cmdFindNext, dialog->cmdCancel, dialog->cmdReplace, dialog->cmdReplaceAll})
        QVERIFY(!b->isDefault() && !b->autoDefault());

    // Escape closes and unloads it.
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!frmFindReplace::loaded());
    QVERIFY(!FindDialogShown);
    ShowFindDialog();
    QCOMPARE(frmFindReplace::loaded()->cboFind->currentText(), QString());
    QCOMPARE(frmFindReplace::loaded()->cboFind->count(), 0);
}

void TstFindReplace::enterListsTheTextSorted()
{
    useBox();
    m_box.setText(QStringLiteral("b X1 b"));
    m_box.select(0, 0);
    ShowFindDialog();
    frmFindReplace *d = frmFindReplace::loaded();
    for (const char *text : {"b", "A", "c", "b", ""}) {
        d->cboFind->setEditText(QLatin1String(text));
        QTest::keyClick(d->cboFind, Qt::Key_Return);
    }
    QCOMPARE(itemsOf(d->cboFind), (QStringList{"", "A", "b", "b", "c"}));
    // "b" was found twice; "A", "c" and the empty text nowhere.
    QCOMPARE(m_box.selStart(), 5);
    QCOMPARE(m_box.selLength(), 1);

    d->cboReplace->setEditText(QStringLiteral("z"));
    QTest::keyClick(d->cboReplace->lineEdit(), Qt::Key_Return);
    d->cboReplace->setEditText(QStringLiteral("Y"));
    QTest::keyClick(d->cboReplace, Qt::Key_Enter);
    QCOMPARE(itemsOf(d->cboReplace), (QStringList{"Y", "z"}));
    QCOMPARE(d->cboReplace->currentText(), QStringLiteral("Y"));
    QCOMPARE(m_box.text(), QStringLiteral("b X1 b")); // Enter in the replace box only lists
    QVERIFY(d->isVisible());
}

void TstFindReplace::buttons()
{
    useBox();
    m_box.setText(QStringLiteral("G1 X0\r\nG1 X1\r\nG10"));
    m_box.select(0, 0);
    ShowFindDialog();
    frmFindReplace *d = frmFindReplace::loaded();
    d->cboFind->setEditText(QStringLiteral("g1"));
    d->cboReplace->setEditText(QStringLiteral("G01"));

    d->cmdFindNext->click();
    QCOMPARE(LastFindText, QStringLiteral("g1"));
    QCOMPARE(m_box.selStart(), 0);
    QCOMPARE(m_box.selLength(), 2);
    d->cmdReplace->click(); // replaces the match and finds the next
    QCOMPARE(m_box.text(), QStringLiteral("G01 X0\r\nG1 X1\r\nG10"));
    QCOMPARE(m_box.selStart(), 8);
    QCOMPARE(m_box.selLength(), 2);
    // Replace with no match selected: the selection (here: nothing at the caret) is
    // replaced all the same.
    m_box.select(2, 0);
    d->cmdReplace->click();
    QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG1 X1\r\nG10"));
    QCOMPARE(m_box.selStart(), 11);
    d->cmdReplaceAll->click();
    QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG01 X1\r\nG10"));
    QVERIFY(d->isVisible()); // no message, no closing
    // F3 from the menu keeps the last text after the dialog has gone.
    d->cmdCancel->click();
    QTRY_VERIFY(!frmFindReplace::loaded());
    QCOMPARE(LastFindText, QStringLiteral("g1"));
}

// A transfer locks the editor: the dialog still finds, but does not change the text that
// is being sent.
void TstFindReplace::lockedProgramIsNotChanged()
{
    useBox();
    m_box.setText(QStringLiteral("G1 X0 G1"));
    m_box.select(0, 0);
    m_box.setLocked(true);
    ShowFindDialog();
    frmFindReplace *d = frmFindReplace::loaded();
    d->cboFind->setEditText(QStringLiteral("G1"));
    d->cboReplace->setEditText(QStringLiteral("G2"));
    d->cmdReplace->click();
    d->cmdReplaceAll->click();
    QCOMPARE(m_box.text(), QStringLiteral("G1 X0 G1"));
    d->cmdFindNext->click();
    QCOMPARE(m_box.selStart(), 0);
    QCOMPARE(m_box.selLength(), 2);
    m_box.setLocked(false);
}

void TstFindReplace::noProgramWindow()
{
    frmFindReplace::setEditorSource([] { return static_cast<RichTextBox *>(nullptr); });
    ShowFindDialog();
    frmFindReplace *d = frmFindReplace::loaded();
    d->cboFind->setEditText(QStringLiteral("G1"));
    for (qint32 action : {0, 1, 2}) {
        qint32 a = action;
        QVERIFY(!d->FindReplaceCommand(a));
    }
    bool useLast = true;
    QVERIFY(!FindNextMatch(useLast));
}

void TstFindReplace::captionsInEveryLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 1;
    QTest::newRow("Bulgarian") << 2;
    QTest::newRow("Spanish") << 3;
}

void TstFindReplace::captionsInEveryLanguage()
{
    QFETCH(int, language);
    Session session; // the frame is the first window, which the switch leaves alone
    session.trigger("mnuEditFind");
    frmFindReplace *d = frmFindReplace::loaded();
    QVERIFY(d);
    session.frame->changeLanguage(qint16(language));
    const auto g = [language](int offset) { return golden(language, offset); };
    QCOMPARE(d->windowTitle(), g(223));
    QCOMPARE(d->lblFind->text(), g(224));
    QCOMPARE(d->lblReplace->text(), g(225));
    QCOMPARE(d->cmdFindNext->text(), g(226));
    QCOMPARE(d->cmdCancel->text(), g(227));
    QCOMPARE(d->cmdReplace->text(), g(228));
    QCOMPARE(d->cmdReplaceAll->text(), g(229));
    QCOMPARE(d->cboFind->toolTip(), g(331));
    QCOMPARE(d->cboReplace->toolTip(), g(332));
    checkCaptionsFit(d);
    // Loaded anew in that language.
    d->close();
    QTRY_VERIFY(!frmFindReplace::loaded());
    session.trigger("mnuEditReplace");
    QCOMPARE(frmFindReplace::loaded()->cmdReplaceAll->text(), g(229));
}

void TstFindReplace::frameCommands()
{
    Session session;
    QCOMPARE(session.frame->menuEntry(QStringLiteral("mnuEditFindNext"))->shortcut(),
             QKeySequence(Qt::Key_F3));
    RichTextBox *editor = session.editor();
    editor->setText(QStringLiteral("G1 X0\r\nG1 X1"));
    editor->select(0, 0);

    // F3 before any search does nothing.
    session.trigger("mnuEditFindNext");
    QCOMPARE(editor->selLength(), 0);

    // Find and Replace open the dialog, not while the editor is locked.
    editor->setLocked(true);
    session.trigger("mnuEditFind");
    session.trigger("mnuEditReplace");
    QVERIFY(!frmFindReplace::loaded());
    editor->setLocked(false);
    session.trigger("mnuEditReplace");
    QVERIFY(frmFindReplace::loaded());
    QVERIFY(FindDialogShown);
    frmFindReplace *d = frmFindReplace::loaded();
    d->cboFind->setEditText(QStringLiteral("G1"));
    d->cmdFindNext->click();
    QCOMPARE(editor->selStart(), 0);
    d->cmdCancel->click();
    QTRY_VERIFY(!frmFindReplace::loaded());

    // F3 goes on with the last text, and not while locked.
    session.trigger("mnuEditFindNext");
    QCOMPARE(editor->selStart(), 7);
    editor->setLocked(true);
    session.trigger("mnuEditFindNext");
    QCOMPARE(editor->selStart(), 7);
    editor->setLocked(false);
    session.trigger("mnuEditFindNext");
    QCOMPARE(editor->selStart(), 0);
}

void TstFindReplace::dialogActsOnTheActiveWindow()
{
    Session session;
    RichTextBox *first = session.editor();
    first->setText(QStringLiteral("G1 X0"));
    first->select(0, 0);
    session.trigger("mnuEditFind");
    frmFindReplace *d = frmFindReplace::loaded();
    d->cboFind->setEditText(QStringLiteral("X0"));
    d->cboReplace->setEditText(QStringLiteral("X9"));

    session.frame->NewProgramWindow(0);
    RichTextBox *second = session.editor();
    QVERIFY(second != first);
    second->setText(QStringLiteral("X0 X0"));
    d->cmdReplaceAll->click();
    QCOMPARE(second->text(), QStringLiteral("X9 X9"));
    QCOMPARE(first->text(), QStringLiteral("G1 X0"));

    // The dialog goes with the last program window.
    for (frmProgram *program : session.frame->programWindows()) {
        answerNextQuestion(clickNo());
        program->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTRY_COMPARE(ProgramWindowCount, 0);
    QTRY_VERIFY(!frmFindReplace::loaded());
    QVERIFY(!FindDialogShown);
}

void TstFindReplace::dialogFollowsTheFrame()
{
    Session session;
    session.frame->showNormal();
    session.trigger("mnuEditFind");
    frmFindReplace *d = frmFindReplace::loaded();
    session.frame->showMinimized();
    QTRY_VERIFY(d->isMinimized());
    session.frame->showMaximized();
    QTRY_VERIFY(!d->isMinimized());
    QVERIFY(d->isVisible());
    session.frame->showMinimized();
    QTRY_VERIFY(d->isMinimized());
    session.frame->showNormal();
    QTRY_VERIFY(!d->isMinimized());
}

QTEST_MAIN(TstFindReplace)
#include "tst_findreplace.moc"
