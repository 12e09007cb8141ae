// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace kordavel {

// The About box: product name, icon and version.
class frmAbout : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner);
    bool SetLanguage() override;

    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QPushButton *cmdOK;
};

// "major.minor" of this build, as the About box shows it.
QString programVersion();
// The whole version of this build, as the package and the metainfo carry it ("1.1.0").
QString releaseVersion();

} // namespace kordavel
