// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"
#include "tools/LineCompare.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QTextDocument;

namespace kordavel {

class CompareModel;

// Two programs side by side, their equal lines on one row: changed rows marked yellow,
// removed ones red, added ones green. F7 and Shift+F7 go to the next and the previous
// difference; block numbers and blanks can be left out of the comparison.
class frmCompare : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    frmCompare(const QString &leftCaption, const QString &left, const QString &rightCaption,
               const QString &right, QWidget *parent = nullptr);
    ~frmCompare() override;

    bool SetLanguage() override;
    const QList<CompareRow> &rows() const;
    const QList<qsizetype> &differences() const { return m_differences; }
    // The row of the table's current cell, -1 for none.
    int currentRow() const;
    void nextDifference();
    void previousDifference();

    // A document's rows joined by LF, one per block as the editor numbers them.
    static QString documentLines(const QTextDocument &document);

    QCheckBox *chkIgnoreNumbers;
    QCheckBox *chkIgnoreBlanks;
    QPushButton *cmdPrevious;
    QPushButton *cmdNext;
    QLabel *lblDifferences;
    QTableView *tblCompare;
    QPushButton *cmdClose;

private:
    void recompare();
    void goToRow(int row);

    QString m_leftCaption, m_rightCaption;
    CompareModel *m_model;
    QList<qsizetype> m_differences;
};

} // namespace kordavel
