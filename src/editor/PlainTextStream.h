// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kordavel {

// A plain program file read a block at a time, as decodePlainText reads it whole: one byte
// one character (Windows-1252), every line end (CR LF, LF or a lone CR) given as CR LF.
// Only the block being read is held.
class PlainTextStream {
public:
    bool open(const QString &path);
    // At most max characters more; empty at the end of the file or after a read error.
    QString read(qint64 max);
    bool atEnd() const;
    bool failed() const { return m_failed; }
    // The file's size and the bytes read from it so far.
    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }

private:
    bool fill();

    QFile m_file;
    QByteArray m_block;
    qsizetype m_at = 0;
    qint64 m_size = 0;
    qint64 m_position = 0;
    bool m_owedLf = false;  // a line end's LF still to give
    bool m_afterCr = false; // an LF next belongs to the CR before it
    bool m_failed = false;
};

} // namespace kordavel
