// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace kordavel {

// What a receive puts into the program of the text that comes from the line. Ending by hand
// or after a quiet line, all of it. Ending at the closing %, the program runs from the first
// % to the line end of the line that holds the second: the leader before it (tape feed, NULs,
// blanks, stray text) and whatever follows that line end are not the program. Each receive
// has its own: the count of % starts afresh.
class ReceivedText {
public:
    explicit ReceivedText(bool toClosingPercent = false) : m_toClosingPercent(toClosingPercent) {}

    // The part of the next text from the line that belongs to the program.
    QString take(QStringView received);
    // The line end after the closing % has come: the program is complete.
    bool closed() const { return m_closed; }
    // Characters that came from the line up to the end of the program, leader included.
    qint64 count() const { return m_count; }

private:
    bool m_toClosingPercent;
    int m_percents = 0;
    bool m_closed = false;
    qint64 m_count = 0;
};

// How a receive ended.
enum class ReceiveEnd { ByHand, ClosingPercent, Quiet, BrokenOff };

// The status line of an ended receive: how it ended and the characters it received.
QString receiveEndText(ReceiveEnd end, qint64 characters);

} // namespace kordavel
