// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTime>

#include <functional>
#include <optional>

namespace kordavel {

// The progress figure of a transfer: Int(100 × position ÷ total), rounded down. A total
// of 0 (a selection of just the first character, an empty text) shows 100.
qint32 progressPercent(qint64 position, qint64 total);

// The scan of one piece: advances position (1-based index of the last character examined)
// until it reaches bound (bound hit: position >= bound, or position > bound with
// inclusiveBound) or stands on a line feed. text is the program's plain text, a line end
// counting as CR LF.
qint32 scanPiece(const QString &text, qint32 position, qint32 bound, bool inclusiveBound);

// The piece the scan gives: the characters from 0-based lineStart up to position, within
// the text.
QString pieceText(const QString &text, qint32 lineStart, qint32 position);

// A piece of a program kept in UTF-8 as the channel takes it: the channel sends a character
// as its Windows-1252 byte, so each UTF-8 byte of the piece becomes the character of that
// byte, and the machine gets the bytes of the file.
QString utf8Piece(QStringView piece);

// The clock of a transfer's timings, in milliseconds; tests put their own in (nullptr: the
// steady clock).
qint64 transferClock();
void setTransferClock(std::function<qint64()> clock);
// The time of day a hold of the machine is shown from; tests put their own clock in
// (nullptr: the system's).
QTime transferTimeOfDay();
void setTimeOfDayClock(std::function<QTime()> clock);

// The most a receive puts into a program window, the text it held before included: lines
// and characters. The editor's view lays a text out no further than about 1,600,000 lines;
// well below that, and within the memory of a shop PC, a receive stops. Tests put smaller
// limits in (nullopt: these).
struct ReceiveLimit {
    static constexpr qint64 kLines = 1000000;
    static constexpr qint64 kCharacters = 32000000;
    qint64 lines = kLines;
    qint64 characters = kCharacters;
};
ReceiveLimit receiveLimit();
void setReceiveLimit(std::optional<ReceiveLimit> limit);

// How many of the first characters of received text fit after a program of lines lines and
// length characters within the limit. A CR LF, an LF or a lone CR starts a line; a cut never
// leaves a CR whose LF was cut off.
qsizetype receivedFitting(QStringView text, qint64 lines, qint64 length, ReceiveLimit limit);

// The time left of a send at the rate so far (sent characters in elapsedMs), for the
// characters still to go: "mm:ss", or "h:mm:ss" from an hour on, whole seconds rounded up.
// Empty while there is no rate yet.
QString timeLeftText(qint64 sent, qint64 left, qint64 elapsedMs);

// Layout of a program window, in twips: width W and height H inside the window, panel
// width P, status bar height S.
struct ProgramLayout {
    bool remoteShown = false;
    double remoteLeft = 0, remoteWidth = 0;
    double textLeft = 0, textWidth = 0, paneHeight = 0;
    bool panesValid = false; // false: the step would give a negative size and is skipped
    double panel1 = 0, panel2 = 0, panel3 = 0;
    bool panel3Valid = false, panels12Valid = false;
};
ProgramLayout computeProgramLayout(double W, double H, double P, double S, bool remote);

} // namespace kordavel
