// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReceivedText.h"
#include "SendClock.h"

#include "common/MessageBox.h"
#include "common/RegularFile.h"
#include "dnc/CommTypes.h"

#include "dnc/LinePace.h"
#include "editor/RichText.h"
#include "i18n/Language.h"

#include <QPointer>
#include <QTime>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QScrollArea;
class QStatusBar;
class QTimer;

namespace kordavel {

class FileSendView;
class PaneHandle;
class ProgramText;
class ProgramView;
class RichTextBox;
class ProgramPanel;
class frmPreview;
class frmRestart;
class SendSource;
class ucDnc;

// One open CNC program: its text, its file (the caption is the document's identity),
// change tracking and the question before a changed program is closed.
class frmProgram : public QWidget, public LanguageAware {
    Q_OBJECT
public:
    explicit frmProgram(QWidget *parent = nullptr);
    ~frmProgram() override;

    // What the window waits for from its channel; the channel's Finished goes on from there.
    enum class Wait { None, Pause, Piece, Closing, Drain };

    // True for a window made by New: saving goes through Save As.
    bool bFlagNew = false;
    qint32 actAction = actIdle;

    // Save and Save As: true when the program was written, or, for a long one, when its save
    // is under way (isSaving); saveFinished ends such a save.
    bool SaveFile();
    bool SaveAsFile();
    bool isSaving() const;
    bool SetLanguage() override;
    // The window became the active child of the frame.
    void Activate();
    bool isModified() const { return bModified; }
    // The caption as the window's frame shows it: a "*" after it marks unsaved changes.
    QString shownCaption() const;
    // Program tools: ask for the choices, then rewrite the program's rich text, as one undo
    // step. Nothing changes when the dialog is cancelled. A long program is rewritten in
    // the background: the window shows the progress and its text is locked meanwhile.
    bool Clean();
    bool Numbering();
    // Opens the toolpath preview as a pane of the window, between the text and the panel;
    // it never covers the panel or the status bar.
    void Preview();
    frmPreview *preview() const;

    // The program's text as it is shown: the rich-text control rtfText, or, for a program
    // opened from a plain-text file, a program view in its place.
    ProgramText *editor() const { return m_text; }
    // Opens a program file: a plain-text one (any name but .dnc) in a program view, which
    // takes the rich-text control's place, unless it is UTF-8 with characters beyond ASCII;
    // programOpened tells how it went (at once, or later for a long rich-text program).
    void openProgram(const QString &path);
    // Why the last open failed.
    const FileCheck &openProblem() const { return m_openProblem; }
    RichTextBox *rtfText;
    RichTextBox *rtfRemote;
    QStatusBar *stbStatus;
    // The operation's status, the operation with its progress, the time left of a send, the
    // count of characters sent or received.
    QLabel *stbPanel[4];

    // Transfers (frmProgramTransfer.cpp). Send waits two seconds before it opens the port,
    // returning at once; a second start during that wait does nothing. StopSending is safe in
    // any state, and is the one end of every transfer. A stop of a send that the machine does
    // not hold lets the block on the line finish first (at most the rest of its line, with its
    // end of block), lets the line carry it (the drain, bounded) and then ends (Stopping
    // meanwhile; a second stop changes nothing); a hold of the machine meanwhile ends it at
    // once, throwing away what has not left. Closing the window, or quitting, waits for that
    // end.
    void Send();
    void Receive();
    // Sends a program file straight from disk, as Send sends the text, without loading it:
    // the file-transfer view stands in for the editor meanwhile (frmProgramFeed.cpp).
    void SendFile(const QString &path);
    // Restarts the program at the block of the caret: shows the blocks that bring the
    // machine to the program's state there, for the operator to check and edit; Send sends
    // them, then the program from that block on (frmProgramRestart.cpp).
    void SendFromCaret();
    bool SendingFile() const { return m_fileSend; }
    // A send or Send File waits out its pause.
    bool Starting() const { return m_wait == Wait::Pause; }
    // Remote mode: reachable from code only; no command of the frame starts it.
    void Remote();
    void StopSending();
    // A stop lets the block on the line finish.
    bool Stopping() const { return m_stopping; }
    // One step of the transfer, as the timer runs it every 400 ms.
    void tEvent_Timer();
    // Gives the window a machine's icon ("NONE": the main window's). False, and the icon
    // unchanged, when the machine's icon file cannot be loaded.
    bool SetMachineIcon(const QString &name);

    ProgramPanel *picControl;
    // Holds the panel, and scrolls it in a window lower than the panel.
    QScrollArea *panelArea;
    // Made by the first SendFile.
    FileSendView *fileView = nullptr;
    QTimer *tEvent;
    ucDnc *ucDnc1;

signals:
    // The pressed state of a toolbar button ("Send", "Receive", "Bold", "Italic",
    // "Underline") as this window sees it.
    void buttonState(const QString &key, bool pressed);
    // A send's pause has ended: the send runs, or the channel did not start.
    void startEnded();
    // A stop that let the block on the line finish has ended the transfer.
    void stopEnded();
    // A send from the editor position start has reached position; -1 once no send runs.
    void sendProgress(qint32 start, qint32 position);
    // The program was written to a file.
    void fileSaved(const QString &path);
    // A long program's save has ended (after fileSaved when it was written).
    void saveFinished(bool ok);
    // openProgram has ended; the program shows in editor().
    void programOpened(bool ok);
    // editor() is another control now.
    void editorChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void layoutWindow();
    // The program view takes the rich-text control's place, or gives it back.
    void useView(bool on);
    // The progress of a long open, save or rewrite (-1: over) in the status bar.
    void showWorkProgress(const QString &caption, int percent);
    void showFormatState();
    void showCaption();
    void filterKey(int &keyAscii);
    bool writeTo(const QString &path, bool asNewName);
    void saveEnded(bool ok);
    void RewriteLines(quint8 options, const QString &symbol, qint32 start, qint32 step,
                      bool numberEmpty);

    // Transfer steps and helpers (frmProgramTransfer.cpp).
    void sendStep();
    void receiveStep();
    void receiveMore();
    void remoteStep();
    void ucDnc1_Status(qint16 intStatus);
    void ucDnc1_ErrorStatus(qint16 intErrorStatus);
    // A message about the transfer, shown from the event loop once the step has ended.
    void showTransferMessage(const QString &text, MsgIcon icon = MsgIcon::Exclamation);
    void appendReceived(const QString &text);
    // The progress of a send or remote send: percentage, count and time left.
    void showProgress(qint64 position, qint64 from, qint64 bound);
    void takeLastReceived();
    void strikeThrough(int start, int length);
    void clearStrikeThrough();
    void enterState(qint32 state);
    // Ends a transfer because the window closes: the port closes, nothing is shown.
    void endTransferForClose();
    // The end of every transfer, at once: the channel closes, throwing away what has not
    // left, and the window is idle again.
    void endTransfer();
    // A stop of a send that may finish its block first starts doing so: true then (the end
    // follows by itself), false when the transfer is to end at once.
    bool stopAfterBlock();
    // What ends the block on the line goes, then the drain.
    void finishBlock();
    // A piece goes to the channel: whether it leaves a block open.
    void handing(const QString &piece);
    // The machine's hold as the channel sees it now: noted on the send's clock, shown in the
    // status bar; a stop that finishes its block ends at once.
    void noteHold();
    void showHold();
    // The part of every end that concerns the channel: what arrived last is taken, the port
    // closes (discarding what it still holds), the feed and the waits end.
    void closeChannel();

    void startPause();
    // Starts the send of the program from 0-based line `line` after the header's blocks.
    void startRestart(qsizetype line, const QStringList &header);
    bool isLathe(const QString &text) const;
    // The send starts from lngSendStart; a header, if any, goes first.
    void beginSend();
    void channelFinished();
    // After the pause: the channel goes into sending, or the window stays idle.
    void startAfterPause();
    void startSending(std::unique_ptr<SendSource> file);
    void sendFromView(const ProgramView &view);
    // A piece of the text, of a file or of a remote send has left.
    void pieceSent();
    void remotePieceSent();
    // The normal end of a send, at every pace: the closing CR LF goes (unless handed
    // already), the last bytes reach the line, then StopSending.
    void finishSend(bool closingHanded);

    // Sends at the line's speed (frmProgramFeed.cpp): the source's pieces go to the channel
    // from steps of their own timer, as far as the pace lets them.
    void startFeed(std::unique_ptr<SendSource> source);
    void feedStep();
    // One step: hands over what the pace allows; the milliseconds until the next one, or -1
    // when the send ended or waits for its drain.
    int feed();
    void showFeedProgress();
    // One line of a file sent at 0.4 s per line.
    void fileStep();
    void filePieceSent();
    void showFileView(const QString &path);
    // A file that cannot be read on (it changed, or a read failed): false, after a stop and
    // a message.
    bool sourceReadable();
    // The stop after the last bytes of a send or a file have left.
    void endSend();

    ProgramText *m_text = nullptr;
    ProgramView *m_view = nullptr;
    FileCheck m_openProblem;
    bool bModified = false;
    QString m_savePath;
    bool m_saveAsNewName = false;
    bool m_longSave = false;
    bool m_closeAfterSave = false; // the close question's Yes waits for a long save
    QProgressBar *m_fileProgress = nullptr;
    bool m_cleaning = false; // the rewrite under way is a Clean, else a Numbering
    QPointer<frmPreview> m_preview;
    PaneHandle *m_previewHandle = nullptr;
    double m_previewShare = 0.45; // of the text area's width
    qint32 lngPosition = 0;
    qint32 lngLineStart = 0;
    qint32 lngSendStart = 0;
    qint32 lngSendLength = 0;
    QString m_sendText;      // the program's text as the send or remote scan reads it
    bool m_sendUtf8 = false; // the program sent is kept in UTF-8: its bytes go as the file's
    // A restart's header: its blocks, how many of them have gone at 0.4 s a line, and
    // whether the piece on its way is one of them.
    QStringList m_restartHeader;
    qsizetype m_headerSent = 0;
    bool m_headerPiece = false;
    QPointer<frmRestart> m_restartDialog;
    Wait m_wait = Wait::None;
    std::unique_ptr<SendSource> m_startSource; // a Send File waiting out its pause
    QString m_startPath;
    qint32 m_pieceStart = 0; // the piece on its way: where it starts, its text (of a file)
    QString m_piece;
    bool m_closing = false;
    bool m_stopping = false;       // a stop lets the block on the line finish
    bool m_closeAfterStop = false; // the window closes once that stop has ended
    bool m_closeDecided = false;   // the close question was answered for that close
    bool m_handedAny = false;      // the send has handed the channel a character
    bool m_blockOpen = false;      // what was handed ends inside a block
    QTime m_heldSince;             // the time of day the machine's hold began
    bool m_receivePlain = false;   // the text has lost its formatting to the receive
    bool m_heldCR = false;         // a received CR whose LF may still come
    bool m_receiveCut = false;     // the receive reached its limit; the rest is not taken
    SendClock m_sendClock;         // from when the first piece of a send left, holds left out
    qint32 m_receiveEnd = 0;       // how this receive ends: by hand, closing %, quiet
    ReceivedText m_received;       // what of the line's text goes into the program
    ReceiveEnd m_receiveEnded = ReceiveEnd::ByHand; // how the receive under way ends
    bool m_receivedAny = false;
    qint64 m_lastByte = 0;                // transferClock() when the last bytes came
    std::unique_ptr<SendSource> m_source; // the text of a send at the line's speed
    bool m_lineSpeed = false;
    bool m_fileSend = false;
    QString m_sendPath; // the file Send File sends
    LinePace m_pace;
    QTimer *m_feed;
    QTimer *m_receiveMore;        // the next receive step, while more waits
    bool m_closingHanded = false; // the closing CR LF has gone to the channel
    qint64 m_shownAt = 0;         // transferClock() when the progress was last shown
    qint64 m_struckTo = 0;        // the end of the strike-through so far
};

// What Clean and Numbering make of the program's rich text: the line rewriter over its RTF
// (RewriteLines); nothing when that changes nothing. report: what became of the references.
std::optional<RichText> rewriteRichText(const RichText &text, quint8 options, const QString &symbol,
                                        qint32 start, qint32 step, bool numberEmpty,
                                        struct RewriteReport *report = nullptr);

} // namespace kordavel
