#pragma once

// Answers the modal question dialog from inside its own event loop: as soon as the
// dialog shows, the scripted action runs on it.
#include "ModalScript.h"
#include "program/frmQuestion.h"

#include <QLabel>
#include <QPushButton>

#include <functional>

namespace kordavel::test {

struct QuestionSeen {
    bool shown = false;
    QString text;
    bool cancelVisible = false;
    int width = 0;
    QString yes, no, cancel;
};

// `act` runs once on the shown dialog; what it showed is written to `seen`.
inline void answerNextQuestion(std::function<void(frmQuestion &)> act, QuestionSeen *seen = nullptr)
{
    onNextDialog<frmQuestion>([act, seen](frmQuestion &dialog) {
        if (seen) {
            seen->shown = true;
            seen->text = dialog.lblText->text();
            seen->cancelVisible = dialog.cmdCancel->isVisible();
            seen->width = dialog.width();
            seen->yes = dialog.cmdYes->text();
            seen->no = dialog.cmdNo->text();
            seen->cancel = dialog.cmdCancel->text();
        }
        act(dialog);
    });
}

inline std::function<void(frmQuestion &)> clickYes()
{
    return [](frmQuestion &d) { d.cmdYes->click(); };
}
inline std::function<void(frmQuestion &)> clickNo()
{
    return [](frmQuestion &d) { d.cmdNo->click(); };
}
inline std::function<void(frmQuestion &)> clickCancel()
{
    return [](frmQuestion &d) { d.cmdCancel->click(); };
}

} // namespace kordavel::test
