// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace kordavel {

// What a program window shows in place of its editor while it sends a file: the file's
// name and the last lines sent.
class FileSendView : public QWidget {
    Q_OBJECT
public:
    explicit FileSendView(QWidget *parent = nullptr);

    void start(const QString &path);
    // Characters handed to the line; they show at the next flush.
    void sent(const QString &text);
    void flush();

    QLabel *lblFile;
    QPlainTextEdit *txtLines;

private:
    QString m_pending; // the tail of what was sent since the last flush
};

} // namespace kordavel
