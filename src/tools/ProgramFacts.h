// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ToolpathInterpreter.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace kordavel {

// A tool the program takes, as its T word is written, with the comment on that line.
struct ToolUse {
    QString tool;
    qint32 line = 0; // 0-based
    QString comment;
    bool operator==(const ToolUse &) const = default;
};

// What a program does, read from its toolpath: lengths in mm, times in minutes.
struct ProgramFacts {
    double feedMinutes = 0;  // feed lines and arcs at their feed
    double rapidMinutes = 0; // rapids at the machine's rapid rate
    double dwellMinutes = 0; // G4
    double feedLength = 0;
    double rapidLength = 0;
    bool hasRange = false;
    ToolpathPoint min, max; // X as the program gives it: a diameter on a lathe
    QList<ToolUse> tools;   // in the order the program takes them, at most kMaxTools
    qsizetype blocks = 0;   // rows with a word
    qsizetype toolChanges = 0;
    qsizetype untimedMoves = 0; // feed moves with no feed to time them by
    bool inch = false;          // the program chose G20 before it chose G21

    double minutes() const { return feedMinutes + rapidMinutes + dwellMinutes; }
};

// Reads the facts of a program line by line beside a toolpath interpreter. Feeds are per
// minute (G94) or per revolution (G95; on a lathe G98 and G99), by the spindle speed S, or
// under constant surface speed (G96) by the diameter the move runs at, up to the G50 limit;
// a lathe starts per revolution, a mill per minute. F and S are in inches and feet under
// G20. A rapid or a feed move runs along its path (an arc along its length); where the
// path jumps (into and out of a drilling cycle's hole) the tool goes at the rapid rate. A
// dwell G4 lasts its X or U in seconds, or its P: in seconds when written with a point,
// else in milliseconds. Tool changes are the M06 blocks, or in a program without M06, the
// T words that take another tool. What follows M02 or M30 is not read.
class ProgramFactsReader {
public:
    static constexpr qsizetype kMaxTools = 1000;
    static constexpr double kDefaultRapidRate = 5000; // mm/min

    explicit ProgramFactsReader(bool lathe = false, double rapidRate = kDefaultRapidRate);

    void addLine(QStringView line);
    // As ToolpathInterpreter::addLines: lines from the position until maxLines are read or
    // the text ends; returns the position to go on from.
    qsizetype addLines(QStringView text, qsizetype from, qsizetype maxLines);
    // The facts so far.
    ProgramFacts facts() const;

    static ProgramFacts read(QStringView program, bool lathe = false,
                             double rapidRate = kDefaultRapidRate);

private:
    void readWords(QStringView line);
    void takeSegments();
    void feedMove(const ToolpathPoint &a, const ToolpathPoint &b, double length);
    void widen(const ToolpathPoint &p);
    double feedRate(const ToolpathPoint &a, const ToolpathPoint &b) const;

    ToolpathInterpreter m_interpreter;
    ProgramFacts m_facts;
    bool m_lathe;
    double m_rapidRate;
    qint32 m_line = 0;
    qsizetype m_taken = 0; // segments of the interpreter's path counted
    bool m_ended = false;
    ToolpathPoint m_at;
    double m_unit = 1; // mm per program unit
    bool m_unitSet = false;
    double m_feed = 0; // in program units
    bool m_perRev = false;
    bool m_surface = false; // G96
    double m_spindle = 0;
    double m_spindleLimit = 0; // G50 S, 0: none
    QString m_tool;
    qsizetype m_m6Blocks = 0;
    qsizetype m_toolWords = 0; // T words that take another tool
};

} // namespace kordavel
