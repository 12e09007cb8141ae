// The Clean and Numbering dialogs: their starting choices, the symbol boxes, the number
// validation that keeps the focus, the answers by OK, Cancel, Escape and the close box,
// and their captions in every language.
#include "support/ModalScript.h"
#include "support/CaptionsFit.h"

#include "i18n/Language.h"
#include "support/GoldenStrings.h"
#include "support/ScriptedDialogs.h"
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
    void cleanStartsFromTheSameChoices();
    void cleanAnswers_data();
    void cleanAnswers();
    void cleanSymbolTakesOneCapital_data();
    void cleanSymbolTakesOneCapital();
    void numberingStartsFromTheSameChoices();
    void numberingAnswers_data();
    void numberingAnswers();
    void numbersThatKeepTheFocus_data();
    void numbersThatKeepTheFocus();
    void wholeNumbers_data();
    void wholeNumbers();
    void captionsInEveryLanguage_data();
    void captionsInEveryLanguage();
};

void TstToolDialogs::cleanStartsFromTheSameChoices()
{
    for (int use = 0; use < 2; ++use) {
        bool seen = false;
        onNextDialog<frmClean>(
            [](frmClean &d) {
                QVERIFY(d.chkBadSymbols->isChecked() && d.blnBadSymbols);
                QVERIFY(!d.chkNumbering->isChecked() && !d.blnNumbering);
                QVERIFY(d.chkEmptyRows->isChecked() && d.blnEmptyRows);
                QCOMPARE(d.txtSymbol->text(), QStringLiteral("N"));
                QVERIFY(!d.txtSymbol->isEnabled());
                QVERIFY(!d.lblSymbol->isEnabled());
                QVERIFY(d.cmdOK->isDefault());
                // Change everything; the next use must not remember it.
                d.chkNumbering->click();
                QVERIFY(d.blnNumbering && d.txtSymbol->isEnabled() && d.lblSymbol->isEnabled());
                d.chkBadSymbols->click();
                d.chkEmptyRows->click();
                QVERIFY(!d.blnBadSymbols && !d.blnEmptyRows);
                d.txtSymbol->setText(QStringLiteral("Q"));
                d.cmdOK->click();
            },
            &seen);
        quint8 options = 0;
        QString symbol;
        QVERIFY(AskClean(options, symbol));
        QVERIFY(seen);
        QCOMPARE(options, quint8(2));
        QCOMPARE(symbol, QStringLiteral("Q"));
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
    QTest::newRow("small letter becomes the capital") << "g"
                                                      << "G" << 0;
    QTest::newRow("capital stays") << "X"
                                   << "X" << 0;
    QTest::newRow("digit refused") << "5"
                                   << "" << 1;
    QTest::newRow("sign refused") << "%"
                                  << "" << 1;
    QTest::newRow("one letter only") << "ab"
                                     << "A" << 0;
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

void TstToolDialogs::numberingStartsFromTheSameChoices()
{
    for (int use = 0; use < 2; ++use) {
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
        QString symbol;
        bool emptyRows = false;
        QVERIFY(AskNumbering(start, step, symbol, emptyRows));
        QCOMPARE(start, 1);
        QVERIFY(emptyRows);
    }
}

void TstToolDialogs::numberingAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<bool>("emptyRows");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("gotStart");
    QTest::addColumn<int>("gotStep");
    QTest::addColumn<QString>("gotSymbol");
    QTest::addColumn<bool>("gotEmptyRows");
    QTest::newRow("OK with the defaults") << "ok"
                                          << "10"
                                          << "10"
                                          << "N" << false << 2 << 10 << 10 << "N" << false;
    QTest::newRow("Enter is OK") << "enter"
                                 << "100"
                                 << "-5"
                                 << "N" << true << 2 << 100 << -5 << "N" << true;
    QTest::newRow("small letter stays small") << "ok"
                                              << "0"
                                              << "0"
                                              << "n" << false << 2 << 0 << 0 << "n" << false;
    QTest::newRow("Cancel") << "cancel"
                            << "5"
                            << "5"
                            << "P" << true << 3 << 0 << 0 << "" << false;
    QTest::newRow("Escape") << "escape"
                            << "5"
                            << "5"
                            << "P" << true << 3 << 0 << 0 << "" << false;
    QTest::newRow("close box answers Cancel") << "close"
                                              << "5"
                                              << "5"
                                              << "P" << true << 3 << 0 << 0 << "" << false;
    QTest::newRow("Cancel with a number that is not whole")
        << "cancel"
        << "1.5"
        << "10"
        << "N" << false << 3 << 0 << 0 << "" << false;
}

void TstToolDialogs::numberingAnswers()
{
    QFETCH(QString, how);
    QFETCH(QString, start);
    QFETCH(QString, step);
    QFETCH(QString, symbol);
    QFETCH(bool, emptyRows);
    QFETCH(int, answer);
    QFETCH(int, gotStart);
    QFETCH(int, gotStep);
    QFETCH(QString, gotSymbol);
    QFETCH(bool, gotEmptyRows);

    frmNumbering dialog;
    onNextDialog<frmNumbering>([&](frmNumbering &d) {
        d.txtStart->setText(start);
        d.txtStep->setText(step);
        d.txtSymbol->setText(symbol);
        d.chkEmptyRows->setChecked(emptyRows);
        closeBy(d, how, d.cmdOK, d.cmdCancel);
    });
    qint32 s = 77, t = 77;
    QString sym = QStringLiteral("old");
    bool empty = true;
    QCOMPARE(dialog.Answer(s, t, sym, empty), answer);
    QCOMPARE(s, gotStart);
    QCOMPARE(t, gotStep);
    QCOMPARE(sym, gotSymbol);
    QCOMPARE(empty, gotEmptyRows);
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
        QCOMPARE(d.focusWidget(), box);
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
    if (valid)
        QCOMPARE(*number, value);
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
    const auto g = [language](int offset) { return golden(language, offset); };
    QCOMPARE(clean.windowTitle(), g(205));
    QCOMPARE(clean.fraClean->title(), g(206));
    QCOMPARE(clean.chkBadSymbols->text(), g(207));
    QCOMPARE(clean.chkNumbering->text(), g(208));
    QCOMPARE(clean.lblSymbol->text(), g(209));
    QCOMPARE(clean.chkEmptyRows->text(), g(210));
    QCOMPARE(clean.cmdOK->text(), g(201));
    QCOMPARE(clean.cmdCancel->text(), g(202));
    QCOMPARE(numbering.windowTitle(), g(233));
    QCOMPARE(numbering.lblStart->text(), g(234));
    QCOMPARE(numbering.lblStart->toolTip(), g(333));
    QCOMPARE(numbering.lblStep->text(), g(235));
    QCOMPARE(numbering.lblStep->toolTip(), g(334));
    QCOMPARE(numbering.lblSymbol->text(), g(260));
    QCOMPARE(numbering.lblSymbol->toolTip(), g(341));
    QCOMPARE(numbering.chkEmptyRows->text(), g(259));
    QCOMPARE(numbering.chkEmptyRows->toolTip(), g(340));
    QCOMPARE(numbering.cmdOK->text(), g(201));
    QCOMPARE(numbering.cmdCancel->text(), g(202));
    // A dialog loaded in the language shows it at once.
    frmClean fresh;
    QCOMPARE(fresh.chkEmptyRows->text(), g(210));
}

QTEST_MAIN(TstToolDialogs)
#include "tst_tooldialogs.moc"
