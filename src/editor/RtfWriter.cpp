// SPDX-License-Identifier: GPL-3.0-or-later
#include "RtfWriter.h"

#include "common/CodePage.h"

#include <QHash>

#include <cmath>

namespace kordavel {

namespace {

class Writer {
public:
    explicit Writer(const RichText &text) : m_text(text) {}

    QByteArray run()
    {
        collectTables();
        qsizetype size = 0;
        for (const TextRun &run : m_text.runs)
            size += run.text.size();
        m_out.reserve(size * 11 / 10 + 256);
        writeHeader();
        writeBody();
        m_out += "\\par }\r\n";
        return m_out;
    }

private:
    const RichText &m_text;
    QByteArray m_out;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<std::uint32_t> m_colors;
    QHash<std::uint32_t, int> m_colorIndex;

    void collectTables()
    {
        addFont(defaultFontName());
        for (const TextRun &run : m_text.runs) {
            addFont(run.format.fontName);
            if (run.format.color && !m_colorIndex.contains(*run.format.color)) {
                m_colors.append(*run.format.color);
                m_colorIndex.insert(*run.format.color, int(m_colors.size()));
            }
        }
    }

    void addFont(const QString &name)
    {
        const QString key = fontKey(name);
        if (!m_fontIndex.contains(key)) {
            m_fontIndex.insert(key, int(m_fonts.size()));
            m_fonts.append(key);
        }
    }

    static QString fontKey(const QString &name)
    {
        return name.isEmpty() ? defaultFontName() : name;
    }

    void writeHeader()
    {
        m_out += "{\\rtf1\\ansi\\deff0{\\fonttbl";
        for (int i = 0; i < m_fonts.size(); ++i) {
            m_out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            QString name = m_fonts[i];
            name.remove(QLatin1Char(';'));
            // A font name is one line of plain characters.
            for (QChar &c : name)
                if (c.unicode() < 0x20)
                    c = QLatin1Char(' ');
            appendText(name);
            m_out += ";}";
        }
        m_out += "}\r\n{\\colortbl ;";
        for (std::uint32_t rgb : m_colors) {
            m_out += "\\red" + QByteArray::number((rgb >> 16) & 0xFF) + "\\green" +
                     QByteArray::number((rgb >> 8) & 0xFF) + "\\blue" +
                     QByteArray::number(rgb & 0xFF) + ';';
        }
        m_out += "}\r\n";
    }

    int fontOf(const CharFormat &f) const { return m_fontIndex.value(fontKey(f.fontName)); }
    static int halfPoints(const CharFormat &f)
    {
        const double hp = std::round(f.pointSize * 2.0);
        return hp < 1.0 ? 1 : hp > 3276.0 ? 3276 : int(hp);
    }
    int colorOf(const CharFormat &f) const { return f.color ? m_colorIndex.value(*f.color) : 0; }

    void word(const char *name, int value)
    {
        m_out += name;
        m_out += QByteArray::number(value);
    }

    // The control words that turn `from` into `to`; with no `from`, all of them.
    void writeFormat(const CharFormat *from, const CharFormat &to)
    {
        if (!from || fontOf(*from) != fontOf(to))
            word("\\f", fontOf(to));
        if (!from || halfPoints(*from) != halfPoints(to))
            word("\\fs", halfPoints(to));
        if (from ? colorOf(*from) != colorOf(to) : colorOf(to) != 0)
            word("\\cf", colorOf(to));
        if (from ? from->bold != to.bold : to.bold)
            m_out += to.bold ? "\\b" : "\\b0";
        if (from ? from->italic != to.italic : to.italic)
            m_out += to.italic ? "\\i" : "\\i0";
        if (from ? from->underline != to.underline : to.underline)
            m_out += to.underline ? "\\ul" : "\\ulnone";
        if (from ? from->strike != to.strike : to.strike)
            m_out += to.strike ? "\\strike" : "\\strike0";
    }

    static bool isPlain(char16_t c)
    {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
    }

    void appendText(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar ch = text[i];
            const char16_t c = ch.unicode();
            if (isPlain(c)) {
                // A run of printable ASCII goes out as it is, in one piece.
                qsizetype end = i + 1;
                while (end < text.size() && isPlain(text[end].unicode()))
                    ++end;
                const qsizetype at = m_out.size();
                m_out.resize(at + (end - i));
                char *out = m_out.data() + at;
                for (qsizetype k = i; k < end; ++k)
                    *out++ = char(text[k].unicode());
                i = end - 1;
            } else if (c == '\\' || c == '{' || c == '}') {
                m_out += '\\';
                m_out += char(c);
            } else if (c == '\t') {
                m_out += "\\tab ";
            } else {
                const int byte = c < 0x80 ? int(c) : encodeChar(ch);
                if (byte >= 0) {
                    static const char hex[] = "0123456789abcdef";
                    m_out += "\\'";
                    m_out += hex[(byte >> 4) & 0xF];
                    m_out += hex[byte & 0xF];
                } else {
                    word("\\u", c >= 0x8000 ? int(c) - 0x10000 : int(c));
                    m_out += '?';
                }
            }
        }
    }

    // One paragraph as its runs: pieces of the runs between two '\n'.
    struct Piece {
        QStringView text;
        const CharFormat *format;
    };

    void writeBody()
    {
        QList<Piece> paragraph;
        bool first = true;
        const CharFormat *state = nullptr;
        auto flush = [&] {
            if (first) {
                m_out += "\\pard";
                const CharFormat &start =
                    paragraph.isEmpty() ? firstFormat() : *paragraph[0].format;
                writeFormat(nullptr, start);
                state = &start;
            } else {
                m_out += "\\par";
            }
            bool delimited = false;
            for (const Piece &piece : paragraph) {
                if (piece.format != state && !(*piece.format == *state)) {
                    writeFormat(state, *piece.format);
                    delimited = false;
                    state = piece.format;
                }
                if (!delimited) {
                    m_out += ' ';
                    delimited = true;
                }
                appendText(piece.text);
            }
            m_out += "\r\n";
            paragraph.clear();
            first = false;
        };

        for (const TextRun &run : m_text.runs) {
            QStringView rest(run.text);
            while (true) {
                const qsizetype nl = rest.indexOf(QLatin1Char('\n'));
                const QStringView part = nl < 0 ? rest : rest.left(nl);
                if (!part.isEmpty())
                    paragraph.append(Piece{part, &run.format});
                if (nl < 0)
                    break;
                flush();
                rest = rest.mid(nl + 1);
            }
        }
        flush();
    }

    const CharFormat &firstFormat() const
    {
        static const CharFormat fallback = defaultCharFormat();
        for (const TextRun &run : m_text.runs)
            if (!run.text.isEmpty() && run.text[0] != QLatin1Char('\n'))
                return run.format;
        return m_text.runs.isEmpty() ? fallback : m_text.runs.first().format;
    }
};

} // namespace

QByteArray writeRtf(const RichText &text)
{
    return Writer(text).run();
}

} // namespace kordavel
