// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace kordavel {

// Picks the program to compare with: one of the open windows (listed first, the first one
// chosen; a click on one, or OK, takes it) or a file. Opened window-modal; it reports its
// choice and closes.
class frmCompareWith : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    frmCompareWith(const QStringList &windows, QWidget *parent = nullptr);
    bool SetLanguage() override;

    QListWidget *lstPrograms;
    QPushButton *cmdFile;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

signals:
    void windowChosen(int index);
    // The file button: the caller asks for the file.
    void fileWanted();

private:
    void chooseWindow();
};

} // namespace kordavel
