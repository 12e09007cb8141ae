// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"
#include "common/RegularFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

namespace kordavel {

// The text of a plain program of any length: the file's bytes, read once, and the bytes
// typed or pasted since, both kept as they are, with the document a list of pieces over
// them. Each store keeps the offsets of its line starts, so a line's place is found by two
// binary searches however long the program and however many edits it had. One byte is one
// character (Windows-1252); every line keeps the end it was read with (CR LF, LF or a lone
// CR), and a line break put in takes the file's own (its first one). The last line has no
// end: a text that ends with a line end has an empty last line.
//
// Offsets count bytes from the start of the text; a position is never put between the CR
// and the LF of a line end (such an offset is taken as the position before the CR).
class LineBuffer {
public:
    // A store holds at most this many bytes (offsets are kept in 32 bits).
    static constexpr qint64 kMaxBytes = 0xFFFFFFF0LL;

    enum FindFlag { MatchCase = 1, WholeWord = 2 };

    LineBuffer();

    // Reads the file (a regular one, below kMaxBytes); the text and its history are
    // replaced only when it could be read.
    FileCheck load(const QString &path);
    // The text becomes these bytes (false, nothing changed, beyond kMaxBytes); the history
    // is cleared.
    bool setBytes(QByteArray bytes);
    // Writes the text byte for byte; false when the device refused part of it.
    bool save(QIODevice &device) const;
    QByteArray toBytes() const;
    // The bytes as read or set, whatever the edits since.
    QByteArrayView loadedBytes() const { return m_stores[0].bytes; }

    qint64 size() const { return m_totalBytes.back(); }
    qint64 lineCount() const { return m_totalLines.back() + 1; }
    LineEnd lineEnd() const { return m_lineEnd; }

    qint64 lineStart(qint64 line) const;
    // The length of the line without its end.
    qint64 lineLength(qint64 line) const;
    // The bytes of the line end: 0 (last line), 1 or 2.
    int lineEndLength(qint64 line) const;
    qint64 lineAt(qint64 offset) const;
    QByteArray lineBytes(qint64 line) const;
    QString line(qint64 line) const;
    QByteArray bytes(qint64 from, qint64 length) const;
    // The text from..from+length decoded, every line end as '\n'.
    QString text(qint64 from, qint64 length) const;
    // The offset of a column of a line, both brought into range.
    qint64 offsetOf(qint64 line, qint64 column) const;

    // Positions count every line end as two characters (CR LF), as the rich-text control,
    // the program window and the transfers do; a LF or lone CR end is one byte. Both ways
    // take logarithmic time. A position on the second character of a one-byte end maps to
    // the offset of that end.
    qint64 positionOf(qint64 offset) const;
    qint64 offsetOfPosition(qint64 position) const;
    qint64 positionCount() const { return size() + m_totalOnes.back(); }

    // Edits. typing: an insertion right after the previous typed one joins its Undo step.
    // Each returns false when it changed nothing.
    bool insert(qint64 offset, QByteArrayView bytes, bool typing = false);
    bool remove(qint64 offset, qint64 length);
    bool replace(qint64 offset, qint64 length, QByteArrayView bytes);
    // Text as Windows-1252 bytes (a character without one becomes '?'), each of its line
    // breaks (CR LF, LF or CR) the file's own; returns the bytes put in.
    static QByteArray encode(QStringView text, LineEnd lineEnd);

    // Undo and Redo take back or make again a whole step; each returns the offset where the
    // caret goes, or -1 when there was nothing to do.
    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < qsizetype(m_steps.size()); }
    qint64 undo();
    qint64 redo();
    // The next edit starts a step of its own.
    void closeStep() { m_typingEnd = -1; }
    // Changed since loaded, set or marked saved.
    bool isModified() const { return m_done != m_savedAt; }
    void setSaved() { m_savedAt = m_done; }
    // A copy of the text without its history (a send or a save reads it on its own; the
    // history of a rewrite of millions of lines is not worth copying for that).
    LineBuffer textOnly() const;

    // The first match of needle (without line breaks) at or after from, or -1. Without
    // MatchCase letters match in either case (Windows-1252 letters included); WholeWord
    // wants no letter, digit or underscore on either side.
    qint64 find(QByteArrayView needle, qint64 from, int flags = 0) const;

    // Every line in order: its content without its end and its line number.
    void forEachLine(const std::function<void(qint64 line, QByteArrayView content)> &visit) const;
    // Gives each line's content to rewrite, which sets the new content (without a line end;
    // line breaks in it stay as given) and returns false to drop the line with its end. Each
    // line keeps its own end. One Undo step; false (and nothing changed) when the new text
    // would not fit.
    using LineRewrite = std::function<bool(qint64 line, QByteArrayView in, QByteArray &out)>;
    bool rewriteLines(const LineRewrite &rewrite);

private:
    struct Store {
        QByteArray bytes;
        std::vector<quint32> starts; // offsets of the bytes that follow a line end
        // How many of those ends are one byte long; and, only while the store holds ends
        // of both lengths, the count of one-byte ends before each start (one entry more).
        quint32 oneCount = 0;
        std::vector<quint32> ones;
    };
    struct Piece {
        quint8 store;
        quint32 start;
        quint32 length;
        quint32 firstBreak; // in the store's starts: the first line start in (start, end]
        quint32 breaks;
        quint32 ones; // of those breaks, the one-byte line ends
    };
    struct Record {
        qsizetype at;
        std::vector<Piece> before;
        std::vector<Piece> after;
    };
    struct Step {
        std::vector<Record> records;
        qint64 caretBefore;
        qint64 caretAfter;
    };

    static void indexBytes(Store &store, qsizetype from);
    static void addStart(Store &store, quint32 after, bool oneByte);
    // The one-byte ends among the store's starts [first, last).
    static quint32 onesIn(const Store &store, quint32 first, quint32 last);
    // The one-byte ends before the line.
    qint64 onesBefore(qint64 line) const;
    Piece makePiece(quint8 store, quint32 start, quint32 length) const;
    qsizetype pieceAt(qint64 offset) const;
    // The piece that holds the end of the line (0-based; not the last line).
    qsizetype pieceOfLineEnd(qint64 line) const;
    qint64 clampOffset(qint64 offset) const;
    int byteAt(qint64 offset) const; // -1 outside the text
    bool replaceRange(qint64 from, qint64 to, QByteArrayView bytes, bool typing);
    void walkLines(const std::function<bool(qint64 line, QByteArrayView content,
                                            QByteArrayView end)> &visit) const;
    // Appends to the added store; false when it would not fit.
    bool append(QByteArrayView bytes);
    void apply(qsizetype at, qsizetype count, const std::vector<Piece> &with);
    void recount(qsizetype from);
    void edit(qint64 offset, qint64 length, qint64 addedFrom, qint64 addedLength, bool typing);
    void pushStep(Step step);
    bool matchAt(qint64 offset, QByteArrayView needle, const unsigned char *fold) const;

    Store m_stores[2]; // the file's bytes, the bytes added since
    std::vector<Piece> m_pieces;
    std::vector<qint64> m_totalBytes; // before each piece, and in all at the back
    std::vector<qint64> m_totalLines; // line ends before each piece, and in all
    std::vector<qint64> m_totalOnes;  // one-byte line ends before each piece, and in all
    LineEnd m_lineEnd = LineEnd::CrLf;
    std::vector<Step> m_steps;
    qsizetype m_done = 0;
    qsizetype m_savedAt = 0;
    qint64 m_typingEnd = -1;
};

} // namespace kordavel
