// The Clean and Numbering dialogs: their starting choices, the symbol boxes, the number
// validation that keeps the focus, the answers by OK, Enter, Cancel, Escape and the close
// box, and their captions in every language.
#include "i18n/Language.h"
#include "support/CaptionsFit.h"
#include "support/GoldenStrings.h"
#include "support/ModalScript.h"
#include "support/ScriptedDialogs.h"
#include "tools/RewriteLines.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kordavel;
using namespace kordavel::test;

namespace {

void closeBy(QDialog &dialog, const QString &how, QPushButton *ok, QPushButton *cancel)
{
    if (how == QLatin1String("ok"))
        ok->click();
    else if (how == QLatin1String("enter"))
        QTest::keyClick(&dialog, Qt::Key_Return);
    else if (how == QLatin1String("cancel"))
        cancel->click();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();
}

// The language switch relabels every loaded window but the first, which is the frame.
struct FrameStandIn : LanguageAware {
    bool SetLanguage() override { return true; }
};

} // namespace

class TstToolDialogs : public QObject {
    Q_OBJECT
    FrameStandIn m_frame;
private slots:
    void cleanup() { setLanguageNumber(1); }
    void everyUseStartsFromTheSameChoices();
    void cleanAnswers_data();
    void cleanAnswers();
    void cleanSymbolTakesOneCapital_data();
    void cleanSymbolTakesOneCapital();
    void numberingAnswers_data();
    void numberingAnswers();
    void numbersThatKeepTheFocus_data();
    void numbersThatKeepTheFocus();
    void wholeNumbers_data();
    void wholeNumbers();
    void captionsInEveryLanguage_data();
    void captionsInEveryLanguage();
};

// Both dialogs show the same choices every time, whatever the last use changed.
void TstToolDialogs::everyUseStartsFromTheSameChoices()
{
    for (int use = 0; use < 2; ++use) {
        bool seen = false;
        onNextDialog<frmClean>(
            [](frmClean &d) {
                QVERIFY(d.chkBadSymbols->isChecked() && d.chkEmptyRows->isChecked());
                QVERIFY(!d.chkNumbering->isChecked());
                QCOMPARE(d.txtSymbol->text(), QStringLiteral("N"));
                QVERIFY(!d.txtSymbol->isEnabled() && !d.lblSymbol->isEnabled());
                QVERIFY(d.cmdOK->isDefault());
                d.chkNumbering->click(); // the symbol comes alive with it
                QVERIFY(d.txtSymbol->isEnabled() && d.lblSymbol->isEnabled());
                d.chkBadSymbols->click();
                d.chkEmptyRows->click();
                d.txtSymbol->setText(QStringLiteral("Q"));
                d.cmdOK->click();
            },
            &seen);
        quint8 options = 0;
        QString symbol;
        QVERIFY(AskClean(options, symbol));
        QVERIFY(seen);
        QCOMPARE(options, quint8(rwNumbering));
        QCOMPARE(symbol, QStringLiteral("Q"));

        onNextDialog<frmNumbering>([](frmNumbering &d) {
            QCOMPARE(d.txtStart->text(), QStringLiteral("10"));
            QCOMPARE(d.txtStep->text(), QStringLiteral("10"));
            QCOMPARE(d.txtSymbol->text(), QStringLiteral("N"));
            QVERIFY(!d.chkEmptyRows->isChecked());
            QVERIFY(d.cmdOK->isDefault());
            d.txtStart->setText(QStringLiteral("1"));
            d.chkEmptyRows->setChecked(true);
            d.cmdOK->click();
        });
        qint32 start = 0, step = 0;
        bool emptyRows = false;
        QVERIFY(AskNumbering(start, step, symbol, emptyRows));
        QCOMPARE(start, 1);
        QVERIFY(emptyRows);
    }
}

void TstToolDialogs::cleanAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<int>("optionsBefore");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("symbol");
    QTest::newRow("OK with the defaults") << "ok" << false << 0 << 2 << 5 << "";
    QTest::newRow("Enter is OK") << "enter" << false << 0 << 2 << 5 << "";
    QTest::newRow("OK with numbering") << "ok" << true << 0 << 2 << 7 << "N";
    QTest::newRow("OK keeps the other bits") << "ok" << true << 0xF8 << 2 << 0xFF << "N";
    QTest::newRow("OK clears the unchecked bits") << "ok" << false << 0x0A << 2 << 0x0D << "";
    QTest::newRow("Cancel") << "cancel" << true << 0x0F << 3 << 0 << "";
    QTest::newRow("Escape") << "escape" << true << 0x0F << 3 << 0 << "";
    QTest::newRow("close box answers Cancel") << "close" << true << 0x0F << 3 << 0 << "";
}

void TstToolDialogs::cleanAnswers()
{
    QFETCH(QString, how);
    QFETCH(bool, numbering);
    QFETCH(int, optionsBefore);
    QFETCH(int, answer);
    QFETCH(int, options);
    QFETCH(QString, symbol);
    frmClean dialog;
    onNextDialog<frmClean>([&](frmClean &d) {
        if (numbering)
            d.chkNumbering->click();
        closeBy(d, how, d.cmdOK, d.cmdCancel);
    });
    quint8 got = quint8(optionsBefore);
    QString gotSymbol = QStringLiteral("old");
    QCOMPARE(dialog.Answer(got, gotSymbol), answer);
    QCOMPARE(got, quint8(options));
    QCOMPARE(gotSymbol, symbol);
}

void TstToolDialogs::cleanSymbolTakesOneCapital_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::newRow("small letter becomes the capital") << QStringLiteral("g") << "G" << 0;
    QTest::newRow("capital stays") << QStringLiteral("X") << "X" << 0;
    QTest::newRow("digit refused") << QStringLiteral("5") << "" << 1;
    QTest::newRow("sign refused") << QStringLiteral("%") << "" << 1;
    QTest::newRow("one letter only") << QStringLiteral("ab") << "A" << 0;
}

void TstToolDialogs::cleanSymbolTakesOneCapital()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, beeps);
    ScriptedDialogs scripted;
    frmClean dialog;
    dialog.chkNumbering->setChecked(true);
    QLineEdit *box = dialog.txtSymbol;
    box->setFocus();
    box->end(false);
    QTest::keyClick(box, Qt::Key_Backspace); // refused with a beep
    QCOMPARE(box->text(), QStringLiteral("N"));
    QCOMPARE(scripted.beeps, 1);
    box->home(false);
    QTest::keyClick(box, Qt::Key_Delete); // Delete empties the box
    QCOMPARE(box->text(), QString());
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), text);
    QCOMPARE(scripted.beeps, 1 + beeps);
}

void TstToolDialogs::numberingAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("typed"); // start, step, symbol
    QTest::addColumn<bool>("emptyRows");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("got"); // start, step, symbol, empty rows
    using L = QStringList;
    const L cancelled{"0", "0", "", "false"};
    QTest::newRow("OK with the defaults")
        << "ok" << L{"10", "10", "N"} << false << 2 << L{"10", "10", "N", "false"};
    QTest::newRow("Enter is OK") << "enter" << L{"100", "-5", "N"} << true << 2
                                 << L{"100", "-5", "N", "true"};
    QTest::newRow("small letter stays small")
        << "ok" << L{"0", "0", "n"} << false << 2 << L{"0", "0", "n", "false"};
    QTest::newRow("Cancel") << "cancel" << L{"5", "5", "P"} << true << 3 << cancelled;
    QTest::newRow("Escape") << "escape" << L{"5", "5", "P"} << true << 3 << cancelled;
    QTest::newRow("close box answers Cancel")
        << "close" << L{"5", "5", "P"} << true << 3 << cancelled;
    QTest::newRow("Cancel with a number that is not whole")
        << "cancel" << L{"1.5", "10", "N"} << false << 3 << cancelled;
}

void TstToolDialogs::numberingAnswers()
{
    QFETCH(QString, how);
    QFETCH(QStringList, typed);
    QFETCH(bool, emptyRows);
    QFETCH(int, answer);
    QFETCH(QStringList, got);
    frmNumbering dialog;
    onNextDialog<frmNumbering>([&](frmNumbering &d) {
        d.txtStart->setText(typed[0]);
        d.txtStep->setText(typed[1]);
        d.txtSymbol->setText(typed[2]);
        d.chkEmptyRows->setChecked(emptyRows);
        closeBy(d, how, d.cmdOK, d.cmdCancel);
    });
    qint32 start = 77, step = 77;
    QString symbol = QStringLiteral("old");
    bool empty = true;
    QCOMPARE(dialog.Answer(start, step, symbol, empty), answer);
    QCOMPARE((QStringList{QString::number(start), QString::number(step), symbol,
                          empty ? "true" : "false"}),
             got);
}

// A box that holds no whole number keeps the focus: Tab, a click elsewhere and OK (by
// click or by Enter) do nothing until it is mended.
void TstToolDialogs::numbersThatKeepTheFocus_data()
{
    QTest::addColumn<bool>("inStep");
    QTest::addColumn<QString>("text");
    QTest::newRow("start 1.5") << false << "1.5";
    QTest::newRow("step abc") << true << "abc";
    QTest::newRow("empty start") << false << "";
    QTest::newRow("start beyond 32 bits") << false << "2147483648";
    QTest::newRow("step below 32 bits") << true << "-2147483649";
}

void TstToolDialogs::numbersThatKeepTheFocus()
{
    QFETCH(bool, inStep);
    QFETCH(QString, text);
    bool checked = false;
    onNextDialog<frmNumbering>([&](frmNumbering &d) {
        QLineEdit *box = inStep ? d.txtStep : d.txtStart;
        box->setFocus();
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(d.focusWidget(), box);
        QTest::mouseClick(d.txtSymbol, Qt::LeftButton);
        QCOMPARE(d.focusWidget(), box);
        QTest::mouseClick(d.chkEmptyRows, Qt::LeftButton);
        QVERIFY(!d.chkEmptyRows->isChecked());
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(d.focusWidget(), box);
        box->setText(QStringLiteral("-20"));
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(d.focusWidget() != box);
        checked = true;
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    });
    qint32 start = 0, step = 0;
    QString symbol;
    bool emptyRows = false;
    QVERIFY(AskNumbering(start, step, symbol, emptyRows));
    QVERIFY(checked);
    QCOMPARE(inStep ? step : start, -20);
    QCOMPARE(inStep ? start : step, 10);
}

void TstToolDialogs::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("10") << "10" << true << 10;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("negative") << "-20" << true << -20;
    QTest::newRow("blanks around") << " 7 " << true << 7;
    QTest::newRow("whole with a fraction part") << "2.0" << true << 2;
    QTest::newRow("exponent") << "1e2" << true << 100;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("fraction") << "1.5" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("too large") << "2147483648" << false << 0;
    QTest::newRow("infinite") << "inf" << false << 0;
    QTest::newRow("not a number") << "nan" << false << 0;
}

void TstToolDialogs::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const std::optional<qint32> number = wholeNumber(text);
    QCOMPARE(number.has_value(), valid);
    QCOMPARE(number.value_or(0), value);
}

void TstToolDialogs::captionsInEveryLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 1;
    QTest::newRow("Bulgarian") << 2;
    QTest::newRow("Spanish") << 3;
}

void TstToolDialogs::captionsInEveryLanguage()
{
    QFETCH(int, language);
    frmClean clean;
    frmNumbering numbering;
    clean.show();
    numbering.show();
    // Loaded in English, relabelled by the language switch.
    QVERIFY(ChangeLanguage(qint16(language)));
    checkCaptionsFit(&clean);
    checkCaptionsFit(&numbering);
    const frmClean fresh; // loaded in the language: shows it at once
    const std::pair<QString, int> shown[] = {{clean.windowTitle(), 205},
                                             {clean.fraClean->title(), 206},
                                             {clean.chkBadSymbols->text(), 207},
                                             {clean.chkNumbering->text(), 208},
                                             {clean.lblSymbol->text(), 209},
                                             {clean.chkEmptyRows->text(), 210},
                                             {clean.cmdOK->text(), 201},
                                             {clean.cmdCancel->text(), 202},
                                             {numbering.windowTitle(), 233},
                                             {numbering.lblStart->text(), 234},
                                             {numbering.lblStart->toolTip(), 333},
                                             {numbering.lblStep->text(), 235},
                                             {numbering.lblStep->toolTip(), 334},
                                             {numbering.lblSymbol->text(), 260},
                                             {numbering.lblSymbol->toolTip(), 341},
                                             {numbering.chkEmptyRows->text(), 259},
                                             {numbering.chkEmptyRows->toolTip(), 340},
                                             {numbering.cmdOK->text(), 201},
                                             {numbering.cmdCancel->text(), 202},
                                             {fresh.chkEmptyRows->text(), 210}};
    for (const auto &[text, offset] : shown)
        QCOMPARE(text, golden(language, offset));
}

QTEST_MAIN(TstToolDialogs)
#include "tst_tooldialogs.moc"
