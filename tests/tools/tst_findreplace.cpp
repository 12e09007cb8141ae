// SPDX-License-Identifier: GPL-3.0-or-later
// Find and replace: whole-word, case-blind search in editor positions (a line end counts
// two), the wrap-around, Replace and a Replace All that always ends and is one Undo step;
// the modeless dialog with its sorted lists and Enter keys; and the frame's commands.
#include "common/AppState.h"
#include "support/CaptionsFit.h"
#include "support/FrameSession.h"
#include "tools/TextSearch.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace kordavel;
using namespace kordavel::test;

class TstFindReplace : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        CloseFindDialog();
        QTRY_VERIFY(!frmFindReplace::loaded());
        frmFindReplace::setEditorSource(nullptr);
        LastFindText.clear();
        setLanguageNumber(1);
        m_box.setLocked(false);
    }

    void findNext_data()
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
        QTest::newRow("the only match selected is found again")
            << "G0 G1 X1" << 3 << 2 << "G1" << 3;
        QTest::newRow("no match anywhere") << lines << 5 << 3 << "G2" << -1;
        QTest::newRow("empty text finds nothing") << lines << 5 << 3 << "" << -1;
    }

    void findNext()
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

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("count");
        const auto row = [](const char *name, const QString &text, int selStart, int selLength,
                            const QString &find, const QString &replacement, const QString &result,
                            int count) {
            QTest::newRow(name) << text << selStart << selLength << find << replacement << result
                                << count;
        };
        row("every match, also before the caret", "G1 X0\r\nG10 X1\r\ng1 X2", 9, 0, "G1", "G01",
            "G01 X0\r\nG10 X1\r\nG01 X2", 2);
        row("the selected match too", "G1 G1 G1", 3, 2, "G1", "G2", "G2 G2 G2", 3);
        row("a word by itself ends", "G1 X0 G1", 0, 0, "G1", "G1", "G1 X0 G1", 2);
        row("replacement holding the word ends", "A X B X", 0, 0, "X", "X X", "A X X B X X", 2);
        row("caret inside a word", "AB CD AB", 1, 0, "AB", "Z", "Z CD Z", 2);
        row("caret inside the last match, longer replacement", "G1 G1", 4, 0, "G1", "G01",
            "G01 G01", 2);
        row("empty find text does nothing", "G1 X0", 0, 0, "", "Y", "G1 X0", 0);
        row("no match", "G1 X0", 0, 0, "G2", "G3", "G1 X0", 0);
        row("to nothing", "M1 G0\r\nM1", 0, 0, "M1", "", " G0\r\n", 2);
        QString many, replaced;
        for (int i = 0; i < 200; ++i) {
            many += QStringLiteral("N%1 G1 X%1\r\n").arg(i);
            replaced += QStringLiteral("N%1 G01 X%1\r\n").arg(i);
        }
        row("200 lines", many, 0, 0, "G1", "G01", replaced, 200);
    }

    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(QString, result);
        QFETCH(int, count);
        m_box.setText(text);
        m_box.document()->clearUndoRedoStacks();
        m_box.select(selStart, selLength);
        QCOMPARE(replaceAllMatches(m_box, find, replacement), count);
        QCOMPARE(m_box.text(), result);
        // One Undo step takes it all back.
        if (count > 0)
            m_box.undo();
        QCOMPARE(m_box.text(), text);
        QVERIFY(!m_box.document()->isUndoAvailable());
    }

    void dialogShowsAtItsPlaceOnTop()
    {
        QVERIFY(!FindDialogShown);
        frmFindReplace *dialog = dialogOn(QString());
        QVERIFY(dialog && dialog->isVisible() && FindDialogShown);
        QVERIFY(!dialog->isModal() && !dialog->parentWidget());
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
        // Escape closes and unloads it; it comes back empty.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!frmFindReplace::loaded());
        QVERIFY(!FindDialogShown);
        ShowFindDialog();
        QCOMPARE(frmFindReplace::loaded()->cboFind->currentText(), QString());
        QCOMPARE(frmFindReplace::loaded()->cboFind->count(), 0);
    }

    void enterListsTheTextSorted()
    {
        frmFindReplace *d = dialogOn(QStringLiteral("b X1 b"));
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

    void buttons()
    {
        frmFindReplace *d = dialogOn(QStringLiteral("G1 X0\r\nG1 X1\r\nG10"));
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
        // A transfer locks the editor: the dialog still finds, but changes nothing.
        m_box.setLocked(true);
        d->cmdReplace->click();
        d->cmdReplaceAll->click();
        QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG1 X1\r\nG10"));
        m_box.select(0, 0);
        d->cmdFindNext->click();
        QCOMPARE(m_box.selStart(), 11);
        m_box.setLocked(false);
        d->cmdReplaceAll->click();
        QCOMPARE(m_box.text(), QStringLiteral("G0G011 X0\r\nG01 X1\r\nG10"));
        QVERIFY(d->isVisible()); // no message, no closing
    }

    void noProgramWindow()
    {
        frmFindReplace::setEditorSource([] { return static_cast<RichTextBox *>(nullptr); });
        ShowFindDialog();
        frmFindReplace *d = frmFindReplace::loaded();
        d->cboFind->setEditText(QStringLiteral("G1"));
        for (qint32 action : {0, 1, 2})
            QVERIFY(!d->FindReplaceCommand(action));
        LastFindText = QStringLiteral("G1"); // so that Find Next looks for a window
        bool useLast = true;
        QVERIFY(!FindNextMatch(useLast));
    }

    void captionsInEveryLanguage_data() { addLanguageRows(); }

    void captionsInEveryLanguage()
    {
        QFETCH(int, language);
        FrameSession session; // the frame is the first window, which the switch leaves alone
        session.trigger("mnuEditFind");
        frmFindReplace *d = frmFindReplace::loaded();
        QVERIFY(d);
        session.frame->changeLanguage(qint16(language));
        QCOMPARE(d->lblFind->text(), GetString(QString(), 224));
        QCOMPARE(d->cboReplace->toolTip(), GetString(QString(), 332));
        checkCaptionsFit(d);
        // Loaded anew in that language.
        d->close();
        QTRY_VERIFY(!frmFindReplace::loaded());
        session.trigger("mnuEditReplace");
        QCOMPARE(frmFindReplace::loaded()->cmdReplaceAll->text(), GetString(QString(), 229));
    }

    void frameCommands()
    {
        FrameSession session;
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
        frmFindReplace *d = frmFindReplace::loaded();
        QVERIFY(d && FindDialogShown);
        d->cboFind->setEditText(QStringLiteral("G1"));
        QTRY_VERIFY(d->isActiveWindow());
        d->cmdFindNext->click();
        QCOMPARE(editor->selStart(), 0);
        // Typing goes on in the program: its window is the active one.
        QTRY_VERIFY(session.frame->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), editor);
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

    void dialogActsOnTheActiveWindow()
    {
        FrameSession session;
        session.frame->showNormal();
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
        // It is minimized and restored with the frame.
        for (void (QWidget::*restore)() : {&QWidget::showMaximized, &QWidget::showNormal}) {
            session.frame->showMinimized();
            QTRY_VERIFY(d->isMinimized());
            (session.frame.get()->*restore)();
            QTRY_VERIFY(!d->isMinimized() && d->isVisible());
        }
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

private:
    RichTextBox m_box;
    // Opens the dialog on m_box holding text, the caret at its start.
    frmFindReplace *dialogOn(const QString &text)
    {
        frmFindReplace::setEditorSource([this] { return &m_box; });
        m_box.setText(text);
        m_box.select(0, 0);
        ShowFindDialog();
        return frmFindReplace::loaded();
    }
};

QTEST_MAIN(TstFindReplace)
#include "tst_findreplace.moc"
