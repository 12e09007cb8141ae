// SPDX-License-Identifier: GPL-3.0-or-later
// Sends at the line's speed: the window keeps the line busy, never more than LinePace's
// window ahead of what the line has carried, from steps of a timer of its own that return
// to the event loop at once. Flow control holds it as it holds a paced send; the progress
// shows a few times a second; the closing CR LF, the drain and the stop are the paced
// send's.
#include "frmProgram.h"

#include "SendSource.h"
#include "TransferSteps.h"

#include "dnc/LineSettings.h"
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace kordavel {

namespace {

// While flow control holds the send, its state is looked at this often.
constexpr int kHeldWakeMs = 10;
// The strike-through and the status bar follow the send this often.
constexpr qint64 kShowEveryMs = 250;

} // namespace

void frmProgram::startFeed(std::unique_ptr<SendSource> source)
{
    m_source = std::move(source);
    m_lineSpeed = true;
    m_closingHanded = false;
    m_struckTo = lngSendStart;
    const qint64 now = transferClock();
    m_sendStarted = now;
    m_shownAt = now;
    m_pace.start(parseLineSettings(ucDnc1->MSComm1().Settings()).value_or(LineSettings{}), now);
    m_feed->start(0);
}

void frmProgram::feedStep()
{
    if (m_inTick || m_closing || !m_source || ucDnc1->Action() != actSend)
        return;
    m_inTick = true;
    QPointer<frmProgram> alive(this);
    const int wake = feed();
    if (!alive)
        return;
    m_inTick = false;
    if (wake >= 0 && m_source && ucDnc1->Action() == actSend)
        m_feed->start(wake);
}

int frmProgram::feed()
{
    QPointer<frmProgram> alive(this);
    const qint64 now = transferClock();
    int queued = 0;
    bool known = false;
    const bool counted = ucDnc1->Backlog(queued, known);
    if (!alive || ucDnc1->Action() != actSend)
        return -1;
    if (counted && !ucDnc1->Held()) {
        for (int room = m_pace.room(now, queued, known); room > 0 && !m_closingHanded;) {
            const bool closing = m_source->atEnd();
            if (closing && room < 2)
                break;
            const QString piece = closing ? QStringLiteral("\r\n") : m_source->take(room);
            const qint64 handed = ucDnc1->Hand(piece);
            if (!alive || ucDnc1->Action() != actSend)
                return -1;
            m_pace.handed(std::max<qint64>(handed, 0));
            room -= int(std::max<qint64>(handed, 0));
            m_closingHanded = closing;
        }
    }
    if (m_closingHanded) {
        showFeedProgress();
        // The last bytes leave before the port closes and its settings change.
        ucDnc1->Drain();
        if (!alive || ucDnc1->Action() != actSend)
            return -1;
        StopSending();
        return -1;
    }
    if (now - m_shownAt >= kShowEveryMs) {
        m_shownAt = now;
        showFeedProgress();
    }
    return ucDnc1->Held() ? kHeldWakeMs : m_pace.wakeMs(known);
}

void frmProgram::showFeedProgress()
{
    const qint64 at = lngSendStart + m_source->position();
    if (at > m_struckTo)
        strikeThrough(int(m_struckTo), int(at - m_struckTo));
    m_struckTo = at;
    lngPosition = qint32(at);
    showProgress(at, lngSendStart, qint64(lngSendStart) + lngSendLength);
}

} // namespace kordavel
