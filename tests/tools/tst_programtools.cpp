// Clean and Numbering through the real program window and the frame's Program menu:
// text typed or loaded, the dialog answered, the plain text that results, the change
// flag, Undo, and the guards of the menu commands.
#include "support/ModalScript.h"

#include "app/AppState.h"
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/QuestionAnswerer.h"
#include "support/FrameSession.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// What the user does in the Clean dialog: the boxes to flip ("b", "n", "e"), an "=" and a
// symbol to type, then OK, or "cancel" after a blank.
std::function<void(frmClean &)> cleanScript(const QString &script)
{
    return [script](frmClean &d) {
        const bool cancel = script.endsWith(QLatin1String("cancel"));
        const QString choices = script.section(QLatin1Char(' '), 0, 0);
        const QString flips = choices.section(QLatin1Char('='), 0, 0);
        if (flips != QLatin1String("ok") && flips != QLatin1String("cancel")) {
            if (flips.contains(QLatin1Char('b')))
                d.chkBadSymbols->click();
            if (flips.contains(QLatin1Char('n')))
                d.chkNumbering->click();
            if (flips.contains(QLatin1Char('e')))
                d.chkEmptyRows->click();
        }
        if (choices.contains(QLatin1Char('=')))
            d.txtSymbol->setText(choices.section(QLatin1Char('='), 1));
        (cancel ? d.cmdCancel : d.cmdOK)->click();
    };
}

// Start, step, symbol, empty rows ("start,step,symbol,e"), or "cancel".
std::function<void(frmNumbering &)> numberingScript(const QString &script)
{
    return [script](frmNumbering &d) {
        if (script == QLatin1String("cancel")) {
            d.cmdCancel->click();
            return;
        }
        const QStringList parts = script.split(QLatin1Char(','));
        d.txtStart->setText(parts[0]);
        d.txtStep->setText(parts[1]);
        d.txtSymbol->setText(parts[2]);
        d.chkEmptyRows->setChecked(parts.size() > 3);
        d.cmdOK->click();
    };
}

void typeProgram(RichTextBox *editor, const QStringList &lines)
{
    editor->setFocus();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, lines[i]);
    }
}

QString crlf(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

using Session = FrameSession;

} // namespace

class TstProgramTools : public QObject {
    Q_OBJECT
private slots:
    void cleanTypedText_data();
    void cleanTypedText();
    void numberingTypedText_data();
    void numberingTypedText();
    void numberingLoadedProgramIsOneUndoStep();
    void unchangedProgramStaysUnchanged_data();
    void unchangedProgramStaysUnchanged();
    void programMenuGuards_data();
    void programMenuGuards();
};

void TstProgramTools::cleanTypedText_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("text");
    using L = QStringList;
    QTest::newRow("defaults: empty rows go, numbers stay")
        << L{"N10 G00", "", "n20 g01", ""} << "ok" << L{"N10 G00", "N20 G01"};
    QTest::newRow("numbering too: numbers and rows of a number alone go")
        << L{"", "N10 G00", "N20", "/N30 X1", "NX1"} << "n" << L{"G00", "/X1", "NX1"};
    QTest::newRow("another letter") << L{"N10 G00", "P20 G01"} << "n=P" << L{"N10 G00", "G01"};
    QTest::newRow("only numbers, rows kept") << L{"N10 G00", "", "N20"} << "ne" << L{"G00", "", ""};
}

void TstProgramTools::cleanTypedText()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, script);
    QFETCH(QStringList, text);
    frmProgram program;
    typeProgram(program.rtfText, typed);
    QVERIFY(program.isModified());
    bool shown = false;
    onNextDialog<frmClean>(cleanScript(script), &shown);
    QVERIFY(program.Clean());
    QVERIFY(shown);
    QCOMPARE(program.rtfText->text(), crlf(text));
}

void TstProgramTools::numberingTypedText_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("text");
    using L = QStringList;
    QTest::newRow("defaults") << L{"G00 X1", "N5 G01 X2", "O1000", "(CUT)", "", "/M01"} << "10,10,N"
                              << L{"N10 G00 X1", "N20 G01 X2", "O1000", "(CUT)", "", "/N30 M01"};
    QTest::newRow("empty rows numbered")
        << L{"G00 X1", "", "/M01"} << "10,10,N,e" << L{"N10 G00 X1", "N20", "/N30 M01"};
    QTest::newRow("counting down below zero")
        << L{"G00", "G01", "G02"} << "5,-5,N" << L{"N5 G00", "N0 G01", "N-5 G02"};
}

void TstProgramTools::numberingTypedText()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, script);
    QFETCH(QStringList, text);
    frmProgram program;
    typeProgram(program.rtfText, typed);
    onNextDialog<frmNumbering>(numberingScript(script));
    QVERIFY(!program.Numbering()); // always false
    QCOMPARE(program.rtfText->text(), crlf(text));
}

void TstProgramTools::numberingLoadedProgramIsOneUndoStep()
{
    TestFolders folders;
    const QString path = folders.file(QStringLiteral("part.nc"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%\r\nO0001\r\nN1 G90 G54\r\nN2 G00 X0 Y0\r\n\r\nM30\r\n%\r\n");
    file.close();
    frmProgram program;
    QVERIFY(program.rtfText->loadFile(path));
    QVERIFY(!program.isModified());
    const QString loaded = program.rtfText->text();

    onNextDialog<frmNumbering>(numberingScript(QStringLiteral("100,5,N")));
    program.Numbering();
    QCOMPARE(program.rtfText->text(),
             crlf({"%", "O0001", "N100 G90 G54", "N105 G00 X0 Y0", "", "N110 M30", "%", ""}));
    QVERIFY(program.isModified());
    program.rtfText->undo();
    QCOMPARE(program.rtfText->text(), loaded);
}

// Cancel, and a rewrite that changes nothing, leave the program as it was: no change.
void TstProgramTools::unchangedProgramStaysUnchanged_data()
{
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<QString>("script");
    QTest::newRow("Clean cancelled") << false << "n cancel";
    QTest::newRow("Clean of numbers with an empty symbol") << false << "bne=";
    QTest::newRow("Numbering cancelled") << true << "cancel";
    QTest::newRow("Numbering with an empty symbol") << true << "10,10,,e";
}

void TstProgramTools::unchangedProgramStaysUnchanged()
{
    QFETCH(bool, numbering);
    QFETCH(QString, script);
    TestFolders folders;
    const QString path = folders.file(QStringLiteral("part.nc"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("N10 G00  \r\nG01\r\n");
    file.close();
    frmProgram program;
    QVERIFY(program.rtfText->loadFile(path));
    const QString before = program.rtfText->text();
    if (numbering) {
        onNextDialog<frmNumbering>(numberingScript(script));
        program.Numbering();
    } else {
        onNextDialog<frmClean>(cleanScript(script));
        program.Clean();
    }
    QCOMPARE(program.rtfText->text(), before);
    QVERIFY(!program.isModified());
}

void TstProgramTools::programMenuGuards_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("asks");
    QTest::newRow("Clean") << "mnuProgramClean"
                           << "N10 G00" << false << true;
    QTest::newRow("Clean on an empty program") << "mnuProgramClean"
                                               << "" << false << false;
    QTest::newRow("Clean while locked") << "mnuProgramClean"
                                        << "N10 G00" << true << false;
    QTest::newRow("Numbering") << "mnuProgramNumbering"
                               << "G00" << false << true;
    QTest::newRow("Numbering on an empty program") << "mnuProgramNumbering"
                                                   << "" << false << false;
    QTest::newRow("Numbering while locked") << "mnuProgramNumbering"
                                            << "G00" << true << false;
}

void TstProgramTools::programMenuGuards()
{
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QFETCH(bool, locked);
    QFETCH(bool, asks);
    Session session;
    RichTextBox *editor = session.program()->rtfText;
    editor->setText(text);
    editor->setLocked(locked);
    bool shown = false;
    QTimer watch; // a dialog that shows is answered, so the test never hangs
    watch.setInterval(2);
    connect(&watch, &QTimer::timeout, [&] {
        if (auto *clean = qobject_cast<frmClean *>(QApplication::activeModalWidget())) {
            shown = true;
            clean->cmdOK->click();
        } else if (auto *numbering =
                       qobject_cast<frmNumbering *>(QApplication::activeModalWidget())) {
            shown = true;
            numbering->cmdOK->click();
        }
    });
    watch.start();
    session.frame->menuEntry(entry)->trigger();
    QCOMPARE(shown, asks);
    // Clean with its defaults keeps the number; Numbering gives one.
    QCOMPARE(editor->text(), asks ? QStringLiteral("N10 G00") : text);
}

QTEST_MAIN(TstProgramTools)
#include "tst_programtools.moc"
