// SPDX-License-Identifier: GPL-3.0-or-later
#include "FontDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kordavel {

FontDialog::FontDialog(const FontChoice &initial, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));
    m_face = new QFontComboBox(this);
    m_face->setCurrentFont(QFont(initial.name));
    m_size = new QComboBox(this);
    m_size->setEditable(true);
    for (int size : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 36, 48, 72})
        m_size->addItem(QString::number(size));
    m_size->setCurrentText(QString::number(initial.size));
    m_bold = new QCheckBox(QStringLiteral("Bold"), this);
    m_bold->setChecked(initial.bold);
    m_italic = new QCheckBox(QStringLiteral("Italic"), this);
    m_italic->setChecked(initial.italic);
    m_underline = new QCheckBox(QStringLiteral("Underline"), this);
    m_underline->setChecked(initial.underline);
    m_strike = new QCheckBox(QStringLiteral("Strikeout"), this);
    m_strike->setChecked(initial.strike);
    m_colorButton = new QPushButton(this);
    m_sample = new QLabel(QStringLiteral("N10 G01 X25.4 Y-12.7"), this);
    m_sample->setMinimumHeight(48);
    m_sample->setFrameShape(QFrame::StyledPanel);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Font:"), m_face);
    form->addRow(QStringLiteral("Size:"), m_size);
    form->addRow(QStringLiteral("Color:"), m_colorButton);
    auto *effects = new QHBoxLayout;
    for (QCheckBox *box : {m_bold, m_italic, m_underline, m_strike})
        effects->addWidget(box);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(effects);
    layout->addWidget(m_sample);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        const QColor color = QColorDialog::getColor(m_color, this);
        if (color.isValid())
            setColor(color);
    });
    connect(m_face, &QFontComboBox::currentFontChanged, this, &FontDialog::updateSample);
    connect(m_size, &QComboBox::currentTextChanged, this, &FontDialog::updateSample);
    for (QCheckBox *box : {m_bold, m_italic, m_underline, m_strike})
        connect(box, &QCheckBox::toggled, this, &FontDialog::updateSample);
    setColor(initial.color.isValid() ? initial.color : QColor(Qt::black));
}

void FontDialog::setColor(const QColor &color)
{
    m_color = color;
    m_colorButton->setText(color.name());
    m_colorButton->setStyleSheet(QStringLiteral("color: %1").arg(color.name()));
    updateSample();
}

FontChoice FontDialog::choice() const
{
    FontChoice out;
    out.name = m_face->currentFont().family();
    bool ok = false;
    const double size = m_size->currentText().toDouble(&ok);
    out.size = ok && size > 0 && size < 1000 ? size : 10.0;
    out.color = m_color;
    out.bold = m_bold->isChecked();
    out.italic = m_italic->isChecked();
    out.underline = m_underline->isChecked();
    out.strike = m_strike->isChecked();
    return out;
}

void FontDialog::updateSample()
{
    const FontChoice c = choice();
    QFont font(c.name);
    font.setPointSizeF(c.size);
    font.setBold(c.bold);
    font.setItalic(c.italic);
    font.setUnderline(c.underline);
    font.setStrikeOut(c.strike);
    m_sample->setFont(font);
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, c.color);
    m_sample->setPalette(palette);
}

} // namespace kordavel
