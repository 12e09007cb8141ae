#pragma once

#include "i18n/Language.h"

#include <QWidget>

class QLabel;
class QStatusBar;

namespace kordavel {

class RichTextBox;

// Transfer states of a program window and of its channel.
enum TransferAction : qint32 { actIdle = 0, actSend = 1, actReceive = 2, actRemote = 3 };

// One open CNC program: its text, its file (the caption is the document's identity),
// change tracking and the question before a changed program is closed.
class frmProgram : public QWidget, public LanguageAware {
    Q_OBJECT
public:
    explicit frmProgram(QWidget *parent = nullptr);
    ~frmProgram() override;

    // True for a window made by New: saving goes through Save As.
    bool bFlagNew = false;
    qint32 actAction = actIdle;

    bool SaveFile();
    bool SaveAsFile();
    bool SetLanguage() override;
    // The window became the active child of the frame.
    void Activate();
    bool isModified() const { return bModified; }
    // Program tools: ask for the choices, then rewrite the program's rich text. Nothing
    // changes when the dialog is cancelled.
    bool Clean();
    bool Numbering();

    RichTextBox *rtfText;
    RichTextBox *rtfRemote;
    QStatusBar *stbStatus;
    QLabel *stbPanel[3];

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutWindow();
    void showFormatState();
    void filterKey(int &keyAscii);
    bool writeTo(const QString &path, bool asNewName);
    void RewriteLines(quint8 options, const QString &symbol, qint32 start, qint32 step,
                      bool numberEmpty);

    bool bModified = false;
};

// The file filter of program files, as the file dialogs show it.
inline constexpr const char *kProgramFileFilter =
    "Mashining Program (*.dnc)|*.dnc|All Files (*.*)|*.*";

} // namespace kordavel
