// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RewriteLines.h"

#include "editor/LineBuffer.h"

#include <memory>

namespace kordavel {

// Clean and Numbering over a plain program in a LineBuffer, a line at a time: the same rules
// as RewriteLines on rich text (options, symbol, start, step, numberEmpty and the report
// mean the same), and the same program text comes out. One line is one row; each line
// keeps its own end, and a dropped row goes with its end. Lines lose their trailing blanks.
// The empty last line after a final line end is no row; when every row before it goes, the
// last of them stays as an empty line, so the text ends with a line end exactly when it
// did. The bytes are Windows-1252; Unusable Symbols removes those that rich text holds
// escaped: the bytes from 0x80, DEL and the control characters but TAB. A symbol without a
// Windows-1252 byte stands as "?".
//
// The lines are read first (references between blocks, and whether any line changes), then
// rewritten in one pass, as one Undo step: over a LineBuffer, with rewriteBuffer; over a
// view that rewrites its buffer itself, with prepare() and lineRewrite().
class PlainRewrite {
public:
    PlainRewrite(quint8 options, const QString &symbol, qint32 start, qint32 step,
                 bool numberEmpty);
    ~PlainRewrite();
    PlainRewrite(const PlainRewrite &) = delete;
    PlainRewrite &operator=(const PlainRewrite &) = delete;

    // Reads the buffer's lines; false when the rewrite would change no byte (the report is
    // then whole). With `whole`, every line is read even after the first that changes, so
    // that the report is whole without a rewrite (Numbering counts its blocks so).
    bool prepare(const LineBuffer &buffer, bool whole = false);
    // After prepare() returned true: the rewrite of every line in order, once each, as
    // LineBuffer::rewriteLines gives them. It keeps a reference to this object.
    LineBuffer::LineRewrite lineRewrite();
    bool rewriteLine(qint64 line, QByteArrayView in, QByteArray &out);

    // What the rewrite did (after the last line), or would do (after prepare returned false,
    // or with `whole`).
    RewriteReport report() const;

private:
    struct Pass;
    enum class Follow { No, Read, Write };
    bool lineOut(Pass &pass, qint64 line, QByteArrayView in, QByteArray &out, Follow follow);
    std::unique_ptr<Pass> newPass() const;

    quint8 m_options;
    QString m_symbol;
    QByteArray m_sym;
    qint32 m_start;
    qint32 m_step;
    bool m_numberEmpty;
    bool m_unchanged = false; // numbers alone asked for, without a symbol
    qint64 m_lines = 0;
    qint64 m_finalEnd = -1; // the empty last line after a final line end
    struct References;
    std::unique_ptr<References> m_refs;
    std::unique_ptr<Pass> m_pass;
};

// Rewrites the buffer's lines as one Undo step; true when the text changed (no Undo step
// when it did not). The report, when given, is filled in.
bool rewriteBuffer(LineBuffer &buffer, quint8 options, const QString &symbol, qint32 start,
                   qint32 step, bool numberEmpty, RewriteReport *report = nullptr);

// What rewriteBuffer would report, the text left as it is.
RewriteReport rewriteBufferReport(const LineBuffer &buffer, quint8 options, const QString &symbol,
                                  qint32 start, qint32 step, bool numberEmpty);

// The symbol's first character as it stands in a plain program; empty for an empty symbol.
QByteArray plainSymbol(const QString &symbol);

} // namespace kordavel
