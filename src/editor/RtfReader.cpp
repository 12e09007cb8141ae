// SPDX-License-Identifier: GPL-3.0-or-later
#include "RtfReader.h"

#include "common/CodePage.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <string_view>

namespace kordavel {

bool looksLikeRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

namespace {

enum class Dest { Text, Skip, FontTable, ColorTable };

struct GroupState {
    Dest dest = Dest::Text;
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;   // \v: text that is not program text
    bool pairedUp = false; // inside \upr: only its \ud part is read
    int uc = 1;
};

struct FontInfo {
    QString name;
    int charset = 0;
};

// Destinations that hold no program text.
bool isSkippedDestination(std::string_view word)
{
    // clang-format off
    static constexpr std::array<std::string_view, 40> skipped = {
        "pict",      "info",          "stylesheet", "header",     "headerl",   "headerr",
        "headerf",   "footer",        "footerl",    "footerr",    "footerf",   "footnote",
        "object",    "objdata",       "fldinst",    "themedata",  "listtable", "listoverridetable",
        "rsidtbl",   "xmlnstbl",      "latentstyles", "datastore", "generator", "filetbl",
        "revtbl",    "pgdsctbl",      "nonshppict", "shp",        "shpinst",   "annotation",
        "atnid",     "atnauthor",     "comment",    "bkmkstart",  "bkmkend",   "template",
        "colorschememapping", "mmathPr", "userprops", "docvar"};
    // clang-format on
    return std::find(skipped.begin(), skipped.end(), word) != skipped.end();
}

class Reader {
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    RichText run()
    {
        parse();
        flush();
        dropFinalParagraphMark();
        return std::move(m_result);
    }

private:
    static constexpr int kMaxDepth = 512;

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    QList<GroupState> m_stack;
    GroupState m_state;
    int m_overflow = 0; // groups opened beyond kMaxDepth
    bool m_started = false;
    int m_skipChars = 0; // fallback characters still to skip after \uN
    char16_t m_highSurrogate = 0;
    int m_leadByte = -1; // the first byte of a two-byte character, waiting for the second

    QHash<int, FontInfo> m_fonts;
    int m_defaultFont = 0;
    CodePage m_ansiPage = CodePage::Windows1252;
    QList<std::optional<std::uint32_t>> m_colors;

    // Font table entry being read.
    int m_entryFont = 0;
    int m_entryCharset = 0;
    QString m_entryName;
    bool m_entryOpen = false;
    // Colour table entry being read.
    int m_red = -1, m_green = -1, m_blue = -1;

    QString m_pending;
    RichText m_result;

    void parse()
    {
        const qsizetype n = m_data.size();
        while (m_pos < n) {
            const char c = m_data[m_pos++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                if (!closeGroup())
                    return;
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            default:
                if (m_started && !plainRun())
                    textByte(static_cast<unsigned char>(c));
                break;
            }
        }
    }

    static bool isPlain(char c)
    {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
    }

    // Most of a program is printable ASCII text, the same in every code page: taken a run
    // at a time. The byte at m_pos - 1 starts the run; false when it cannot be taken so.
    bool plainRun()
    {
        if (m_state.dest != Dest::Text || m_state.hidden || m_skipChars > 0 || m_leadByte >= 0 ||
            !isPlain(m_data[m_pos - 1]))
            return false;
        const qsizetype start = m_pos - 1;
        while (m_pos < m_data.size() && isPlain(m_data[m_pos]))
            ++m_pos;
        m_highSurrogate = 0;
        m_pending += QLatin1StringView(m_data.data() + start, m_pos - start);
        return true;
    }

    void openGroup()
    {
        m_skipChars = 0;
        m_leadByte = -1;
        if (!m_started) {
            m_started = true;
            return; // the outermost group holds the document state itself
        }
        if (m_stack.size() >= kMaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.append(m_state);
    }

    // Returns false when the outermost group closes: the document ends there.
    bool closeGroup()
    {
        m_skipChars = 0;
        m_leadByte = -1;
        if (!m_started)
            return true;
        if (m_overflow > 0) {
            --m_overflow;
            return true;
        }
        if (m_stack.isEmpty())
            return false;
        if (m_state.dest == Dest::FontTable)
            commitFont();
        const GroupState outer = m_stack.takeLast();
        if (!sameFormat(outer, m_state))
            flush();
        m_state = outer;
        return true;
    }

    static bool sameFormat(const GroupState &a, const GroupState &b)
    {
        return a.font == b.font && a.halfPoints == b.halfPoints && a.color == b.color &&
               a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
               a.strike == b.strike;
    }

    void controlWord()
    {
        const qsizetype n = m_data.size();
        if (m_pos >= n)
            return;
        const char c = m_data[m_pos];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        char name[33];
        int len = 0;
        while (m_pos < n && std::isalpha(static_cast<unsigned char>(m_data[m_pos]))) {
            if (len < 32)
                name[len++] = m_data[m_pos];
            ++m_pos;
        }
        name[len] = 0;
        bool hasParam = false;
        bool negative = false;
        long long value = 0;
        if (m_pos < n && m_data[m_pos] == '-' && m_pos + 1 < n &&
            std::isdigit(static_cast<unsigned char>(m_data[m_pos + 1]))) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < n && std::isdigit(static_cast<unsigned char>(m_data[m_pos]))) {
            hasParam = true;
            if (value < 100000000000LL)
                value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos < n && m_data[m_pos] == ' ')
            ++m_pos;
        if (negative)
            value = -value;
        const int param = int(std::clamp<long long>(value, std::numeric_limits<int>::min() + 1,
                                                    std::numeric_limits<int>::max()));
        applyWord(std::string_view(name, std::size_t(len)), hasParam, param);
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            textByte(static_cast<unsigned char>(c)); // may end a two-byte character
            break;
        case '\'':
            hexByte();
            break;
        case '\r':
        case '\n':
            if (consumeSkip())
                break;
            textChar(QLatin1Char('\n'));
            break;
        case '~':
            textChar(QChar(0x00A0));
            break;
        case '_':
            textChar(QLatin1Char('-'));
            break;
        case '*':
            m_state.dest = Dest::Skip;
            break;
        default:
            consumeSkip();
            break;
        }
    }

    void hexByte()
    {
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_data.size()) {
            const char d = m_data[m_pos];
            int v = -1;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (d >= 'a' && d <= 'f')
                v = d - 'a' + 10;
            else if (d >= 'A' && d <= 'F')
                v = d - 'A' + 10;
            if (v < 0)
                break;
            value = value * 16 + v;
            ++digits;
            ++m_pos;
        }
        if (digits > 0)
            textByte(static_cast<unsigned char>(value));
    }

    // A control word or symbol counts as one fallback character after \uN.
    bool consumeSkip()
    {
        if (m_skipChars > 0) {
            --m_skipChars;
            return true;
        }
        return false;
    }

    void setFormat(auto member, auto value)
    {
        if (m_state.*member != value) {
            flush();
            m_state.*member = value;
        }
    }

    void applyWord(std::string_view w, bool hasParam, int param)
    {
        m_leadByte = -1;
        if (w == "u") {
            unicodeChar(param);
            return;
        }
        if (w == "bin") {
            const qsizetype skip = hasParam && param > 0 ? param : 0;
            m_pos += std::min(skip, m_data.size() - m_pos);
            consumeSkip();
            return;
        }
        if (consumeSkip())
            return;

        if (m_state.dest == Dest::FontTable) {
            if (w == "f") {
                commitFont();
                m_entryFont = param;
                m_entryOpen = true;
            } else if (w == "fcharset") {
                m_entryCharset = param;
            }
            return;
        }
        if (m_state.dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            if (w == "red")
                m_red = v;
            else if (w == "green")
                m_green = v;
            else if (w == "blue")
                m_blue = v;
            return;
        }
        if (w == "ud" && m_state.pairedUp) {
            m_state.dest = Dest::Text; // the Unicode text of an \upr pair
            return;
        }
        if (m_state.dest == Dest::Skip)
            return;

        if (w == "par" || w == "line" || w == "sect" || w == "page" || w == "row")
            textChar(QLatin1Char('\n'));
        else if (w == "tab" || w == "cell")
            textChar(QLatin1Char('\t'));
        else if (w == "b")
            setFormat(&GroupState::bold, !hasParam || param != 0);
        else if (w == "i")
            setFormat(&GroupState::italic, !hasParam || param != 0);
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" ||
                 w == "ulth" || w == "ulwave")
            setFormat(&GroupState::underline, !hasParam || param != 0);
        else if (w == "ulnone")
            setFormat(&GroupState::underline, false);
        else if (w == "strike" || w == "striked")
            setFormat(&GroupState::strike, !hasParam || param != 0);
        else if (w == "f")
            setFormat(&GroupState::font, std::max(param, 0));
        else if (w == "fs")
            setFormat(&GroupState::halfPoints, hasParam ? std::clamp(param, 2, 3276) : 24);
        else if (w == "cf")
            setFormat(&GroupState::color, std::max(param, 0));
        else if (w == "v")
            setFormat(&GroupState::hidden, !hasParam || param != 0);
        else if (w == "plain")
            plain();
        else if (w == "upr") {
            // Two versions of the same text: the 8-bit one first, then {\*\ud ...}.
            m_state.dest = Dest::Skip;
            m_state.pairedUp = true;
        } else if (w == "uc")
            m_state.uc = std::clamp(param, 0, 16);
        else if (w == "deff")
            m_defaultFont = param;
        else if (w == "ansicpg")
            m_ansiPage = codePageForAnsiCpg(param, m_ansiPage);
        else if (w == "fonttbl")
            m_state.dest = Dest::FontTable;
        else if (w == "colortbl") {
            m_state.dest = Dest::ColorTable;
            m_colors.clear();
        } else if (w == "emdash")
            textChar(QChar(0x2014));
        else if (w == "endash")
            textChar(QChar(0x2013));
        else if (w == "lquote")
            textChar(QChar(0x2018));
        else if (w == "rquote")
            textChar(QChar(0x2019));
        else if (w == "ldblquote")
            textChar(QChar(0x201C));
        else if (w == "rdblquote")
            textChar(QChar(0x201D));
        else if (w == "bullet")
            textChar(QChar(0x2022));
        else if (isSkippedDestination(w))
            m_state.dest = Dest::Skip;
    }

    void plain()
    {
        GroupState reset;
        reset.dest = m_state.dest;
        reset.pairedUp = m_state.pairedUp;
        reset.uc = m_state.uc;
        if (!sameFormat(reset, m_state))
            flush();
        m_state = reset;
    }

    void unicodeChar(int param)
    {
        int code = param < 0 ? param + 65536 : param;
        code = std::clamp(code, 0, 65535);
        m_skipChars = 0;
        // U+0000 is no text: a NUL byte is dropped the same way.
        if (code != 0)
            textChar(QChar(char16_t(code)));
        m_skipChars = m_state.uc;
    }

    CodePage currentPage() const
    {
        if (m_state.dest == Dest::FontTable)
            return m_entryCharset > 2 ? codePageForCharset(m_entryCharset) : m_ansiPage;
        const auto it = m_fonts.constFind(m_state.font < 0 ? m_defaultFont : m_state.font);
        if (it != m_fonts.constEnd() && it->charset > 2)
            return codePageForCharset(it->charset);
        return m_ansiPage;
    }

    void textByte(unsigned char byte)
    {
        if (byte == 0)
            return;
        if (consumeSkip())
            return;
        if (m_state.dest == Dest::ColorTable) {
            if (byte == ';')
                commitColor();
            return;
        }
        const CodePage page = currentPage();
        if (m_leadByte >= 0) {
            const QString pair = decodePair(static_cast<unsigned char>(m_leadByte), byte, page);
            m_leadByte = -1;
            for (QChar ch : pair)
                appendChar(ch);
        } else if (isLeadByte(byte, page)) {
            m_leadByte = byte;
        } else {
            appendChar(decodeByte(byte, page));
        }
    }

    void textChar(QChar ch)
    {
        m_leadByte = -1;
        if (consumeSkip())
            return;
        appendChar(ch);
    }

    void appendChar(QChar ch)
    {
        switch (m_state.dest) {
        case Dest::Text:
            if (m_state.hidden)
                break;
            // Surrogates only as a pair; a lone half is dropped.
            if (ch.isHighSurrogate()) {
                m_highSurrogate = ch.unicode();
            } else if (ch.isLowSurrogate()) {
                if (m_highSurrogate != 0) {
                    m_pending += QChar(m_highSurrogate);
                    m_pending += ch;
                }
                m_highSurrogate = 0;
            } else {
                m_highSurrogate = 0;
                m_pending += ch;
            }
            break;
        case Dest::FontTable:
            if (ch == QLatin1Char(';'))
                commitFont();
            else if (m_entryName.size() < 256)
                m_entryName += ch.unicode() < 0x20 ? QLatin1Char(' ') : ch; // one line of text
            m_entryOpen = true;
            break;
        case Dest::ColorTable:
        case Dest::Skip:
            break;
        }
    }

    void commitFont()
    {
        if (!m_entryOpen)
            return;
        const QString name = m_entryName.trimmed();
        if (!name.isEmpty() && !m_fonts.contains(m_entryFont))
            m_fonts.insert(m_entryFont, FontInfo{name, m_entryCharset});
        m_entryName.clear();
        m_entryCharset = 0;
        m_entryOpen = false;
    }

    void commitColor()
    {
        if (m_colors.size() < 4096) {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.append(std::nullopt);
            else
                m_colors.append((std::uint32_t(std::max(m_red, 0)) << 16) |
                                (std::uint32_t(std::max(m_green, 0)) << 8) |
                                std::uint32_t(std::max(m_blue, 0)));
        }
        m_red = m_green = m_blue = -1;
    }

    CharFormat resolved() const
    {
        CharFormat f;
        const auto it = m_fonts.constFind(m_state.font < 0 ? m_defaultFont : m_state.font);
        f.fontName = it != m_fonts.constEnd() ? it->name : defaultFontName();
        f.pointSize = m_state.halfPoints / 2.0;
        if (m_state.color > 0 && m_state.color < m_colors.size())
            f.color = m_colors[m_state.color];
        f.bold = m_state.bold;
        f.italic = m_state.italic;
        f.underline = m_state.underline;
        f.strike = m_state.strike;
        return f;
    }

    void flush()
    {
        if (m_pending.isEmpty())
            return;
        m_result.append(m_pending, resolved());
        m_pending.clear();
    }

    void dropFinalParagraphMark()
    {
        while (!m_result.runs.isEmpty() && m_result.runs.last().text.isEmpty())
            m_result.runs.removeLast();
        if (m_result.runs.isEmpty())
            return;
        QString &last = m_result.runs.last().text;
        if (last.endsWith(QLatin1Char('\n'))) {
            last.chop(1);
            if (last.isEmpty())
                m_result.runs.removeLast();
        }
    }
};

} // namespace

RichText readRtf(QByteArrayView data)
{
    return Reader(data).run();
}

} // namespace kordavel
