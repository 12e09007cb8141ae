// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommonDialog.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;

namespace kordavel {

// The font dialog: face, size, colour and the effects bold, italic, underline and
// strike-through.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(const FontChoice &initial, QWidget *parent = nullptr);
    FontChoice choice() const;

private:
    void updateSample();
    void setColor(const QColor &color);

    QFontComboBox *m_face;
    QComboBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QCheckBox *m_underline;
    QCheckBox *m_strike;
    QPushButton *m_colorButton;
    QLabel *m_sample;
    QColor m_color;
};

} // namespace kordavel
