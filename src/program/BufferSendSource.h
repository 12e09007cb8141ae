// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SendSource.h"
#include "editor/LineBuffer.h"

namespace kordavel {

// The text of a program view sent as it stands, read from a copy of its buffer a piece at a
// time (the copy shares the stores: edits made meanwhile do not reach the send). Every line
// end goes as CR LF; positions and the total count characters with each line end as two,
// from the range's start, as a TextSendSource over the same text would.
class BufferSendSource : public SendSource {
public:
    // The range from..to in positions (to < 0: the end of the text).
    explicit BufferSendSource(LineBuffer buffer, qint64 from = 0, qint64 to = -1);
    QString take(qint64 max) override;
    bool atEnd() const override { return m_position >= m_total; }
    qint64 position() const override { return m_position; }
    qint64 total() const override { return m_total; }

private:
    struct Place {
        qint64 offset = 0;  // in the buffer
        bool inEnd = false; // the CR of the line end at offset has gone, its LF not yet
    };
    // Moves the place on by at most count positions, giving their characters to out when
    // there is one; returns how many it moved.
    qint64 walk(Place &place, qint64 count, QString *out) const;

    LineBuffer m_buffer;
    Place m_place;
    qint64 m_position = 0;
    qint64 m_total = 0;
};

} // namespace kordavel
