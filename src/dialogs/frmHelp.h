// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace kordavel {

// Kordavel's manual, built into the program: a window of its own with a contents list, back
// and forward, and find. It shows the manual of the current language and follows a change
// of language: the places visited go over to the new manual, whose parts are the same. An
// entry of the contents is a step of the history, as a link is; the contents show the part
// at the top of the page.
class frmHelp : public QWidget, public LanguageAware {
    Q_OBJECT
public:
    explicit frmHelp(QWidget *parent = nullptr);
    bool SetLanguage() override;

    // The manual of a language (English for any other number).
    static QString manualSource(qint16 language);

    QTreeWidget *tvwContents;
    QTextBrowser *txtPage;
    QPushButton *cmdBack;
    QPushButton *cmdForward;
    QLabel *lblFind;
    QLineEdit *txtFind;
    QPushButton *cmdFindNext;

private:
    struct Heading {
        int block;           // its block in the page
        QStringList anchors; // its own names (links to it)
        QTreeWidgetItem *item;
    };

    // Loads the manual of the language; the history goes over to it.
    void showManual(qint16 language);
    void fillContents();
    void showHeading(QTreeWidgetItem *item);
    // Shows the place of the manual: a link's anchor, or part<n>, the n-th heading, the
    // same in every manual. A step of the history.
    void goTo(const QString &place);
    // The heading a place names; -1 for none.
    int headingAt(const QString &place) const;
    // Makes the entry of the part shown the current one of the contents.
    void followPage();
    int headingOf(const QTreeWidgetItem *item) const;
    // Where the heading is in the page, as the scroll bar counts.
    int headingTop(int heading) const;
    // Selects the next match of the find text after the selection, wrapping once; false
    // when there is none.
    bool findNext();

    qint16 m_shownLanguage = 0;
    QList<Heading> m_headings;
};

} // namespace kordavel
