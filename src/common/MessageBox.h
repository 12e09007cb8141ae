// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kordavel {

enum class MsgIcon { Critical, Exclamation, Information };

// A modal message box with one OK button.
void MsgBox(const QString &text, MsgIcon icon, const QString &title, QWidget *owner = nullptr);
// The system beep.
void Beep();

// Tests see message boxes and beeps instead of the user.
using MsgBoxHook = std::function<void(const QString &text, MsgIcon icon, const QString &title)>;
void setMsgBoxHook(MsgBoxHook hook);
void setBeepHook(std::function<void()> hook);

} // namespace kordavel
