// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A started main frame with its first program window, in folders of its own, with the
// common dialogs scripted. Closing it ends every transfer and discards every change.
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/LanguageGuard.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"
#include "tools/frmFindReplace.h"

#include <QAction>
#include <QtTest>

#include <functional>
#include <memory>

namespace kordavel::test {

struct FrameSession {
    LanguageGuard languageBack; // the frame may change it; put back after the frame is gone
    TestFolders folders;
    ScriptedDialogs dialogs;
    std::unique_ptr<frmMain> frame;

    // prepare runs in the session's folders before the frame is made.
    explicit FrameSession(const std::function<void()> &prepare = nullptr)
    {
        if (prepare)
            prepare();
        frame = std::make_unique<frmMain>();
        QVERIFY(frame->startUp());
    }
    ~FrameSession()
    {
        for (frmProgram *program : frame->programWindows()) {
            program->StopSending(); // ends a transfer and unlocks the text
            if (program->isModified())
                answerNextQuestion(click(&frmQuestion::cmdNo));
            program->parentWidget()->close();
        }
        CloseFindDialog();
        frame->close();
        frame.reset();
        frmQuestion::releaseInstance();
    }
    FrameSession(const FrameSession &) = delete;
    FrameSession &operator=(const FrameSession &) = delete;

    frmProgram *program() const { return frame->activeProgram(); }
    RichTextBox *editor() const { return frame->activeProgram()->rtfText; }
    // Chooses a menu entry by its name.
    void trigger(const char *entry) const { frame->menuEntry(QLatin1String(entry))->trigger(); }
};

} // namespace kordavel::test
