// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmQuestion.h"

#include "common/AppState.h"
#include "common/Twips.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace kordavel {

namespace {
frmQuestion *g_instance = nullptr;
} // namespace

frmQuestion &frmQuestion::instance()
{
    if (!g_instance)
        g_instance = new frmQuestion;
    return *g_instance;
}

void frmQuestion::releaseInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

frmQuestion::frmQuestion() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("frmQuestion"));
    setWindowTitle(QLatin1String(kProductName));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    lblText = new QLabel(this);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setWordWrap(true);
    lblText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cmdYes = new QPushButton(QStringLiteral("Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    placeInTwips(lblText, 240, 120, 4452, 612);
    placeInTwips(cmdYes, 240, 960, 1212, 372);
    placeInTwips(cmdNo, 1800, 960, 1212, 372);
    placeInTwips(cmdCancel, 3360, 960, 1212, 372);
    for (QPushButton *b : {cmdYes, cmdNo, cmdCancel})
        b->setAutoDefault(true);
    setTabOrder(cmdNo, cmdCancel);
    setTabOrder(cmdCancel, cmdYes);
    connect(cmdYes, &QPushButton::clicked, this, [this] { finish(Yes); });
    connect(cmdNo, &QPushButton::clicked, this, [this] { finish(No); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { finish(Cancel); });
}

qint32 frmQuestion::Answer(qint16 intRes, bool btnCancel, const QString &subject)
{
    m_offset = intRes;
    m_subject = subject;
    m_cancelOffered = btnCancel;
    setFixedSize(twipsToPixelsX(btnCancel ? 4980 : 3324), twipsToPixelsY(1428));
    cmdCancel->setVisible(btnCancel);
    exec();
    return m_answer;
}

void frmQuestion::finish(qint32 answer)
{
    m_answer = answer;
    done(answer == Yes ? QDialog::Accepted : QDialog::Rejected);
}

// Escape, or closing the window some other way, answers Cancel when Cancel is offered
// and No otherwise.
void frmQuestion::reject()
{
    finish(m_cancelOffered ? Cancel : No);
}

bool frmQuestion::event(QEvent *e)
{
    const bool result = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        cmdYes->setDefault(true);
        cmdYes->setFocus();
        SetLanguage();
    }
    return result;
}

bool frmQuestion::SetLanguage()
{
    m_question = GetString(m_question, m_offset);
    // A long name is shortened in the middle to the line: its start and its end tell it.
    const QString subject =
        lblText->fontMetrics().elidedText(m_subject, Qt::ElideMiddle, lblText->width());
    lblText->setText(subject.isEmpty() ? m_question : m_question + QLatin1Char('\n') + subject);
    cmdCancel->setText(GetString(cmdCancel->text(), 202));
    cmdYes->setText(GetString(cmdYes->text(), 203));
    cmdNo->setText(GetString(cmdNo->text(), 204));
    return true;
}

qint32 AskQuestion(qint16 intRes, bool btnCancel, const QString &subject)
{
    return frmQuestion::instance().Answer(intRes, btnCancel, subject);
}

} // namespace kordavel
