// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <array>

namespace kordavel {

// A Windows code page by its number. 1252 and 1251 are built in; the others that RTF files
// name (1250, 1253 to 1258, 874, and the two-byte 932, 936, 949, 950) are decoded through
// the C library's converter.
enum class CodePage : int { Windows1252 = 1252, Windows1251 = 1251 };

// The character of one byte; a byte that the code page leaves undefined, or that opens a
// two-byte character, keeps its code point.
QChar decodeByte(unsigned char byte, CodePage page = CodePage::Windows1252);
QString decodeBytes(QByteArrayView bytes, CodePage page = CodePage::Windows1252);
// True when the byte opens a two-byte character (932, 936, 949, 950).
bool isLeadByte(unsigned char byte, CodePage page);
// The character of a lead byte and the byte after it.
QString decodePair(unsigned char lead, unsigned char trail, CodePage page);
// The byte for a character in 1252 or 1251, or -1 when the code page has none.
int encodeChar(QChar ch, CodePage page = CodePage::Windows1252);
// Text as Windows-1252 bytes, one per character; a character without a byte becomes '?'.
// Plain ASCII, the usual program text, is narrowed in one go.
QByteArray encodeText(QStringView text);
// Each Windows-1252 byte with its letter as a capital (other bytes as they are).
const std::array<unsigned char, 256> &upperBytes();

// Code page of an RTF \fcharset number; a character set without one reads as 1252.
CodePage codePageForCharset(int charset);
// Code page of an RTF \ansicpg number; the fallback when it is none of the above or the
// C library does not know it.
CodePage codePageForAnsiCpg(int cpg, CodePage fallback);

} // namespace kordavel
