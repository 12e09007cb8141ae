// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <array>

namespace kordavel {

// A point of the toolpath in millimetres, in the program's coordinates.
struct ToolpathPoint {
    double x = 0;
    double y = 0;
    double z = 0;
    bool operator==(const ToolpathPoint &) const = default;
};

// One move of the tool, made by one block (its 0-based line). Its points are
// points[first] and points[first + 1] of the path: the start and end of a rapid or feed
// line or of an arc, the top (R level) and the bottom of a hole. An arc turns about its
// centre in its plane (17, 18, 19) by turn radians, counter-clockwise when positive seen
// from the plane's third axis; the third axis goes linearly from start to end (a helix).
struct ToolpathSegment {
    enum Kind : quint8 { Rapid, Feed, Arc, Hole };
    Kind kind = Rapid;
    quint8 plane = 17;
    qint32 line = 0;
    qint32 first = 0;
    qint32 count = 2;
    ToolpathPoint centre; // arcs only
    double turn = 0;      // arcs only
};

// A word of the program the interpreter does not understand, with its 0-based line.
struct ToolpathWord {
    qint32 line = 0;
    QString word;
    bool operator==(const ToolpathWord &) const = default;
};

struct Toolpath {
    QList<ToolpathPoint> points;
    QList<ToolpathSegment> segments; // in the order of their lines
    QList<ToolpathWord> unknown;
};

// The point of an arc after the part t (0 to 1) of its turn.
ToolpathPoint arcPoint(const Toolpath &path, const ToolpathSegment &arc, double t);
// The arc as pieces + 1 points from its start to its end, into out.
void arcPoints(const Toolpath &path, const ToolpathSegment &arc, int pieces, ToolpathPoint *out);
// The radius of an arc (the larger of start's and end's).
double arcRadius(const Toolpath &path, const ToolpathSegment &arc);

// Turns G-code program text into the moves it makes, block by block, with the modal state
// of a milling or turning controller: G00/G01/G02/G03, planes G17/G18/G19, G90/G91,
// G20/G21 (everything in mm), arcs with I/J/K or R (R below zero: the arc over 180
// degrees), drilling cycles (G73, G74, G76, G81 to G89) until G80, block numbers, comments
// and '%' rows. A block with a '/' in front is taken (the block-delete switch is off).
// Anything else (macros, subprograms, o-words, other G and M codes, axes it does not draw)
// is listed as not understood; a block whose move depends on such a word makes no move.
// In lathe mode X (and U) are diameters, U and W incremental X and Z, and holes go along Z.
class ToolpathInterpreter {
public:
    explicit ToolpathInterpreter(bool lathe = false);

    // Interprets the next line; lines are numbered from 0 in the order they come.
    void addLine(QStringView line);
    // Interprets lines from the given position of the text (rows end at LF, a CR before it
    // is dropped) until maxLines have been read or the text ends; returns the position to
    // go on from, text.size() at the end.
    qsizetype addLines(QStringView text, qsizetype from, qsizetype maxLines);
    const Toolpath &path() const { return m_path; }
    Toolpath takePath() { return std::move(m_path); }

    // The whole program at once.
    static Toolpath interpret(QStringView program, bool lathe = false);

private:
    struct Block;
    bool parse(QStringView line, Block &block);
    void run(Block &block);
    void move(Block &block, int motion);
    void arc(const Block &block, const ToolpathPoint &end, bool clockwise);
    void drill(Block &block);
    ToolpathPoint target(const Block &block) const;
    void unknown(QString word);
    void addSegment(ToolpathSegment::Kind kind, std::initializer_list<ToolpathPoint> points);

    Toolpath m_path;
    bool m_lathe;
    qint32 m_line = 0;
    ToolpathPoint m_at;
    int m_motion = 0; // 0 to 3; -1 after a motion code not understood
    int m_cycle = 0;  // 0: none, else the drilling cycle's G code
    int m_plane = 17; // 17, 18 or 19
    bool m_incremental = false;
    double m_unit = 1; // mm per program unit
    bool m_returnToR = false;
    double m_initialLevel = 0;
    double m_rLevel = 0;
    double m_depth = 0;
};

} // namespace kordavel
