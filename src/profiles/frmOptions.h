// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultLineSettings.h"
#include "LineSettingsControls.h"

#include "i18n/Language.h"

#include <QDialog>

#include <memory>

class QPushButton;
class QTabWidget;

namespace kordavel {

// The Options dialog: edits the stored default line settings that program windows opened
// afterwards start with. OK writes all twelve keys; Cancel writes nothing.
class frmOptions : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);

    bool SetLanguage() override;

    QTabWidget *sstabOptions;
    LineSettingsControls *controls;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void cmdOK_Click();
    void placeControls();

    DefaultLineSettings m_loaded;
    std::unique_ptr<LineSettingsControls> m_controls;
};

} // namespace kordavel
