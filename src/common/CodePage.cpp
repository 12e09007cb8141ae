// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodePage.h"

#include <QHash>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include <iconv.h>

namespace kordavel {

namespace {

// Bytes 0x80 to 0xFF. Bytes a code page leaves undefined map to the same code point,
// so that every byte survives a load and save unchanged.
// clang-format off
const char16_t kCp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const char16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

// Every other code page comes from the C library's converter, read once into a table: the
// character of each byte, and whether the byte opens a two-byte character.
struct IconvPage {
    iconv_t cd = iconv_t(-1);
    char16_t chars[128] = {};
    bool lead[128] = {};

    IconvPage() = default;
    IconvPage(const IconvPage &) = delete;
    IconvPage &operator=(const IconvPage &) = delete;
    ~IconvPage()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
};

// Converts the bytes to UTF-16; empty when the converter takes them as an incomplete or a
// broken sequence (errno tells which).
QString convert(iconv_t cd, const char *bytes, std::size_t size)
{
    char16_t buffer[4];
    char *in = const_cast<char *>(bytes);
    char *out = reinterpret_cast<char *>(buffer);
    std::size_t inLeft = size;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // A converter that waits for combining marks (1255, 1258) gives the character on the flush.
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == std::size_t(-1) || inLeft != 0 ||
        iconv(cd, nullptr, nullptr, &out, &outLeft) == std::size_t(-1))
        return {};
    return QString::fromUtf16(buffer, qsizetype((sizeof buffer - outLeft) / sizeof(char16_t)));
}

std::mutex g_pagesMutex;

// The table of a code page; none when the C library does not know it. Call with
// g_pagesMutex held.
const IconvPage *iconvPage(int number)
{
    static std::map<int, std::unique_ptr<IconvPage>> pages;
    auto it = pages.find(number);
    if (it != pages.end())
        return it->second.get();
    auto page = std::make_unique<IconvPage>();
    const QByteArray name = "CP" + QByteArray::number(number);
    page->cd = iconv_open("UTF-16LE", name.constData());
    if (page->cd == iconv_t(-1)) {
        pages.emplace(number, nullptr);
        return nullptr;
    }
    for (int i = 0; i < 128; ++i) {
        const char byte = char(0x80 + i);
        errno = 0;
        const QString text = convert(page->cd, &byte, 1);
        page->lead[i] = text.isEmpty() && errno == EINVAL;
        // Bytes the code page leaves undefined keep their code point, as in the tables above.
        page->chars[i] = text.size() == 1 ? text[0].unicode() : char16_t(0x80 + i);
    }
    return pages.emplace(number, std::move(page)).first->second.get();
}

const char16_t *tableFor(CodePage page)
{
    if (page == CodePage::Windows1251)
        return kCp1251;
    if (page != CodePage::Windows1252) {
        const std::lock_guard lock(g_pagesMutex);
        if (const IconvPage *table = iconvPage(int(page)))
            return table->chars;
    }
    return kCp1252;
}

} // namespace

QChar decodeByte(unsigned char byte, CodePage page)
{
    if (byte < 0x80)
        return QChar(byte);
    return QChar(tableFor(page)[byte - 0x80]);
}

QString decodeBytes(QByteArrayView bytes, CodePage page)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    const char16_t *table = tableFor(page);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *dst++ = byte < 0x80 ? QChar(byte) : QChar(table[byte - 0x80]);
    }
    return out;
}

int encodeChar(QChar ch, CodePage page)
{
    const char16_t code = ch.unicode();
    if (code < 0x80)
        return code;
    static const auto reverse = [] {
        std::array<QHash<char16_t, unsigned char>, 2> maps;
        for (int i = 0; i < 128; ++i) {
            maps[0].insert(kCp1252[i], static_cast<unsigned char>(0x80 + i));
            maps[1].insert(kCp1251[i], static_cast<unsigned char>(0x80 + i));
        }
        return maps;
    }();
    const auto &map = reverse[page == CodePage::Windows1251 ? 1 : 0];
    const auto it = map.constFind(code);
    return it == map.constEnd() ? -1 : it.value();
}

namespace {

// Index of the first character outside ASCII, or the size when there is none. Looks at
// eight characters at a time.
qsizetype firstNonAscii(const char16_t *chars, qsizetype size)
{
    constexpr quint64 kHighBits = 0xFF80FF80FF80FF80ULL;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 first = 0;
        quint64 second = 0;
        std::memcpy(&first, chars + i, sizeof first);
        std::memcpy(&second, chars + i + 4, sizeof second);
        if ((first | second) & kHighBits)
            break;
    }
    while (i < size && chars[i] < 0x80)
        ++i;
    return i;
}

} // namespace

QByteArray encodeText(QStringView text)
{
    QByteArray bytes = text.toLatin1();
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = firstNonAscii(in, size);
    if (i == size)
        return bytes;
    char *out = bytes.data();
    for (; i < size; ++i) {
        if (in[i] < 0x80)
            continue;
        const int code = encodeChar(QChar(in[i]));
        out[i] = code < 0 ? '?' : char(code);
    }
    return bytes;
}

bool isLeadByte(unsigned char byte, CodePage page)
{
    if (byte < 0x80 || page == CodePage::Windows1252 || page == CodePage::Windows1251)
        return false;
    const std::lock_guard lock(g_pagesMutex);
    const IconvPage *table = iconvPage(int(page));
    return table && table->lead[byte - 0x80];
}

QString decodePair(unsigned char lead, unsigned char trail, CodePage page)
{
    {
        const std::lock_guard lock(g_pagesMutex);
        if (const IconvPage *table = iconvPage(int(page))) {
            const char pair[2] = {char(lead), char(trail)};
            const QString text = convert(table->cd, pair, 2);
            if (!text.isEmpty())
                return text;
        }
    }
    return QString(decodeByte(lead, page)) + decodeByte(trail, page);
}

CodePage codePageForCharset(int charset)
{
    switch (charset) {
    case 128:
        return CodePage(932);
    case 129:
        return CodePage(949);
    case 134:
        return CodePage(936);
    case 136:
        return CodePage(950);
    case 161:
        return CodePage(1253);
    case 162:
        return CodePage(1254);
    case 163:
        return CodePage(1258);
    case 177:
        return CodePage(1255);
    case 178:
        return CodePage(1256);
    case 186:
        return CodePage(1257);
    case 204:
        return CodePage::Windows1251;
    case 222:
        return CodePage(874);
    case 238:
        return CodePage(1250);
    default:
        return CodePage::Windows1252;
    }
}

CodePage codePageForAnsiCpg(int cpg, CodePage fallback)
{
    const bool windows = cpg == 874 || cpg == 932 || cpg == 936 || cpg == 949 || cpg == 950 ||
                         (cpg >= 1250 && cpg <= 1258);
    if (!windows)
        return fallback;
    if (cpg == 1251 || cpg == 1252)
        return CodePage(cpg);
    const std::lock_guard lock(g_pagesMutex);
    return iconvPage(cpg) ? CodePage(cpg) : fallback;
}

const std::array<unsigned char, 256> &upperBytes()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> out{};
        for (int b = 0; b < 256; ++b) {
            const int upper = encodeChar(decodeByte(static_cast<unsigned char>(b)).toUpper());
            out[size_t(b)] = static_cast<unsigned char>(upper >= 0 ? upper : b);
        }
        return out;
    }();
    return table;
}

} // namespace kordavel
