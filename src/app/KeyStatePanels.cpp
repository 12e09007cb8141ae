// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyStatePanels.h"

#include "KeyboardLocks.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

namespace kordavel {

namespace {

QLabel *panel(QStatusBar *bar, const QString &text)
{
    auto *label = new QLabel(text, bar);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(label);
    return label;
}

} // namespace

KeyStatePanels::KeyStatePanels(QStatusBar *bar, std::function<bool()> insertMode)
    : QObject(bar), m_insertMode(std::move(insertMode))
{
    ins = panel(bar, QStringLiteral("INS"));
    num = panel(bar, QStringLiteral("NUM"));
    caps = panel(bar, QStringLiteral("CAPS"));
    scrl = panel(bar, QStringLiteral("SCRL"));
    date = panel(bar, QString());
    time = panel(bar, QString());
    m_timer = new QTimer(this);
    m_timer->setInterval(250);
    connect(m_timer, &QTimer::timeout, this, &KeyStatePanels::refresh);
    m_timer->start();
    refresh();
}

void KeyStatePanels::refresh()
{
    const std::optional<LockStates> locks = keyboardLocks();
    ins->setEnabled(m_insertMode());
    num->setEnabled(locks && locks->numLock);
    caps->setEnabled(locks && locks->capsLock);
    scrl->setEnabled(locks && locks->scrollLock);
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    date->setText(locale.toString(now.date(), QLocale::ShortFormat));
    time->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

} // namespace kordavel
