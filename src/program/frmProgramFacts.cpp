// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmProgramFacts.h"

#include "profiles/MachineRapidRate.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace kordavel {

namespace {

// Lines read between events.
constexpr qsizetype kSliceLines = 20000;

QTableWidget *makeTable(QWidget *parent, const QString &name, int columns)
{
    auto *table = new QTableWidget(0, columns, parent);
    table->setObjectName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void setRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c)
        table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

} // namespace

frmProgramFacts::frmProgramFacts(const QString &caption, const QString &program,
                                 const QString &machine, bool lathe, QWidget *parent)
    : QDialog(parent), m_caption(caption), m_program(program), m_machine(machine)
{
    setObjectName(QStringLiteral("frmProgramFacts"));
    setAttribute(Qt::WA_DeleteOnClose);
    chkLathe = new QCheckBox(QStringLiteral("Lathe"), this);
    chkLathe->setObjectName(QStringLiteral("chkLathe"));
    chkLathe->setChecked(lathe);
    lblRapidRate = new QLabel(this);
    txtRapidRate = new QDoubleSpinBox(this);
    txtRapidRate->setObjectName(QStringLiteral("txtRapidRate"));
    txtRapidRate->setRange(kMinRapidRate, kMaxRapidRate);
    txtRapidRate->setDecimals(0);
    txtRapidRate->setSingleStep(1000);
    txtRapidRate->setValue(ReadRapidRate(machine));
    lblRapidRate->setBuddy(txtRapidRate);
    tblFacts = makeTable(this, QStringLiteral("tblFacts"), 2);
    tblFacts->horizontalHeader()->hide();
    tblTools = makeTable(this, QStringLiteral("tblTools"), 3);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *bar = new QHBoxLayout;
    bar->addWidget(lblRapidRate);
    bar->addWidget(txtRapidRate);
    bar->addStretch();
    bar->addWidget(chkLathe);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(tblFacts, 3);
    layout->addWidget(tblTools, 2);
    layout->addLayout(buttons);
    resize(480, 520);

    m_slices = new QTimer(this);
    m_slices->setInterval(0);
    connect(m_slices, &QTimer::timeout, this, &frmProgramFacts::readSlice);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(chkLathe, &QCheckBox::toggled, this, &frmProgramFacts::restart);
    connect(txtRapidRate, &QDoubleSpinBox::valueChanged, this, [this](double rate) {
        SaveRapidRate(m_machine, rate);
        restart();
    });
    SetLanguage();
    restart();
}

frmProgramFacts::~frmProgramFacts() = default;

bool frmProgramFacts::SetLanguage()
{
    setWindowTitle(GetString(QStringLiteral("Program Facts"), 570) + QStringLiteral(" - ") +
                   m_caption);
    chkLathe->setText(GetString(QStringLiteral("Lathe"), 475));
    lblRapidRate->setText(GetString(QStringLiteral("Rapid rate (mm/min)"), 582));
    cmdClose->setText(GetString(QStringLiteral("Close"), 104));
    tblTools->setHorizontalHeaderLabels({GetString(QStringLiteral("Tool"), 579),
                                         GetString(QStringLiteral("Line"), 580),
                                         GetString(QStringLiteral("Comment"), 581)});
    showFacts();
    return true;
}

QString frmProgramFacts::clockText(double minutes)
{
    const qint64 seconds = std::isfinite(minutes) ? qint64(std::llround(minutes * 60)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void frmProgramFacts::restart()
{
    m_reader = std::make_unique<ProgramFactsReader>(chkLathe->isChecked(), txtRapidRate->value());
    m_at = 0;
    m_slices->start();
}

void frmProgramFacts::readSlice()
{
    if (!m_reader)
        return;
    m_at = m_reader->addLines(m_program, m_at, kSliceLines);
    if (m_at < m_program.size())
        return;
    m_slices->stop();
    m_facts = m_reader->facts();
    m_reader.reset();
    showFacts();
    emit factsRead();
}

void frmProgramFacts::showFacts()
{
    const ProgramFacts &f = m_facts;
    const double unit = f.inch ? 25.4 : 1;
    const QString units = f.inch ? QStringLiteral(" in") : QStringLiteral(" mm");
    const auto length = [&](double mm) { return QString::number(mm / unit, 'f', 3) + units; };
    QList<QStringList> rows{
        {GetString(QStringLiteral("Cycle time"), 572), clockText(f.minutes())},
        {GetString(QStringLiteral("Feed moves"), 573),
         clockText(f.feedMinutes) + QStringLiteral("   ") + length(f.feedLength)},
        {GetString(QStringLiteral("Rapids"), 574),
         clockText(f.rapidMinutes) + QStringLiteral("   ") + length(f.rapidLength)},
        {GetString(QStringLiteral("Dwells"), 575), clockText(f.dwellMinutes)},
    };
    const double mins[3] = {f.min.x, f.min.y, f.min.z}, maxs[3] = {f.max.x, f.max.y, f.max.z};
    for (int axis = 0; axis < 3; ++axis)
        rows.append({GetString(QStringLiteral("Range of %1"), 576).arg(QLatin1Char("XYZ"[axis])),
                     f.hasRange ? length(mins[axis]) + QStringLiteral(" … ") + length(maxs[axis])
                                : QString()});
    rows.append({GetString(QStringLiteral("Blocks"), 577), QString::number(f.blocks)});
    rows.append({GetString(QStringLiteral("Tool changes"), 578), QString::number(f.toolChanges)});
    if (f.untimedMoves > 0)
        rows.append({GetString(QStringLiteral("Moves without a feed, not timed"), 583),
                     QString::number(f.untimedMoves)});
    tblFacts->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        setRow(tblFacts, r, rows[r]);
    tblFacts->resizeColumnToContents(0);
    tblTools->setRowCount(int(f.tools.size()));
    for (int r = 0; r < f.tools.size(); ++r)
        setRow(tblTools, r,
               {f.tools[r].tool, QString::number(f.tools[r].line + 1), f.tools[r].comment});
}

} // namespace kordavel
