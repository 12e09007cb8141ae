// The program window on its own: the close question and its every path, saving (also
// when the write fails), and the keyboard filter.
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"

#include <QFile>
#include <QLabel>
#include <QtTest>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TstProgram : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { frmQuestion::releaseInstance(); }
    void closeQuestion_data();
    void closeQuestion();
    void saveOfANewWindowCancelled();
    void failingSaveKeepsTheText();
    void keyboardFilter_data();
    void keyboardFilter();
    void loadingIsNotAChange();
    void escapeWhenIdleTakesStrikeThroughOff();
};

void TstProgram::closeQuestion_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("answer"); // yes, no, cancel, close, or none
    QTest::addColumn<QString>("saveAs"); // what the Save As dialog returns: a name, or "" to cancel
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");

    QTest::newRow("unchanged closes without a question") << false << false << "none"
                                                         << "" << false << true << false;
    QTest::newRow("yes saves to the caption's file") << true << false << "yes"
                                                     << "" << false << true << true;
    QTest::newRow("yes on a new window goes through save as") << true << true << "yes"
                                                              << "new.dnc" << false << true << true;
    QTest::newRow("yes then save as cancelled stays open") << true << true << "yes"
                                                           << "" << false << false << false;
    QTest::newRow("yes on a read-only file stays open") << true << false << "yes"
                                                        << "" << true << false << false;
    QTest::newRow("no closes without saving") << true << false << "no"
                                              << "" << false << true << false;
    QTest::newRow("cancel stays open") << true << false << "cancel"
                                       << "" << false << false << false;
    QTest::newRow("window-manager close is cancel") << true << false << "close"
                                                    << "" << false << false << false;
}

void TstProgram::closeQuestion()
{
    QFETCH(bool, modified);
    QFETCH(bool, isNew);
    QFETCH(QString, answer);
    QFETCH(QString, saveAs);
    QFETCH(bool, readOnly);
    QFETCH(bool, closes);
    QFETCH(bool, written);

    TestFolders folders;
    ScriptedDialogs dialogs;
    const QString existing = folders.file(QStringLiteral("old.dnc"));
    writeFile(existing, "G00 X0\r\n");
    if (readOnly)
        QFile::setPermissions(existing, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QString saveAsPath = saveAs.isEmpty() ? QString() : folders.file(saveAs);
    dialogs.saveAnswers << (saveAs.isEmpty() ? std::nullopt : std::optional<QString>(saveAsPath));

    auto program = std::make_unique<frmProgram>();
    program->setWindowTitle(isNew ? QStringLiteral("Program 1") : existing);
    program->bFlagNew = isNew;
    program->actAction = actReceive;
    program->show();
    if (modified)
        QTest::keyClicks(program->rtfText, QStringLiteral("m30"));
    QCOMPARE(program->isModified(), modified);

    QuestionSeen seen;
    if (answer != QLatin1String("none")) {
        answerNextQuestion(
            [answer](frmQuestion &d) {
                if (answer == QLatin1String("yes"))
                    d.cmdYes->click();
                else if (answer == QLatin1String("no"))
                    d.cmdNo->click();
                else if (answer == QLatin1String("cancel"))
                    d.cmdCancel->click();
                else
                    d.close();
            },
            &seen);
    }
    QCOMPARE(program->close(), closes);
    QCOMPARE(seen.shown, answer != QLatin1String("none"));
    if (seen.shown) {
        QCOMPARE(seen.text, QStringLiteral("Save file?"));
        QVERIFY(seen.cancelVisible);
    }
    QCOMPARE(program->isVisible(), !closes);

    const QString target = isNew ? saveAsPath : existing;
    if (written) {
        QVERIFY(readAll(target).contains("M30"));
        QCOMPARE(program->windowTitle(), target);
    } else {
        QCOMPARE(readAll(existing), QByteArray("G00 X0\r\n"));
    }
    if (!closes) {
        // Nothing is lost: the text is still there and still counts as changed.
        QCOMPARE(program->rtfText->text(), QStringLiteral("M30"));
        QVERIFY(program->isModified());
        QCOMPARE(program->actAction, qint32(actReceive));
    } else if (modified) {
        QCOMPARE(program->actAction, qint32(actIdle));
    }
}

void TstProgram::saveOfANewWindowCancelled()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmProgram program;
    program.setWindowTitle(QStringLiteral("Program 4"));
    program.bFlagNew = true;
    QVERIFY(!program.SaveFile());
    QVERIFY(program.bFlagNew);
    QCOMPARE(program.windowTitle(), QStringLiteral("Program 4"));
    QCOMPARE(dialogs.calls,
             QStringList{QStringLiteral("save:Save As|") + QLatin1String(kProgramFileFilter)});

    const QString path = folders.file(QStringLiteral("p.dnc"));
    dialogs.saveAnswers << path;
    program.rtfText->setText(QStringLiteral("G01 X10\r\nM30"));
    QVERIFY(program.SaveFile());
    QVERIFY(!program.bFlagNew);
    QCOMPARE(program.windowTitle(), path);
    QVERIFY(!program.isModified());
    QVERIFY(dialogs.messages.isEmpty());
}

void TstProgram::failingSaveKeepsTheText()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmProgram program;
    // A caption naming a folder that does not exist, as after a file vanished.
    program.setWindowTitle(folders.file(QStringLiteral("gone/p.dnc")));
    program.rtfText->setText(QStringLiteral("G01 X10"));
    QVERIFY(program.isModified());
    QVERIFY(!program.SaveFile());
    QVERIFY(program.isModified());
    QCOMPARE(program.rtfText->text(), QStringLiteral("G01 X10"));
}

void TstProgram::keyboardFilter_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys"); // letters are typed; {tab} {bs} {enter} {del} {esc} {e'}
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("beeps");

    QTest::newRow("small letters become capitals") << ""
                                                   << "g01 x10"
                                                   << "G01 X10" << 0;
    QTest::newRow("printable signs pass") << ""
                                          << "(a#1=[2*3]/4)~"
                                          << "(A#1=[2*3]/4)~" << 0;
    QTest::newRow("enter starts a line") << ""
                                         << "g0{enter}m30"
                                         << "G0\r\nM30" << 0;
    QTest::newRow("tab beeps and inserts nothing") << ""
                                                   << "x{tab}1"
                                                   << "X1" << 1;
    QTest::newRow("backspace beeps and deletes nothing") << "AB"
                                                         << "{bs}"
                                                         << "AB" << 1;
    QTest::newRow("accented letter beeps") << ""
                                           << "{e'}"
                                           << "" << 1;
    QTest::newRow("delete is not a character") << "AB"
                                               << "{home}{del}"
                                               << "B" << 0;
    QTest::newRow("escape beeps") << ""
                                  << "{esc}"
                                  << "" << 1;
}

void TstProgram::keyboardFilter()
{
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, beeps);

    ScriptedDialogs dialogs;
    frmProgram program;
    program.show();
    program.rtfText->setText(start);
    program.rtfText->select(start.size(), 0);
    const QList<std::pair<QString, Qt::Key>> named = {
        {QStringLiteral("{tab}"), Qt::Key_Tab},      {QStringLiteral("{bs}"), Qt::Key_Backspace},
        {QStringLiteral("{enter}"), Qt::Key_Return}, {QStringLiteral("{del}"), Qt::Key_Delete},
        {QStringLiteral("{esc}"), Qt::Key_Escape},   {QStringLiteral("{home}"), Qt::Key_Home}};
    QString rest = keys;
    while (!rest.isEmpty()) {
        bool done = false;
        for (const auto &[name, key] : named) {
            if (rest.startsWith(name)) {
                QTest::keyClick(program.rtfText, key);
                rest.remove(0, name.size());
                done = true;
                break;
            }
        }
        if (done)
            continue;
        if (rest.startsWith(QStringLiteral("{e'}"))) {
            QTest::keyClick(program.rtfText, Qt::Key_Eacute, Qt::NoModifier);
            rest.remove(0, 4);
            continue;
        }
        QTest::keyClick(program.rtfText, rest.at(0).toLatin1());
        rest.remove(0, 1);
    }
    QCOMPARE(program.rtfText->text(), expected);
    QCOMPARE(dialogs.beeps, beeps);
}

void TstProgram::loadingIsNotAChange()
{
    TestFolders folders;
    const QString path = folders.file(QStringLiteral("p.dnc"));
    writeFile(path, "G01 X10\r\nM30\r\n");
    frmProgram program;
    QVERIFY(program.rtfText->loadFile(path));
    QVERIFY(!program.isModified());
    QVERIFY(program.close());
}

// Escape in an idle window takes off the marks of a send and the text's own
// strike-through; neither counts as a change of the program.
void TstProgram::escapeWhenIdleTakesStrikeThroughOff()
{
    TestFolders folders;
    const QString path = folders.file(QStringLiteral("struck.dnc"));
    writeFile(path, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\strike G01\\strike0  X10\\par\n"
                    "M30\\par\n}\n");
    frmProgram program;
    QVERIFY(program.rtfText->loadFile(path));
    QVERIFY(program.rtfText->hasStrikeThru());
    program.rtfText->markStruck(0, 5);
    program.rtfText->select(6, 2);
    QTest::keyClick(program.rtfText, Qt::Key_Escape);
    QVERIFY(!program.rtfText->hasStrikeThru());
    QVERIFY(program.rtfText->struckMarks().isEmpty());
    QCOMPARE(program.rtfText->text(), QStringLiteral("G01 X10\r\nM30"));
    QCOMPARE(program.rtfText->selStart(), 0);
    QCOMPARE(program.rtfText->selLength(), 0);
    QCOMPARE(program.stbPanel[0]->text(), QStringLiteral("Ready"));
    QVERIFY(!program.isModified());
    QVERIFY(program.close());
}

QTEST_MAIN(TstProgram)
#include "tst_program.moc"
