// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"
#include "tools/ProgramFacts.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kordavel {

// The facts of a program as it stood when the window opened: cycle time, feed and rapid
// paths, ranges, blocks and the tools in the order they are taken. The rapid rate is the
// machine's own: changing it here stores it for that machine. A long program is read in
// slices between events.
class frmProgramFacts : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    // program: its rows joined by LF; machine: the name whose rapid rate is used; lathe:
    // Lathe ticked at first.
    frmProgramFacts(const QString &caption, const QString &program, const QString &machine,
                    bool lathe = false, QWidget *parent = nullptr);
    ~frmProgramFacts() override;

    bool SetLanguage() override;
    bool busy() const { return m_reader != nullptr; }
    const ProgramFacts &facts() const { return m_facts; }

    // "h:mm:ss" of a time in minutes, rounded to the second.
    static QString clockText(double minutes);

    QCheckBox *chkLathe;
    QLabel *lblRapidRate;
    QDoubleSpinBox *txtRapidRate;
    QTableWidget *tblFacts;
    QTableWidget *tblTools;
    QPushButton *cmdClose;

signals:
    // The whole program has been read.
    void factsRead();

private:
    void restart();
    void readSlice();
    void showFacts();

    QString m_caption;
    QString m_program;
    QString m_machine;
    QTimer *m_slices;
    std::unique_ptr<ProgramFactsReader> m_reader;
    qsizetype m_at = 0;
    ProgramFacts m_facts;
};

} // namespace kordavel
