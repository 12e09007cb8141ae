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
// of language.
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
    void fillContents();
    void showHeading(QTreeWidgetItem *item);
    // Selects the next match of the find text after the selection, wrapping once; false
    // when there is none.
    bool findNext();

    qint16 m_shownLanguage = 0;
};

} // namespace kordavel
