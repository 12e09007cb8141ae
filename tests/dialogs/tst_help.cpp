// SPDX-License-Identifier: GPL-3.0-or-later
// The manual built into the program: F1 shows it in the current language, with contents,
// links, back and forward, and find.
#include "dialogs/frmHelp.h"
#include "support/CaptionsFit.h"
#include "support/FrameSession.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace kordavel;
using namespace kordavel::test;

class TstHelp : public QObject {
    Q_OBJECT
private slots:
    void f1ShowsTheManual_data() { addLanguageRows(); }

    void f1ShowsTheManual()
    {
        QFETCH(int, language);
        FrameSession s;
        s.frame->changeLanguage(qint16(language));
        QAction *contents = s.frame->menuEntry(QStringLiteral("mnuHelpContents"));
        QCOMPARE(contents->shortcut(), QKeySequence(Qt::Key_F1));
        contents->trigger();
        frmHelp *help = s.frame->helpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->txtPage->source().toString(), frmHelp::manualSource(qint16(language)));
        QCOMPARE(help->windowTitle(), GetString(QString(), 404));

        // A contents entry shows its heading; a link goes there too, and Back comes back.
        QVERIFY(help->tvwContents->topLevelItemCount() >= 10);
        QTreeWidgetItem *last =
            help->tvwContents->topLevelItem(help->tvwContents->topLevelItemCount() - 1);
        emit help->tvwContents->itemClicked(last, 0);
        QCOMPARE(help->txtPage->textCursor().block().text().simplified(), last->text(0));
        QVERIFY(!help->cmdBack->isEnabled());
        help->txtPage->setSource(QUrl(frmHelp::manualSource(qint16(language)) + "#ports"));
        QVERIFY(help->cmdBack->isEnabled());
        help->cmdBack->click();
        QVERIFY(help->cmdForward->isEnabled());

        // Find selects the next match and wraps round once.
        help->txtFind->setText(QStringLiteral("dialout"));
        help->cmdFindNext->click();
        QCOMPARE(help->txtPage->textCursor().selectedText().toLower(), QStringLiteral("dialout"));

        // The window follows a change of language.
        const qint16 other = qint16(language % 3 + 1);
        s.frame->changeLanguage(other);
        QCOMPARE(help->txtPage->source().toString(), frmHelp::manualSource(other));
    }

    // Every manual has the same sections, and quotes every message of the serial line as the
    // program shows it in that language.
    void manualsAgree()
    {
        QStringList sections[3];
        for (int language = 1; language <= 3; ++language) {
            setLanguageNumber(qint16(language));
            frmHelp help;
            const QString text = help.txtPage->toPlainText();
            QTextDocument *doc = help.txtPage->document();
            for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
                if (block.blockFormat().headingLevel() == 2 && block.begin() != block.end())
                    sections[language - 1] << block.begin().fragment().charFormat().anchorNames();
            for (int offset : {27, 32, 402, 403})
                QVERIFY2(
                    text.contains(GetString(QString(), offset).trimmed()),
                    qPrintable(QString::number(language) + ": " + GetString(QString(), offset)));
        }
        QVERIFY(sections[0].contains(QStringLiteral("ports")));
        QCOMPARE(sections[1], sections[0]);
        QCOMPARE(sections[2], sections[0]);
        setLanguageNumber(1);
    }
};

QTEST_MAIN(TstHelp)
#include "tst_help.moc"
