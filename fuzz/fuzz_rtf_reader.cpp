// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the RTF reader. No input may crash it, hang it, leak or make it
// produce more text than the input could hold.
//
// It also checks that the reader and the writer agree: what we read, written back and read
// again, must give the same runs. KORDAVEL_FUZZ_ROUNDTRIP in the environment selects how
// strictly:
//   runs            the same runs, formats of paragraph marks included
//   text (default)  the same plain text and the same format for every character that is
//                   not a paragraph mark
//   off             the reader alone
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace kordavel;

namespace {

enum class RoundTrip { Runs, Text, Off };

RoundTrip roundTripMode()
{
    const char *mode = std::getenv("KORDAVEL_FUZZ_ROUNDTRIP");
    // The default compares text only: a paragraph mark's own format is not kept.
    if (!mode || std::strcmp(mode, "text") == 0)
        return RoundTrip::Text;
    if (std::strcmp(mode, "runs") == 0)
        return RoundTrip::Runs;
    return RoundTrip::Off;
}

QByteArray describe(const RichText &rt)
{
    QByteArray out;
    for (const TextRun &run : rt.runs) {
        out += '[';
        out += run.text.toUtf8().toPercentEncoding(" ");
        out += '|';
        out += run.format.fontName.toUtf8().toPercentEncoding(" ");
        out += ' ' + QByteArray::number(run.format.pointSize);
        out += run.format.bold ? " b" : "";
        out += run.format.italic ? " i" : "";
        out += run.format.underline ? " u" : "";
        out += run.format.strike ? " s" : "";
        out += run.format.color ? " c" + QByteArray::number(*run.format.color, 16) : " auto";
        out += "]\n";
    }
    return out;
}

// Each character of the text with the format of its run.
QList<std::pair<QChar, const CharFormat *>> characters(const RichText &rt)
{
    QList<std::pair<QChar, const CharFormat *>> out;
    for (const TextRun &run : rt.runs)
        for (QChar ch : run.text)
            out.append({ch, &run.format});
    return out;
}

bool sameExceptParagraphMarks(const RichText &a, const RichText &b)
{
    const auto ca = characters(a);
    const auto cb = characters(b);
    if (ca.size() != cb.size())
        return false;
    for (qsizetype i = 0; i < ca.size(); ++i) {
        if (ca[i].first != cb[i].first)
            return false;
        if (ca[i].first != QLatin1Char('\n') && !(*ca[i].second == *cb[i].second))
            return false;
    }
    return true;
}

[[noreturn]] void fail(const char *what, const RichText &first, const QByteArray &rtf,
                       const RichText &second)
{
    std::fprintf(stderr, "%s\n--- read:\n%s--- written:\n%s\n--- read again:\n%s", what,
                 describe(first).constData(), rtf.constData(), describe(second).constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const RoundTrip mode = roundTripMode();
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));

    (void)looksLikeRtf(input);
    const RichText first = readRtf(input);

    // Every character of text costs at least one byte of input.
    if (first.plainText().size() > input.size()) {
        std::fprintf(stderr, "%lld characters of text from %lld bytes\n",
                     static_cast<long long>(first.plainText().size()),
                     static_cast<long long>(input.size()));
        std::abort();
    }

    if (mode == RoundTrip::Off)
        return 0;
    const QByteArray rtf = writeRtf(first);
    const RichText second = readRtf(rtf);
    if (mode == RoundTrip::Runs && second.runs != first.runs)
        fail("round trip changed the runs", first, rtf, second);
    if (mode == RoundTrip::Text && !sameExceptParagraphMarks(first, second))
        fail("round trip changed the text or its format", first, rtf, second);
    return 0;
}
