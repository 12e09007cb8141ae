// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace kordavel {

namespace {
MsgBoxHook g_msgBoxHook;
std::function<void()> g_beepHook;
} // namespace

void MsgBox(const QString &text, MsgIcon icon, const QString &title, QWidget *owner)
{
    if (g_msgBoxHook) {
        g_msgBoxHook(text, icon, title);
        return;
    }
    const QMessageBox::Icon qtIcon = icon == MsgIcon::Critical      ? QMessageBox::Critical
                                     : icon == MsgIcon::Exclamation ? QMessageBox::Warning
                                                                    : QMessageBox::Information;
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

void Beep()
{
    if (g_beepHook)
        g_beepHook();
    else
        QApplication::beep();
}

void setMsgBoxHook(MsgBoxHook hook)
{
    g_msgBoxHook = std::move(hook);
}

void setBeepHook(std::function<void()> hook)
{
    g_beepHook = std::move(hook);
}

} // namespace kordavel
