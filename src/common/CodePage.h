#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>

namespace kordavel {

// The 8-bit Windows code pages that program files come in.
enum class CodePage { Windows1252, Windows1251 };

QChar decodeByte(unsigned char byte, CodePage page = CodePage::Windows1252);
QString decodeBytes(QByteArrayView bytes, CodePage page = CodePage::Windows1252);
// The byte for a character, or -1 when the code page has none.
int encodeChar(QChar ch, CodePage page = CodePage::Windows1252);

// Code page of an RTF \fcharset number (204 is Cyrillic); everything else reads as 1252.
CodePage codePageForCharset(int charset);
CodePage codePageForAnsiCpg(int cpg, CodePage fallback);

} // namespace kordavel
