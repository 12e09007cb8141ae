// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Stand-ins for the common dialogs, message boxes and the beep: tests script the
// user's answers and read back what the program showed.
#include "common/CommonDialog.h"
#include "common/MessageBox.h"

#include <QPrinter>
#include <QStringList>

#include <optional>

namespace kordavel::test {

class ScriptedDialogs : public CommonDialog {
public:
    ScriptedDialogs()
    {
        CommonDialog::setInstance(this);
        setMsgBoxHook([this](const QString &text, MsgIcon icon, const QString &) {
            messages << text;
            lastIcon = icon;
        });
        setBeepHook([this] { ++beeps; });
    }
    ~ScriptedDialogs() override
    {
        CommonDialog::setInstance(nullptr);
        setMsgBoxHook(nullptr);
        setBeepHook(nullptr);
    }

    std::optional<QString> showOpen(QWidget *, const QString &title, const QString &filter,
                                    const FileDialogStart &start) override
    {
        lastStart = start;
        return next("open:" + title + '|' + filter, openAnswers);
    }
    std::optional<QString> showSave(QWidget *, const QString &title, const QString &filter,
                                    const FileDialogStart &start) override
    {
        lastStart = start;
        return next("save:" + title + '|' + filter, saveAnswers);
    }
    bool showPrint(QWidget *, QPrinter &printer, bool selection) override
    {
        calls << (selection ? QStringLiteral("print:selection") : QStringLiteral("print:all"));
        if (printTo.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printTo);
        return true;
    }
    bool showFont(QWidget *, FontChoice &choice) override
    {
        calls << QStringLiteral("font");
        fontShown = choice;
        if (!fontAnswer)
            return false;
        choice = *fontAnswer;
        return true;
    }

    // Each answer is used once; nothing left means the user cancels.
    QList<std::optional<QString>> openAnswers;
    QList<std::optional<QString>> saveAnswers;
    QString printTo;
    std::optional<FontChoice> fontAnswer;
    FontChoice fontShown; // what the font dialog showed last

    QStringList calls;
    QStringList messages;
    MsgIcon lastIcon = MsgIcon::Information;
    FileDialogStart lastStart; // where the last file dialog started
    int beeps = 0;

private:
    std::optional<QString> next(const QString &call, QList<std::optional<QString>> &answers)
    {
        calls << call;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

} // namespace kordavel::test
