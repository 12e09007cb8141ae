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
    QList<ToolpathWord> unknown;     // the first of them, at most kMaxUnknown
    qsizetype unknownCount = 0;      // all of them
};

// The point of an arc after the part t (0 to 1) of its turn.
ToolpathPoint arcPoint(const Toolpath &path, const ToolpathSegment &arc, double t);
// The arc as pieces + 1 points from its start to its end, into out.
void arcPoints(const Toolpath &path, const ToolpathSegment &arc, int pieces, ToolpathPoint *out);
// The radius of an arc (the larger of start's and end's).
double arcRadius(const Toolpath &path, const ToolpathSegment &arc);
// How many pieces of at most step radians a turn takes, from 1 to most (1 for a turn or a
// step that is not a number).
int arcPieces(double turn, double step, int most);

// Turns G-code program text into the moves it makes, block by block, with the modal state
// of a milling or turning controller: G00/G01/G02/G03, planes G17/G18/G19, G90/G91,
// G20/G21 (everything in mm), arcs with I/J/K or R (R below zero: the arc over 180
// degrees), drilling cycles (G73, G74, G76, G81 to G89) until G80, block numbers, comments
// and '%' rows. A block with a '/' in front is taken (the block-delete switch is off).
// Arc centres are incremental (G91.1) unless G90.1 makes them absolute. M02 and M30 end the
// program: what follows is not read.
// Anything else (macros, subprograms, o-words, other G and M codes, axes it does not draw)
// is listed as not understood; a block whose move depends on such a word makes no move, and
// so does a block holding text that is not a word, a number beyond +-kMaxNumber or an arc
// that cannot be made. In lathe mode X (and U) are diameters, U and W incremental X and Z,
// and holes go along Z.
// With thousandths on, a length word written without a decimal point (X, Y, Z, U, W, I, J,
// K of an arc, R, Q) counts in the control's least increment: X100 is 0.1 mm, or under G20
// 0.01 inch (ten-thousandths of an inch); X100. and X100.0 stay 100.
// The path holds at most maxSegments moves: a block that would go beyond is listed and not
// drawn (of a block that repeats a cycle, its L or K word), and so is every later move.
class ToolpathInterpreter {
public:
    // Moves a path holds at most: some 100 bytes each here and as many again in the view.
    static constexpr qsizetype kMaxSegments = 2'000'000;
    static constexpr qsizetype kMaxUnknown = 10'000;
    static constexpr double kMaxNumber = 1e9;

    explicit ToolpathInterpreter(bool lathe = false, qsizetype maxSegments = kMaxSegments);

    // Whole numbers of lengths as thousandths, from the next line on.
    void setThousandths(bool on) { m_thousandths = on; }

    // Interprets the next line; lines are numbered from 0 in the order they come.
    void addLine(QStringView line);
    // Interprets lines from the given position of the text (rows end at LF, a CR before it
    // is dropped) until maxLines have been read or the text ends; returns the position to
    // go on from, text.size() at the end.
    qsizetype addLines(QStringView text, qsizetype from, qsizetype maxLines);
    const Toolpath &path() const { return m_path; }
    Toolpath takePath() { return std::move(m_path); }

    // The whole program at once.
    static Toolpath interpret(QStringView program, bool lathe = false, bool thousandths = false);

private:
    struct Block;
    bool parse(QStringView line, Block &block);
    void run(Block &block);
    void move(Block &block, int motion);
    void arc(const Block &block, const ToolpathPoint &end, bool clockwise);
    void drill(Block &block);
    ToolpathPoint target(const Block &block) const;
    void unknown(QStringView word);
    bool room(const Block &block, qsizetype segments);
    void addSegment(ToolpathSegment::Kind kind, std::initializer_list<ToolpathPoint> points);

    Toolpath m_path;
    bool m_lathe;
    bool m_thousandths = false;
    qsizetype m_maxSegments;
    qint32 m_line = 0;
    bool m_ended = false; // after M02 or M30
    bool m_full = false;  // a move found no room: later ones are not drawn
    ToolpathPoint m_at;
    int m_motion = 0; // 0 to 3; -1 after a motion code not understood
    int m_cycle = 0;  // 0: none, else the drilling cycle's G code
    int m_plane = 17; // 17, 18 or 19
    bool m_incremental = false;
    bool m_absoluteCentres = false; // G90.1
    double m_unit = 1;              // mm per program unit
    bool m_returnToR = false;
    double m_initialLevel = 0;
    // The cycle's R and depth words in mm, kept until a block gives new ones: in G91 the R
    // level is taken from the initial level and the depth from the R level.
    double m_rWord = 0;
    double m_depthWord = 0;
};

} // namespace kordavel
