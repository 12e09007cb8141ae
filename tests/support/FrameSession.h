#pragma once

// A started main frame with its first program window, in folders of its own, with the
// common dialogs scripted. Closing it discards every change.
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"
#include "tools/frmFindReplace.h"

#include <QAction>
#include <QtTest>

#include <memory>

namespace kordavel::test {

struct FrameSession {
    TestFolders folders;
    ScriptedDialogs dialogs;
    std::unique_ptr<frmMain> frame = std::make_unique<frmMain>();

    FrameSession() { QVERIFY(frame->startUp()); }
    ~FrameSession()
    {
        for (frmProgram *program : frame->programWindows()) {
            program->rtfText->setLocked(false);
            if (program->isModified())
                answerNextQuestion(clickNo());
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
