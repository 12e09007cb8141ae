// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmCompare.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

namespace kordavel {

// The rows of the comparison: each side's line number and text.
class CompareModel : public QAbstractTableModel {
public:
    CompareModel(const QString &left, const QString &right, QObject *parent)
        : QAbstractTableModel(parent), m_leftText(left), m_rightText(right),
          m_left(splitLines(m_leftText)), m_right(splitLines(m_rightText))
    {}
    void compare(const LineCompareOptions &options)
    {
        beginResetModel();
        m_rows = LineCompare::compare(m_left, m_right, options);
        endResetModel();
    }
    const QList<CompareRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const CompareRow &row = m_rows[index.row()];
        const bool leftSide = index.column() < 2;
        const qint32 line = leftSide ? row.left : row.right;
        if (role == Qt::DisplayRole) {
            if (line < 0)
                return {};
            if (index.column() % 2 == 0)
                return QString::number(line + 1);
            return (leftSide ? m_left : m_right)[line].toString();
        }
        if (role == Qt::BackgroundRole) {
            switch (row.kind) {
            case CompareRow::Changed:
                return QColor(255, 240, 170);
            case CompareRow::Removed:
                return leftSide ? QColor(255, 200, 200) : QColor(235, 235, 235);
            case CompareRow::Added:
                return leftSide ? QColor(235, 235, 235) : QColor(200, 240, 200);
            default:
                return {};
            }
        }
        if (role == Qt::TextAlignmentRole && index.column() % 2 == 0)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section % 2 == 1)
            return section == 1 ? m_leftCaption : m_rightCaption;
        return {};
    }
    QString m_leftCaption, m_rightCaption;

private:
    QString m_leftText, m_rightText;
    QList<QStringView> m_left, m_right;
    QList<CompareRow> m_rows;
};

frmCompare::frmCompare(const QString &leftCaption, const QString &left, const QString &rightCaption,
                       const QString &right, QWidget *parent)
    : QDialog(parent), m_leftCaption(leftCaption), m_rightCaption(rightCaption),
      m_model(new CompareModel(left, right, this))
{
    setObjectName(QStringLiteral("frmCompare"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_model->m_leftCaption = leftCaption;
    m_model->m_rightCaption = rightCaption;
    chkIgnoreNumbers = new QCheckBox(QStringLiteral("Ignore block numbers"), this);
    chkIgnoreNumbers->setObjectName(QStringLiteral("chkIgnoreNumbers"));
    chkIgnoreBlanks = new QCheckBox(QStringLiteral("Ignore blanks"), this);
    chkIgnoreBlanks->setObjectName(QStringLiteral("chkIgnoreBlanks"));
    cmdPrevious = new QPushButton(QStringLiteral("Previous difference"), this);
    cmdPrevious->setObjectName(QStringLiteral("cmdPrevious"));
    cmdNext = new QPushButton(QStringLiteral("Next difference"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    lblDifferences = new QLabel(this);
    lblDifferences->setObjectName(QStringLiteral("lblDifferences"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    cmdNext->setAutoDefault(false);
    cmdPrevious->setAutoDefault(false);

    tblCompare = new QTableView(this);
    tblCompare->setObjectName(QStringLiteral("tblCompare"));
    tblCompare->setModel(m_model);
    tblCompare->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tblCompare->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblCompare->setSelectionMode(QAbstractItemView::SingleSelection);
    tblCompare->setShowGrid(false);
    tblCompare->setWordWrap(false);
    tblCompare->verticalHeader()->hide();
    tblCompare->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblCompare->verticalHeader()->setDefaultSectionSize(tblCompare->fontMetrics().height() + 2);
    QHeaderView *header = tblCompare->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(3, QHeaderView::Stretch);

    auto *bar = new QHBoxLayout;
    bar->addWidget(chkIgnoreNumbers);
    bar->addWidget(chkIgnoreBlanks);
    bar->addStretch();
    bar->addWidget(lblDifferences);
    bar->addWidget(cmdPrevious);
    bar->addWidget(cmdNext);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(tblCompare);
    layout->addLayout(buttons);
    resize(900, 600);

    connect(chkIgnoreNumbers, &QCheckBox::toggled, this, &frmCompare::recompare);
    connect(chkIgnoreBlanks, &QCheckBox::toggled, this, &frmCompare::recompare);
    connect(cmdNext, &QPushButton::clicked, this, &frmCompare::nextDifference);
    connect(cmdPrevious, &QPushButton::clicked, this, &frmCompare::previousDifference);
    // Shortcuts of their own: a button's caption sets its shortcut anew.
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this), &QShortcut::activated, this,
            &frmCompare::nextDifference);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7), this), &QShortcut::activated, this,
            &frmCompare::previousDifference);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    recompare();
    SetLanguage();
}

frmCompare::~frmCompare() = default;

bool frmCompare::SetLanguage()
{
    setWindowTitle(
        GetString(QStringLiteral("Compare %1 with %2"), 584).arg(m_leftCaption, m_rightCaption));
    chkIgnoreNumbers->setText(GetString(QStringLiteral("Ignore block numbers"), 585));
    chkIgnoreBlanks->setText(GetString(QStringLiteral("Ignore blanks"), 586));
    cmdNext->setText(GetString(QStringLiteral("Next difference"), 587));
    cmdPrevious->setText(GetString(QStringLiteral("Previous difference"), 588));
    cmdClose->setText(GetString(QStringLiteral("Close"), 104));
    cmdNext->setToolTip(QKeySequence(Qt::Key_F7).toString(QKeySequence::NativeText));
    cmdPrevious->setToolTip(
        QKeySequence(Qt::SHIFT | Qt::Key_F7).toString(QKeySequence::NativeText));
    lblDifferences->setText(
        GetString(QStringLiteral("Differences: %1"), 589).arg(m_differences.size()));
    return true;
}

const QList<CompareRow> &frmCompare::rows() const
{
    return m_model->rows();
}

int frmCompare::currentRow() const
{
    return tblCompare->currentIndex().isValid() ? tblCompare->currentIndex().row() : -1;
}

void frmCompare::recompare()
{
    m_model->compare({.ignoreNumbers = chkIgnoreNumbers->isChecked(),
                      .ignoreBlanks = chkIgnoreBlanks->isChecked()});
    m_differences = LineCompare::differences(m_model->rows());
    lblDifferences->setText(
        GetString(QStringLiteral("Differences: %1"), 589).arg(m_differences.size()));
    cmdNext->setEnabled(!m_differences.isEmpty());
    cmdPrevious->setEnabled(!m_differences.isEmpty());
    if (!m_differences.isEmpty())
        goToRow(int(m_differences.first()));
}

void frmCompare::goToRow(int row)
{
    const QModelIndex index = m_model->index(row, 1);
    tblCompare->setCurrentIndex(index);
    tblCompare->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void frmCompare::nextDifference()
{
    const int at = currentRow();
    for (const qsizetype start : std::as_const(m_differences))
        if (start > at) {
            goToRow(int(start));
            return;
        }
}

void frmCompare::previousDifference()
{
    const int at = currentRow();
    for (auto it = m_differences.crbegin(); it != m_differences.crend(); ++it)
        if (*it < at) {
            goToRow(int(*it));
            return;
        }
}

QString frmCompare::documentLines(const QTextDocument &document)
{
    QString text = document.toRawText();
    for (QChar &c : text)
        if (c == QChar::ParagraphSeparator)
            c = QLatin1Char('\n');
        else if (c == QChar::LineSeparator)
            c = QLatin1Char(' ');
    return text;
}

} // namespace kordavel
