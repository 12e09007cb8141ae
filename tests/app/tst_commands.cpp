// The frame's commands on the active program: guards while the editor is locked, the
// format toggles and the toolbar state, the clipboard both ways, Open, Font and Print.
#include "support/FrameSession.h"

#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QProcess>

using namespace kordavel;
using namespace kordavel::test;

namespace {

using TriState = RichTextBox::TriState;

// The text of a PDF file, by pdftotext (package poppler-utils).
QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TstCommands : public QObject {
    Q_OBJECT
private slots:
    void guardsWhileLocked_data();
    void guardsWhileLocked();
    void formatToggles_data();
    void formatToggles();
    void copyCutAndPasteBetweenWindows();
    void pasteFromOtherPrograms_data();
    void pasteFromOtherPrograms();
    void openKeepsTheFileAsItWasAndFailures();
    void fontDialogRemembersItsLastChoice();
    void printToPdf_data();
    void printToPdf();
    void arrangeLeavesMinimizedWindows_data();
    void arrangeLeavesMinimizedWindows();
};

void TstCommands::guardsWhileLocked_data()
{
    QTest::addColumn<QString>("command"); // a menu entry, or a toolbar button
    for (const char *command :
         {"mnuEditUndo", "mnuEditCut", "mnuEditCopy", "mnuEditPaste", "mnuEditSelectAll",
          "mnuFormatBold", "mnuFormatItalic", "mnuFormatUnderline", "mnuFormatFont", "Cut", "Paste",
          "Bold", "menu:mnuEditUndo", "menu:mnuEditCopy", "menu:mnuEditSelectAll"})
        QTest::newRow(command) << QString::fromLatin1(command);
}

void TstCommands::guardsWhileLocked()
{
    QFETCH(QString, command);
    FrameSession s;
    s.dialogs.fontAnswer =
        FontChoice{QStringLiteral("Liberation Mono"), 20, Qt::red, true, true, true, true};
    RichTextBox *editor = s.editor();
    const auto run = [&] {
        if (command.startsWith(QLatin1String("mnu"))) {
            s.frame->menuEntry(command)->trigger();
        } else if (command.startsWith(QLatin1String("menu:"))) {
            // The editor's right-click menu holds the Edit menu's own entries, no others.
            QCOMPARE(editor->contextMenuPolicy(), Qt::CustomContextMenu);
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4),
                                    editor->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(editor->viewport(), &click);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QStringList entries;
            for (QAction *action : menu->actions())
                entries << action->objectName();
            QCOMPARE(entries,
                     (QStringList{"mnuEditUndo", "mnuEditBar0", "mnuEditCut", "mnuEditCopy",
                                  "mnuEditPaste", "mnuEditBar1", "mnuEditSelectAll"}));
            menu->actions().at(entries.indexOf(command.mid(5)))->trigger();
            menu->close();
        } else {
            s.frame->toolbarButton(command)->trigger();
        }
    };
    QTest::keyClicks(editor, QStringLiteral("g01 x10"));
    editor->select(0, 3);
    QApplication::clipboard()->setText(QStringLiteral("CLIP"));
    const QByteArray rtf = editor->textRTF();

    editor->setLocked(true);
    run();
    QCOMPARE(editor->textRTF(), rtf);
    QCOMPARE(editor->selStart(), 0);
    QCOMPARE(editor->selLength(), 3);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("CLIP"));
    QVERIFY(!s.dialogs.calls.contains(QStringLiteral("font")));
    for (const char *key : {"Bold", "Italic", "Underline"})
        QVERIFY(!s.frame->buttonValue(QLatin1String(key)));

    // Unlocked, the same command does something.
    editor->setLocked(false);
    run();
    QVERIFY(editor->textRTF() != rtf || editor->selLength() != 3 ||
            QApplication::clipboard()->text() != QStringLiteral("CLIP"));
}

void TstCommands::formatToggles_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("fromToolbar");
    for (const char *key : {"Bold", "Italic", "Underline"}) {
        QTest::addRow("%s menu", key) << QString::fromLatin1(key) << false;
        QTest::addRow("%s toolbar", key) << QString::fromLatin1(key) << true;
    }
}

void TstCommands::formatToggles()
{
    QFETCH(QString, key);
    QFETCH(bool, fromToolbar);
    FrameSession s;
    RichTextBox *editor = s.editor();
    editor->setText(QStringLiteral("G01 X10\r\nM30"));
    const auto state = [&] {
        if (key == QLatin1String("Bold"))
            return editor->selBold();
        if (key == QLatin1String("Italic"))
            return editor->selItalic();
        return editor->selUnderline();
    };
    const auto toggle = [&] {
        if (fromToolbar)
            s.frame->toolbarButton(key)->trigger();
        else
            s.frame->menuEntry(QStringLiteral("mnuFormat") + key)->trigger();
    };
    // The button shows the state of the whole selection: up unless all of it is set.
    const auto shows = [&](bool down) {
        return s.frame->buttonValue(key) == down &&
               s.frame->toolbarButton(key)->isChecked() == down;
    };

    editor->select(0, 3);
    toggle();
    QCOMPARE(state(), TriState::All);
    QVERIFY(shows(true));
    editor->select(0, 7);
    QCOMPARE(state(), TriState::Mixed);
    QVERIFY(shows(false));
    toggle(); // a selection only partly set is set throughout
    QCOMPARE(state(), TriState::All);
    QVERIFY(shows(true));
    // A caret follows the character before it.
    editor->select(9, 3);
    QVERIFY(shows(false));
    editor->select(6, 0);
    QVERIFY(shows(true));
    editor->select(11, 0);
    QVERIFY(shows(false));

    editor->select(0, 7);
    toggle();
    QCOMPARE(state(), TriState::None);
    QVERIFY(shows(false));
    QCOMPARE(editor->text(), QStringLiteral("G01 X10\r\nM30"));

    // Undo is the editor's own: it takes the last toggle back.
    editor->select(0, 3);
    toggle();
    s.frame->toolbarButton(QStringLiteral("Undo"))->trigger();
    editor->select(0, 3);
    QCOMPARE(state(), TriState::None);
    // A new window starts with every button up.
    toggle();
    QVERIFY(shows(true));
    s.frame->NewProgramWindow(0);
    QVERIFY(shows(false));
}

void TstCommands::copyCutAndPasteBetweenWindows()
{
    FrameSession s;
    RichTextBox *first = s.editor();
    first->setText(QStringLiteral("G01 X10\r\nM30"));
    first->select(0, 3);
    s.frame->formatToggle(QStringLiteral("Bold"));
    first->select(0, 9);
    s.frame->editCopy();

    const QMimeData *mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime->data(QStringLiteral("text/rtf")).startsWith("{\\rtf"));
    // Other programs that take plain text get the program, not RTF source.
    QCOMPARE(mime->text().replace(QLatin1String("\r\n"), QLatin1String("\n")),
             QStringLiteral("G01 X10\n"));

    s.frame->NewProgramWindow(0);
    RichTextBox *second = s.editor();
    QVERIFY(second != first);
    s.frame->editPaste();
    QCOMPARE(second->text(), QStringLiteral("G01 X10\r\n"));
    second->select(0, 3);
    QCOMPARE(second->selBold(), TriState::All);
    second->select(4, 3);
    QCOMPARE(second->selBold(), TriState::None);
    QCOMPARE(first->text(), QStringLiteral("G01 X10\r\nM30"));

    // Cut puts both flavours too, and Paste gives the text back.
    second->select(4, 3);
    s.frame->toolbarButton(QStringLiteral("Cut"))->trigger();
    QCOMPARE(second->text(), QStringLiteral("G01 \r\n"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("X10"));
    QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    s.frame->toolbarButton(QStringLiteral("Paste"))->trigger();
    QCOMPARE(second->text(), QStringLiteral("G01 X10\r\n"));
}

void TstCommands::pasteFromOtherPrograms_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("bold");

    QTest::newRow("plain text") << QByteArray() << "G00 X1\nM30"
                                << "G00 X1\r\nM30" << false;
    QTest::newRow("rich flavour is preferred") << QByteArray("{\\rtf1\\ansi {\\b G02}}") << "PLAIN"
                                               << "G02" << true;
    QTest::newRow("plain text that is RTF source") << QByteArray() << "{\\rtf1\\ansi {\\b G03}}"
                                                   << "G03" << true;
    QTest::newRow("plain text with braces is text") << QByteArray() << "{G04}"
                                                    << "{G04}" << false;
}

void TstCommands::pasteFromOtherPrograms()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, plain);
    QFETCH(QString, expected);
    QFETCH(bool, bold);
    FrameSession s;
    auto *mime = new QMimeData;
    if (!rtf.isEmpty())
        mime->setData(QStringLiteral("text/rtf"), rtf);
    mime->setText(plain);
    QApplication::clipboard()->setMimeData(mime);
    s.frame->editPaste();
    RichTextBox *editor = s.editor();
    QCOMPARE(editor->text(), expected);
    editor->select(0, 1);
    QCOMPARE(editor->selBold(), bold ? TriState::All : TriState::None);
}

void TstCommands::openKeepsTheFileAsItWasAndFailures()
{
    FrameSession s;
    const QString path = s.folders.file(QStringLiteral("O1000.NC"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("%\nO1000\nG00 X0\n");
    }
    // Cancelled: no window.
    s.frame->fileOpen();
    QCOMPARE(s.frame->programWindows().size(), 1);
    QCOMPARE(s.frame->NewWindowCounter, 1);

    s.dialogs.openAnswers << path;
    s.frame->fileOpen();
    QCOMPARE(s.dialogs.calls.last(),
             QStringLiteral("open:Open|") + QLatin1String(kProgramFileFilter));
    frmProgram *opened = s.frame->activeProgram();
    QCOMPARE(opened->windowTitle(), path);
    QVERIFY(!opened->bFlagNew);
    QVERIFY(!opened->isModified());
    RichTextBox *editor = s.editor();
    editor->select(editor->textLength(), 0);
    QTest::keyClicks(editor, QStringLiteral("m30"));
    QVERIFY(opened->isModified());
    s.frame->toolbarButton(QStringLiteral("Save"))->trigger();
    QVERIFY(!opened->isModified());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("%\nO1000\nG00 X0\nM30"));

    // The next Open starts from the last name; a file that cannot be read leaves an empty
    // window with its numbered caption, which Save will not write under that caption.
    s.dialogs.openAnswers << s.folders.file(QStringLiteral("missing.dnc"));
    s.frame->fileOpen();
    QCOMPARE(s.dialogs.lastInitialName, path);
    frmProgram *failed = s.frame->activeProgram();
    QCOMPARE(failed->windowTitle(), QStringLiteral("Program 3"));
    QVERIFY(failed->rtfText->text().isEmpty());
    QVERIFY(failed->bFlagNew);
    QVERIFY(s.dialogs.messages.isEmpty());
}

void TstCommands::fontDialogRemembersItsLastChoice()
{
    FrameSession s;
    RichTextBox *editor = s.editor();
    editor->setText(QStringLiteral("G01 X10"));
    editor->select(0, 3);
    const FontChoice choice{
        QStringLiteral("Liberation Mono"), 14, QColor(Qt::red), true, false, true, true};
    s.dialogs.fontAnswer = choice;
    s.frame->formatFont();
    QCOMPARE(editor->selFontName(), QStringLiteral("Liberation Mono"));
    QCOMPARE(editor->selFontSize(), 14.0);
    QCOMPARE(editor->selColor(), QColor(Qt::red));
    QCOMPARE(editor->selBold(), TriState::All);
    QCOMPARE(editor->selUnderline(), TriState::All);
    QCOMPARE(editor->selStrikeThru(), TriState::All);

    // Not filled from the selection: the next dialog shows the last choice.
    editor->select(4, 3);
    s.dialogs.fontAnswer.reset();
    s.frame->formatFont();
    QCOMPARE(s.dialogs.fontShown.name, choice.name);
    QCOMPARE(s.dialogs.fontShown.color, choice.color);
    QVERIFY(s.dialogs.fontShown.strike);
    QCOMPARE(editor->selBold(), TriState::None);
}

void TstCommands::printToPdf_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("printed"); // the lines printed; the others must not be
    QTest::newRow("everything") << 0 << 0 << "G01 X10|G02 Y5|M30";
    QTest::newRow("the selection") << 9 << 8 << "G02 Y5";
}

void TstCommands::printToPdf()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, printed);
    FrameSession s;
    RichTextBox *editor = s.editor();
    editor->setText(QStringLiteral("G01 X10\r\nG02 Y5\r\nM30"));
    editor->select(start, length);
    s.dialogs.printTo = s.folders.file(QStringLiteral("out.pdf"));
    s.frame->toolbarButton(QStringLiteral("Print"))->trigger();
    QCOMPARE(s.dialogs.calls, QStringList{length ? "print:selection" : "print:all"});
    const QString text = pdfText(s.dialogs.printTo);
    for (const QString line : {"G01 X10", "G02 Y5", "M30"})
        QVERIFY2(text.contains(line) == printed.split('|').contains(line), qPrintable(text));
}

void TstCommands::arrangeLeavesMinimizedWindows_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("cascade") << 0;
    QTest::newRow("tile horizontal") << 1;
    QTest::newRow("tile vertical") << 2;
}

void TstCommands::arrangeLeavesMinimizedWindows()
{
    QFETCH(int, code);
    FrameSession s;
    s.frame->NewProgramWindow(0);
    s.frame->NewProgramWindow(0);
    QList<QMdiSubWindow *> subs = s.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    subs[1]->showMinimized();
    const QRect minimized = subs[1]->geometry();
    s.frame->arrange(code);
    QCOMPARE(subs[1]->geometry(), minimized);
    QVERIFY(subs[1]->isMinimized());
    const QRect a = subs[0]->geometry();
    const QRect b = subs[2]->geometry();
    const QRect area = s.frame->mdiArea()->viewport()->rect();
    if (code == 0) {
        QVERIFY(b.x() > a.x() && b.y() > a.y());
    } else {
        QVERIFY(!a.intersects(b));
        QCOMPARE(code == 1 ? a.width() : a.height(), code == 1 ? area.width() : area.height());
    }
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
