// Clean and Numbering through the real program window and the frame's Program menu: text
// typed or loaded, the dialog answered, the plain text that results, the change flag, Undo,
// and the guards of the menu commands.
#include "support/FrameSession.h"
#include "support/ModalScript.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using namespace kordavel;
using namespace kordavel::test;
using L = QStringList;

namespace {

// Answers the next Clean dialog: the boxes to flip ("b", "n", "e"), then "=" and a symbol
// to type; "cancel" at the end cancels.
void answerClean(const QString &script, bool *seen)
{
    onNextDialog<frmClean>(
        [script](frmClean &d) {
            const QString choices = script.section(QLatin1Char(' '), 0, 0);
            const QString flips = choices.section(QLatin1Char('='), 0, 0);
            QCheckBox *const boxes[] = {d.chkBadSymbols, d.chkNumbering, d.chkEmptyRows};
            for (int i = 0; i < 3; ++i)
                if (flips.contains(QLatin1Char("bne"[i])))
                    boxes[i]->click();
            if (choices.contains(QLatin1Char('=')))
                d.txtSymbol->setText(choices.section(QLatin1Char('='), 1));
            (script.endsWith(QLatin1String("cancel")) ? d.cmdCancel : d.cmdOK)->click();
        },
        seen);
}

// Answers the next Numbering dialog: "start,step,symbol", ",e" to number empty rows, or
// "cancel".
void answerNumbering(const QString &script, bool *seen)
{
    onNextDialog<frmNumbering>(
        [script](frmNumbering &d) {
            if (script == QLatin1String("cancel"))
                return d.cmdCancel->click();
            const QStringList parts = script.split(QLatin1Char(','));
            d.txtStart->setText(parts[0]);
            d.txtStep->setText(parts[1]);
            d.txtSymbol->setText(parts[2]);
            d.chkEmptyRows->setChecked(parts.size() > 3);
            d.cmdOK->click();
        },
        seen);
}

QString crlf(const L &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class TstProgramTools : public QObject {
    Q_OBJECT
private slots:
    void rewriteInTheWindow_data();
    void rewriteInTheWindow();
    void programMenuGuards_data();
    void programMenuGuards();
};

void TstProgramTools::rewriteInTheWindow_data()
{
    QTest::addColumn<bool>("typed"); // else loaded from a file
    QTest::addColumn<L>("lines");
    QTest::addColumn<bool>("numbering"); // else Clean
    QTest::addColumn<QString>("script");
    QTest::addColumn<L>("result"); // none: the program stays as it was, unchanged
    QTest::newRow("Clean, defaults: empty rows go, numbers and the final line end stay")
        << true << L{"N10 G00", "", "N20 G01", ""} << false << "" << L{"N10 G00", "N20 G01", ""};
    QTest::newRow("Clean, numbers of another letter and rows of a number alone go")
        << false << L{"", "P10 G00", "P20", "/P30 X1", "NX1", "N5"} << false << "n=P"
        << L{"G00", "/X1", "NX1", "N5"};
    QTest::newRow("Numbering, empty rows numbered")
        << true << L{"G00 X1", "", "/M01"} << true << "100,5,N,e"
        << L{"N100 G00 X1", "N105", "/N110 M01"};
    QTest::newRow("Numbering a loaded program, empty rows too")
        << false << L{"%", "O0001", "N1 G90 G54", "N2 G00 X0 Y0", "", "M30", "%", ""} << true
        << "100,5,N,e"
        << L{"%", "O0001", "N100 G90 G54", "N105 G00 X0 Y0", "N110", "N115 M30", "%", ""};
    const L program{"N10 G00  ", "G01", ""};
    QTest::newRow("Clean cancelled") << false << program << false << "n cancel" << L{};
    QTest::newRow("Clean of numbers with an empty symbol")
        << false << program << false << "bne=" << L{};
    QTest::newRow("Numbering cancelled") << false << program << true << "cancel" << L{};
    QTest::newRow("Numbering with an empty symbol")
        << false << program << true << "10,10,,e" << L{};
}

void TstProgramTools::rewriteInTheWindow()
{
    QFETCH(bool, typed);
    QFETCH(L, lines);
    QFETCH(bool, numbering);
    QFETCH(QString, script);
    QFETCH(L, result);
    TestFolders folders;
    frmProgram program;
    if (typed) {
        program.rtfText->setFocus();
        QTest::keyClicks(program.rtfText, lines.join(QLatin1Char('\r')));
    } else {
        QFile file(folders.file(QStringLiteral("part.nc")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(crlf(lines).toLatin1()) > 0);
        file.close();
        QVERIFY(program.rtfText->loadFile(file.fileName()));
    }
    const QString before = program.rtfText->text();
    QCOMPARE(before, crlf(lines));
    bool seen = false;
    if (numbering) {
        answerNumbering(script, &seen);
        program.Numbering();
    } else {
        answerClean(script, &seen);
        program.Clean();
    }
    QVERIFY(seen);
    QCOMPARE(program.rtfText->text(), result.isEmpty() ? before : crlf(result));
    QCOMPARE(program.isModified(), typed || !result.isEmpty());
    // One Undo takes the whole rewrite back.
    if (!result.isEmpty()) {
        program.rtfText->undo();
        QCOMPARE(program.rtfText->text(), before);
    }
}

void TstProgramTools::programMenuGuards_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("asks");
    for (const char *entry : {"mnuProgramClean", "mnuProgramNumbering"}) {
        const QString name = QString::fromLatin1(entry).mid(10);
        // Each changes its text: Clean with its defaults takes the accent off.
        const QString text =
            name == QLatin1String("Clean") ? "N10 G00" + QString(QChar(0xE9)) : "G00";
        QTest::addRow("%s", qPrintable(name)) << entry << text << false << true;
        QTest::addRow("%s on an empty program", qPrintable(name)) << entry << "" << false << false;
        QTest::addRow("%s while locked", qPrintable(name)) << entry << text << true << false;
    }
}

void TstProgramTools::programMenuGuards()
{
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QFETCH(bool, locked);
    QFETCH(bool, asks);
    FrameSession session;
    RichTextBox *editor = session.program()->rtfText;
    editor->setText(text);
    editor->setLocked(locked);
    bool shown = false;
    QTimer watch; // a dialog that shows is answered, so the test never hangs
    watch.setInterval(2);
    connect(&watch, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *clean = qobject_cast<frmClean *>(modal))
            clean->cmdOK->click();
        else if (auto *numbering = qobject_cast<frmNumbering *>(modal))
            numbering->cmdOK->click();
        else
            return;
        shown = true;
    });
    watch.start();
    session.frame->menuEntry(entry)->trigger();
    QCOMPARE(shown, asks);
    QCOMPARE(editor->text(), asks ? QStringLiteral("N10 G00") : text);
}

QTEST_MAIN(TstProgramTools)
#include "tst_programtools.moc"
