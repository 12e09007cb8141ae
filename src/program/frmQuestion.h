// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace kordavel {

// The one question the program asks ("Save file?"): Yes, No and an optional Cancel.
class frmQuestion : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    enum AnswerCode { Yes = 0, No = 1, Cancel = 3 };

    // The single instance, loaded at its first use.
    static frmQuestion &instance();
    // Unloads the single instance (at shutdown).
    static void releaseInstance();

    // Shows the question at string offset intRes modally and returns 0, 1 or 3. subject,
    // when given, names what it asks about on a line of its own below.
    qint32 Answer(qint16 intRes, bool btnCancel, const QString &subject = {});
    bool SetLanguage() override;

    QLabel *lblText;
    QPushButton *cmdYes;
    QPushButton *cmdNo;
    QPushButton *cmdCancel;

protected:
    bool event(QEvent *event) override;
    void reject() override;

private:
    frmQuestion();
    void finish(qint32 answer);

    qint16 m_offset = 0;
    QString m_question;
    QString m_subject;
    qint32 m_answer = 0;
    bool m_cancelOffered = false;
};

// Asks the question through the single question dialog.
qint32 AskQuestion(qint16 intRes, bool btnCancel, const QString &subject = {});

} // namespace kordavel
