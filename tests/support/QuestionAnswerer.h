// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Acts on the next modal dialog of a type as soon as it shows, from inside its own event
// loop, the way a user would; answers the modal question dialog so.
#include "program/frmQuestion.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace kordavel::test {

template <typename Dialog>
void onNextDialog(std::function<void(Dialog &)> act, bool *seen = nullptr)
{
    auto *timer = new QTimer;
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, [timer, act, seen] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        // A user acts on the window that has the focus; before it is active, focus
        // changes inside it are not reported and the dialog cannot guard them.
        if (!dialog || !dialog->isVisible() || QApplication::activeWindow() != dialog)
            return;
        timer->deleteLater();
        timer->stop();
        if (seen)
            *seen = true;
        act(*dialog);
        // A failed check must not leave the test waiting on an open dialog.
        if (QTest::currentTestFailed() && dialog->isVisible())
            static_cast<QDialog *>(dialog)->reject();
    });
    timer->start();
}

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

// The user clicks that button of the question: `click(&frmQuestion::cmdYes)`.
inline QuestionAct click(QPushButton *frmQuestion::*button)
{
    return [button](frmQuestion &d) { (d.*button)->click(); };
}

} // namespace kordavel::test
