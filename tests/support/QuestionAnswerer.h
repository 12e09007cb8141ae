// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Answers the modal question dialog from inside its own event loop: as soon as the
// dialog shows, the scripted action runs on it.
#include "ModalScript.h"
#include "program/frmQuestion.h"

#include <QLabel>
#include <QPushButton>

namespace kordavel::test {

struct QuestionSeen {
    bool shown = false;
    QString text;
    bool cancelVisible = false;
    QString yes, no, cancel;
};

using QuestionAct = std::function<void(frmQuestion &)>;

// `act` runs once on the shown dialog; what it showed is written to `seen`.
inline void answerNextQuestion(QuestionAct act, QuestionSeen *seen = nullptr)
{
    onNextDialog<frmQuestion>([act, seen](frmQuestion &d) {
        if (seen)
            *seen = {true,
                     d.lblText->text(),
                     d.cmdCancel->isVisible(),
                     d.cmdYes->text(),
                     d.cmdNo->text(),
                     d.cmdCancel->text()};
        act(d);
    });
}

inline QuestionAct clickYes()
{
    return [](frmQuestion &d) { d.cmdYes->click(); };
}
inline QuestionAct clickNo()
{
    return [](frmQuestion &d) { d.cmdNo->click(); };
}
inline QuestionAct clickCancel()
{
    return [](frmQuestion &d) { d.cmdCancel->click(); };
}

} // namespace kordavel::test
