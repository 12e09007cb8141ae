// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmNumbering.h"

#include "common/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kordavel {

std::optional<qint32> wholeNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::trunc(value) != value)
        return std::nullopt;
    if (value < double(std::numeric_limits<qint32>::min()) ||
        value > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(value);
}

int numberingRefusal(qint32 start, qint32 step, qint64 blocks)
{
    if (step == 0)
        return 520;
    constexpr qint64 kMost = std::numeric_limits<qint32>::max();
    constexpr qint64 kLeast = std::numeric_limits<qint32>::min();
    // |step| and the count stay below 2^32 here, so the product fits.
    const qint64 last = qint64(start) + qint64(step) * (std::clamp<qint64>(blocks, 1, kMost) - 1);
    return last > kMost || last < kLeast ? 521 : 0;
}

frmNumbering::frmNumbering(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNumbering"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Numbering"));
    setFixedSize(twipsToPixelsX(3480), twipsToPixelsY(2520));

    const auto label = [this](const char *name, const char *caption) {
        auto *l = new QLabel(QLatin1String(caption), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto box = [this](const char *name, const char *text) {
        auto *t = new QLineEdit(QLatin1String(text), this);
        t->setObjectName(QLatin1String(name));
        return t;
    };
    lblStart = label("lblStart", "Start");
    txtStart = box("txtStart", "10");
    lblStep = label("lblStep", "Step");
    txtStep = box("txtStep", "10");
    lblSymbol = label("lblSymbol", "Symbol");
    txtSymbol = box("txtSymbol", "N");
    txtSymbol->setMaxLength(1);
    chkEmptyRows = new QCheckBox(QStringLiteral("Empty rows"), this);
    chkEmptyRows->setObjectName(QStringLiteral("chkEmptyRows"));
    lblStart->setToolTip(QStringLiteral("Start"));
    lblStep->setToolTip(QStringLiteral("Step"));
    lblSymbol->setToolTip(QStringLiteral("Symbol"));
    chkEmptyRows->setToolTip(QStringLiteral("Empty rows"));
    lblRefusal = label("lblRefusal", "");
    lblRefusal->setWordWrap(true);
    lblRefusal->hide();
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    placeInTwips(lblStart, 240, 180, 1200, 252);
    placeInTwips(txtStart, 1560, 144, 1680, 312);
    placeInTwips(lblStep, 240, 600, 1200, 252);
    placeInTwips(txtStep, 1560, 564, 1680, 312);
    placeInTwips(lblSymbol, 240, 1020, 1200, 252);
    placeInTwips(txtSymbol, 1560, 984, 420, 312);
    placeInTwips(chkEmptyRows, 240, 1416, 3000, 300);
    placeInTwips(cmdOK, 240, 1956, 1212, 372);
    placeInTwips(cmdCancel, 2028, 1956, 1212, 372);
    setTabOrder(txtStart, txtStep);
    setTabOrder(txtStep, txtSymbol);
    setTabOrder(txtSymbol, chkEmptyRows);
    setTabOrder(chkEmptyRows, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    cmdOK->setDefault(true);
    cmdCancel->setAutoDefault(false);

    // A click elsewhere must not take the focus from a number box that holds no number,
    // nor do what it would have done.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if ((old == txtStart || old == txtStep) && now && now != cmdCancel && isAncestorOf(now) &&
            !wholeNumber(static_cast<QLineEdit *>(old)->text()))
            old->setFocus(Qt::OtherFocusReason);
    });

    connect(cmdOK, &QPushButton::clicked, this, &frmNumbering::acceptChoices);
    connect(cmdCancel, &QPushButton::clicked, this, &frmNumbering::reject);
    SetLanguage();
}

// The focus moves while the children go: the watch must not outlive this class's part.
frmNumbering::~frmNumbering()
{
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

bool frmNumbering::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 233));
    lblStart->setText(GetString(lblStart->text(), 234));
    lblStart->setToolTip(GetString(lblStart->toolTip(), 333));
    lblStep->setText(GetString(lblStep->text(), 235));
    lblStep->setToolTip(GetString(lblStep->toolTip(), 334));
    lblSymbol->setText(GetString(lblSymbol->text(), 260));
    lblSymbol->setToolTip(GetString(lblSymbol->toolTip(), 341));
    chkEmptyRows->setText(GetString(chkEmptyRows->text(), 259));
    chkEmptyRows->setToolTip(GetString(chkEmptyRows->toolTip(), 340));
    cmdOK->setText(GetString(cmdOK->text(), 201));
    cmdCancel->setText(GetString(cmdCancel->text(), 202));
    fitTextsInTwipsLayout(this);
    if (m_refusal != 0)
        showRefusal(m_refusal);
    return true;
}

QLineEdit *frmNumbering::invalidFocusedBox() const
{
    QWidget *focus = focusWidget();
    for (QLineEdit *number : {txtStart, txtStep})
        if (focus == number && !wholeNumber(number->text()))
            return number;
    return nullptr;
}

bool frmNumbering::focusNextPrevChild(bool next)
{
    if (invalidFocusedBox())
        return true;
    return QDialog::focusNextPrevChild(next);
}

// Cancel stays open to the user whatever the boxes hold.
bool frmNumbering::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
         type == QEvent::MouseButtonRelease) &&
        watched != cmdCancel) {
        QLineEdit *box = invalidFocusedBox();
        if (box && watched != box)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmNumbering::acceptChoices()
{
    // Enter reaches OK without moving the focus: the boxes are checked here as well.
    for (QLineEdit *number : {txtStart, txtStep}) {
        if (!wholeNumber(number->text())) {
            number->setFocus();
            return;
        }
    }
    m_start = *wholeNumber(txtStart->text());
    m_step = *wholeNumber(txtStep->text());
    m_emptyRows = chkEmptyRows->isChecked();
    m_symbol = txtSymbol->text();
    const int refusal = m_check ? m_check(m_start, m_step, m_symbol, m_emptyRows)
                                : numberingRefusal(m_start, m_step, 1);
    if (refusal != 0) {
        showRefusal(refusal);
        txtStep->setFocus();
        txtStep->selectAll();
        return;
    }
    m_answer = OK;
    done(QDialog::Accepted);
}

// The reason stands under the buttons, across the dialog, which grows to show it whole.
void frmNumbering::showRefusal(int offset)
{
    m_refusal = offset;
    QString text = GetString(QString(), offset);
    if (offset == 521)
        text = text.arg(std::numeric_limits<qint32>::min()).arg(std::numeric_limits<qint32>::max());
    lblRefusal->setText(text);
    const int left = twipsToPixelsX(240);
    const int top = cmdOK->geometry().bottom() + twipsToPixelsY(120);
    const int width = this->width() - 2 * left;
    lblRefusal->setGeometry(left, top, width, lblRefusal->heightForWidth(width));
    lblRefusal->show();
    setFixedHeight(lblRefusal->geometry().bottom() + twipsToPixelsY(180));
}

// Cancel, Escape and the window's close box.
void frmNumbering::reject()
{
    m_answer = Cancel;
    QDialog::reject();
}

qint32 frmNumbering::Answer(qint32 &Start, qint32 &Step, QString &Symbol, bool &blnEmptyRows)
{
    m_answer = Cancel;
    exec();
    if (m_answer != OK) {
        Start = 0;
        Step = 0;
        Symbol.clear();
        blnEmptyRows = false;
        return Cancel;
    }
    Start = m_start;
    Step = m_step;
    Symbol = m_symbol;
    blnEmptyRows = m_emptyRows;
    return OK;
}

bool AskNumbering(qint32 &start, qint32 &step, QString &symbol, bool &emptyRows,
                  NumberingCheck check)
{
    symbol.clear();
    frmNumbering dialog(QApplication::activeWindow());
    dialog.setCheck(std::move(check));
    return dialog.Answer(start, step, symbol, emptyRows) == frmNumbering::OK;
}

} // namespace kordavel
