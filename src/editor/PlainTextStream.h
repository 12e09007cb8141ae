// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/RegularFile.h"

#include <QByteArray>
#include <QString>

namespace kordavel {

// A plain program file read a block at a time, as decodePlainText reads it whole: one byte
// one character (Windows-1252), every line end (CR LF, LF or a lone CR) given as CR LF.
// Only the block being read is held. What is read is what the file held when it was opened:
// its size then, no more. The file is watched on the way, before every block and once its
// last byte is read: reading stops for good (problem) when it has shrunk, was replaced or
// deleted, or cannot be read; grown tells that it became longer meanwhile.
class PlainTextStream {
public:
    // Only a regular file opens.
    FileCheck open(const QString &path);
    // At most max characters more; empty at the end of the file or after a problem.
    QString read(qint64 max);
    bool atEnd() const;
    bool failed() const { return !m_problem.ok(); }
    const FileCheck &problem() const { return m_problem; }
    bool grown() const { return m_grown; }
    // The file's size when opened and the bytes read from it so far.
    qint64 size() const { return m_file.size(); }
    qint64 position() const { return m_position; }

private:
    bool fill();
    // Looks at the file again: its problem, if any, stops the reading.
    void watch();

    RegularFile m_file;
    QByteArray m_block;
    qsizetype m_at = 0;
    qint64 m_read = 0;      // bytes taken from the file into blocks
    qint64 m_position = 0;  // bytes given out of the blocks
    bool m_owedLf = false;  // a line end's LF still to give
    bool m_afterCr = false; // an LF next belongs to the CR before it
    FileCheck m_problem;
    bool m_grown = false;
};

} // namespace kordavel
