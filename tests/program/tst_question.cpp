// The "Save file?" question: its answers by button, key and window close, its widths,
// and its captions in every language.
#include "common/Twips.h"
#include "i18n/Language.h"
#include "program/frmQuestion.h"
#include "support/GoldenStrings.h"
#include "support/QuestionAnswerer.h"

#include <QPushButton>
#include <QtTest>

using namespace kordavel;
using namespace kordavel::test;

class TstQuestion : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        frmQuestion::releaseInstance();
        setLanguageNumber(1);
    }
    void answers_data();
    void answers();
    void labelsFollowTheLanguage_data();
    void labelsFollowTheLanguage();
};

void TstQuestion::answers_data()
{
    QTest::addColumn<bool>("cancelOffered");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes button") << true << "yes" << 0;
    QTest::newRow("no button") << true << "no" << 1;
    QTest::newRow("cancel button") << true << "cancel" << 3;
    QTest::newRow("enter answers yes") << true << "enter" << 0;
    QTest::newRow("escape answers cancel") << true << "escape" << 3;
    QTest::newRow("window close answers cancel") << true << "close" << 3;
    QTest::newRow("enter without cancel") << false << "enter" << 0;
    QTest::newRow("escape without cancel answers no") << false << "escape" << 1;
    QTest::newRow("window close without cancel answers no") << false << "close" << 1;
}

void TstQuestion::answers()
{
    QFETCH(bool, cancelOffered);
    QFETCH(QString, how);
    QFETCH(int, expected);

    // The previous use leaves an answer behind; it must not leak into this one.
    answerNextQuestion(clickYes());
    QCOMPARE(AskQuestion(232, true), 0);

    QuestionSeen seen;
    answerNextQuestion(
        [how](frmQuestion &d) {
            if (how == QLatin1String("yes"))
                d.cmdYes->click();
            else if (how == QLatin1String("no"))
                d.cmdNo->click();
            else if (how == QLatin1String("cancel"))
                d.cmdCancel->click();
            else if (how == QLatin1String("enter"))
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                            : static_cast<QWidget *>(&d),
                                Qt::Key_Return);
            else if (how == QLatin1String("escape"))
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
        },
        &seen);
    QCOMPARE(AskQuestion(232, cancelOffered), expected);
    QVERIFY(seen.shown);
    QCOMPARE(seen.cancelVisible, cancelOffered);
    QCOMPARE(seen.width, twipsToPixelsX(cancelOffered ? 4980 : 3324));
    QVERIFY(!frmQuestion::instance().isVisible());
}

void TstQuestion::labelsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("english") << 1;
    QTest::newRow("bulgarian") << 2;
    QTest::newRow("spanish") << 3;
}

void TstQuestion::labelsFollowTheLanguage()
{
    QFETCH(int, language);
    // Ask once in English first: the switch must reach a dialog that already exists.
    answerNextQuestion(clickNo());
    AskQuestion(232, true);
    setLanguageNumber(qint16(language));

    QuestionSeen seen;
    answerNextQuestion(clickNo(), &seen);
    QCOMPARE(AskQuestion(232, true), 1);
    QCOMPARE(seen.text, golden(language, 232));
    QCOMPARE(seen.yes, golden(language, 203));
    QCOMPARE(seen.no, golden(language, 204));
    QCOMPARE(seen.cancel, golden(language, 202));
    QCOMPARE(frmQuestion::instance().windowTitle(), QStringLiteral("Kordavel"));

    // A text the table does not hold leaves the last one in place.
    answerNextQuestion(clickYes(), &seen);
    QCOMPARE(AskQuestion(230, false), 0);
    QCOMPARE(seen.text, golden(language, 232));
}

QTEST_MAIN(TstQuestion)
#include "tst_question.moc"
