// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/RegularFile.h"

#include <QString>

#include <memory>

namespace kordavel {

// The characters of a send at the line's speed or from a file, taken in pieces: a program's
// text with its line ends as CR LF.
class SendSource {
public:
    virtual ~SendSource() = default;
    // At most max characters more; empty at the end.
    virtual QString take(qint64 max) = 0;
    // The rest of the line (up to and with its LF), at most max characters.
    QString takeLine(qint64 max);
    virtual bool atEnd() const = 0;
    // How far the send has come, and where it ends, in the source's own units.
    virtual qint64 position() const = 0;
    virtual qint64 total() const = 0;
    // Why the source could not be read to its end (its file changed, or a read failed).
    virtual FileCheck problem() const { return {}; }
    bool failed() const { return !problem().ok(); }
    // The file became longer while it was read: only what it held at the start was taken.
    virtual bool grown() const { return false; }
};

// What a stop sends after a block that has gone in part, so that the machine holds whole
// blocks only: the rest of its line from the source, at most longest characters, and a CR LF
// where that does not end with a line feed (the source ended, or the line is longer).
QString restOfBlock(SendSource *source, qint64 longest);

// A text held whole.
class TextSendSource : public SendSource {
public:
    explicit TextSendSource(QString text) : m_text(std::move(text)) {}
    QString take(qint64 max) override;
    bool atEnd() const override { return m_at >= m_text.size(); }
    qint64 position() const override { return m_at; }
    qint64 total() const override { return m_text.size(); }

private:
    QString m_text;
    qsizetype m_at = 0;
};

// The blocks of a header first, then another source's characters. Its position and total
// are the other source's: the header counts as nothing of the program sent yet.
class HeaderedSendSource : public SendSource {
public:
    HeaderedSendSource(QString header, std::unique_ptr<SendSource> rest)
        : m_header(std::move(header)), m_rest(std::move(rest))
    {}
    QString take(qint64 max) override;
    bool atEnd() const override { return m_at >= m_header.size() && m_rest->atEnd(); }
    qint64 position() const override { return m_rest->position(); }
    qint64 total() const override { return m_rest->total(); }
    FileCheck problem() const override { return m_rest->problem(); }
    bool grown() const override { return m_rest->grown(); }

private:
    QString m_header;
    qsizetype m_at = 0;
    std::unique_ptr<SendSource> m_rest;
};

} // namespace kordavel
