// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the program editor and the program-file formats on a large generated program.
//
//   QT_QPA_PLATFORM=offscreen bench_editor [lines] [runs]
//   QT_QPA_PLATFORM=offscreen bench_editor --large CASE [lines] [ms] [view]
//
// lines: length of the generated program (100000); runs: repetitions per figure (5).
// Every figure is the median of the runs, in milliseconds. A third argument "view" times
// only the loads and page scrolls with and without G-code colours and line numbers.
// --large runs one case in a process of its own, on 2,000,000 lines unless told, following
// the layout after an open for ms (120000) at most: "floor" (QTextEdit::setPlainText),
// "open-nc", "save-nc", "open-dnc", "save-dnc", "open-line" (one line of a million
// characters) and "floor-line". It prints the time, the peak memory (VmHWM) and the longest
// gap of a 10 ms timer meanwhile; a last argument "view" turns G-code colours and line
// numbers on.

#include "editor/DocumentRichText.h"
#include "editor/PlainTextFile.h"
#include "editor/ProgramFile.h"
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kordavel;

namespace {

// A generated program: its bytes as a plain-text file (CR LF), and where each line starts.
// With CR LF line ends a byte offset is also an editor position.
struct Program {
    QByteArray bytes;
    std::vector<int> lineStarts;
    int lineCount() const { return int(lineStarts.size()); }
    int lineLength(int line) const
    {
        const int next = line + 1 < lineCount() ? lineStarts[size_t(line) + 1] : int(bytes.size());
        return next - lineStarts[size_t(line)] - 2;
    }
};

Program generateProgram(int lineCount)
{
    std::mt19937 rng(20240611u);
    auto coord = [&](double lo, double hi) {
        return QByteArray::number(std::uniform_real_distribution<double>(lo, hi)(rng), 'f', 3);
    };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

    Program program;
    program.bytes.reserve(qsizetype(lineCount) * 28);
    program.lineStarts.reserve(size_t(lineCount));
    int sequence = 0;
    auto number = [&] {
        return "N" + QByteArray::number(sequence += 10).rightJustified(5, '0') + ' ';
    };
    auto addLine = [&](const QByteArray &line) {
        program.lineStarts.push_back(int(program.bytes.size()));
        program.bytes += line;
        program.bytes += "\r\n";
    };

    addLine("%");
    addLine("O1001 (KORDAVEL BENCHMARK PART)");
    addLine("(T1 D=10.000 CR=0. - ZMIN=-5. - FLAT END MILL)");
    addLine(number() + "G90 G94 G17 G21");
    addLine(number() + "T1 M06");
    addLine(number() + "S8000 M03");
    int pass = 0;
    while (program.lineCount() < lineCount - 3) {
        const int r = pick(100);
        if (r < 24) {
            addLine(number() + 'X' + coord(-250, 250) + " Y" + coord(-150, 150));
        } else if (r < 40) {
            addLine(number() + (pick(2) ? 'X' + coord(-250, 250) : 'Y' + coord(-150, 150)));
        } else if (r < 50) {
            addLine(number() + 'Z' + coord(-5, 0));
        } else if (r < 58) {
            addLine(number() + "G01 X" + coord(-250, 250) + " Y" + coord(-150, 150) + " Z" +
                    coord(-5, 5) + " F" + QByteArray::number(100 * (1 + pick(30))));
        } else if (r < 68) {
            addLine(number() + (pick(2) ? "G02" : "G03") + " X" + coord(-250, 250) + " Y" +
                    coord(-150, 150) + " I" + coord(-20, 20) + " J" + coord(-20, 20));
        } else if (r < 76) {
            addLine(number() + (pick(2) ? "G00 Z" + coord(2, 25)
                                        : "G00 X" + coord(-250, 250) + " Y" + coord(-150, 150)));
        } else if (r < 89) {
            addLine("(PASS " + QByteArray::number(++pass) + " - ROUGHING CONTOUR)");
        } else if (r < 95) {
            static const char *const codes[] = {"M08",       "M09", "M05",
                                                "S1200 M03", "M01", "G04 P500"};
            addLine(number() + codes[pick(6)]);
        } else if (r < 98) {
            addLine(number() + 'T' + QByteArray::number(1 + pick(12)) + " M06");
        } else {
            addLine(QByteArray());
        }
    }
    addLine(number() + "M05");
    addLine(number() + "M30");
    addLine("%");
    return program;
}

// The editor position and length of the word to format on a line: the second word when
// there is one, else the first; length 0 for an empty line.
std::pair<int, int> wordOnLine(const Program &program, int line)
{
    const int start = program.lineStarts[size_t(line)];
    const int length = program.lineLength(line);
    const QByteArrayView text(program.bytes.constData() + start, length);
    qsizetype from = text.indexOf(' ');
    from = from < 0 ? 0 : from + 1;
    qsizetype to = text.indexOf(' ', from);
    if (to < 0)
        to = length;
    return {start + int(from), int(to - from)};
}

struct Stat {
    double median = 0;
    double min = 0;
    double max = 0;
};

// Runs `timed` `runs` times, with `before` and `after` around each run outside the timing.
Stat measure(int runs, const std::function<void()> &before, const std::function<void()> &timed,
             const std::function<void()> &after = {})
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        timed();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (after)
            after();
    }
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return {median, ms.front(), ms.back()};
}

struct Row {
    std::string name;
    Stat stat;
    std::string note;
    bool isLoad = false;
};

// Lets the editor finish what a step left, and drops replaced documents: processEvents
// leaves deferred deletions to the event loop, which this program never enters.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Makes the document lay out to its end, as scrolling to the last line would.
void finishLayout(QTextDocument *document)
{
    document->documentLayout()->blockBoundingRect(document->lastBlock());
}

QByteArray readFile(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

long peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // A /proc file reports no size, so read it whole rather than testing for its end.
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void fail(const char *what)
{
    std::fprintf(stderr, "bench_editor: %s\n", what);
    std::exit(1);
}

// Saves as the window does: a long program is saved in the background, and the save is
// over when fileSaved says so.
bool saveAndWait(RichTextBox &editor, const QString &path, bool as = false)
{
    if (!(as ? editor.saveFileAs(path) : editor.saveFile(path)))
        return false;
    if (!editor.isSaving())
        return true;
    bool saved = false;
    QEventLoop loop;
    QObject::connect(&editor, &RichTextBox::fileSaved, &loop, [&](bool ok) {
        saved = ok;
        loop.quit();
    });
    loop.exec();
    return saved;
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
}

// Loads with G-code colours and line numbers off and on, in turns so that both see the
// same machine, then pages down through the program and times each page: the scroll and
// the paint of the text and of the line numbers.
void viewRows(RichTextBox &editor, const QString &path, int runs)
{
    const auto view = [&](bool on) {
        editor.clear();
        editor.setHighlighting(on);
        editor.setLineNumbers(on);
        settle();
    };
    std::vector<double> load[2];
    for (int i = 0; i < runs; ++i) {
        for (const bool on : {false, true}) {
            view(on);
            QElapsedTimer timer;
            timer.start();
            if (!editor.loadFile(path))
                fail("load failed");
            QCoreApplication::processEvents(); // the first paint, with its colours
            load[on].push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::printf("\nG-code colours and line numbers (median of %d runs, ms):\n", runs);
    std::printf("  load, off %10.1f   on %10.1f   on/off %6.3f\n", median(load[0]), median(load[1]),
                median(load[1]) / median(load[0]));
    // Two editors side by side, one without and one with, page down in turns.
    RichTextBox other;
    RichTextBox *editors[2] = {&editor, &other};
    other.resize(editor.size());
    other.show();
    view(false);
    other.setHighlighting(true);
    other.setLineNumbers(true);
    std::vector<double> pages[2];
    for (RichTextBox *each : editors) {
        if (!each->loadFile(path))
            fail("load failed");
        finishLayout(each->document());
        settle();
    }
    for (int i = 0; i < 300; ++i) {
        for (const bool on : {false, true}) {
            QScrollBar *bar = editors[on]->verticalScrollBar();
            QElapsedTimer timer;
            timer.start();
            bar->setValue(bar->value() + bar->pageStep());
            // The colours of the lines that came into view, then the text and the line
            // numbers, now.
            QCoreApplication::sendPostedEvents(editors[on], QEvent::MetaCall);
            editors[on]->repaint();
            pages[on].push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    for (const bool on : {false, true}) {
        std::sort(pages[on].begin(), pages[on].end());
        std::printf("  page down (%zu pages), %-3s median %6.2f  90%% %6.2f  (goal: under 16)\n",
                    pages[on].size(), on ? "on" : "off", median(pages[on]),
                    pages[on][pages[on].size() * 9 / 10]);
    }
}

} // namespace

// The longest gap between the ticks of a 10 ms timer: how long the event loop was held up.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_clock.restart()); });
        m_clock.start();
        m_timer.start();
    }
    qint64 longest() const { return std::max(m_longest, m_clock.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

bool layoutPaced(const RichTextBox &editor)
{
    return editor.document()->findChild<QObject *>(QStringLiteral("layoutPacer")) != nullptr;
}

int runLarge(const QString &kind, int lineCount, qint64 followMs, bool view)
{
    QTemporaryDir dir;
    Program program = generateProgram(kind.endsWith(QLatin1String("line")) ? 10 : lineCount);
    if (kind.endsWith(QLatin1String("line"))) {
        // One line of a million characters.
        program.bytes.clear();
        while (program.bytes.size() < 1000000)
            program.bytes += "X12.345 Y-6.789 ";
        program.bytes.truncate(1000000);
        lineCount = 1;
    }
    const QString nc = dir.filePath(QStringLiteral("program.nc"));
    const QString dnc = dir.filePath(QStringLiteral("program.dnc"));
    writeFileAtomically(nc, program.bytes);
    const bool rtf = kind.endsWith(QLatin1String("dnc"));
    if (rtf)
        writeFileAtomically(dnc, encodeProgramFile(decodeProgramFile(program.bytes).content,
                                                   FileFormat::Rtf, LineEnd::CrLf));
    const QString path = rtf ? dnc : nc;
    RichTextBox editor;
    editor.setHighlighting(view);
    editor.setLineNumbers(view);
    editor.resize(1000, 700);
    editor.show();
    settle();
    QElapsedTimer clock;
    qint64 ms = 0;
    qint64 laidOut = -1;
    qint64 stall = 0;
    if (kind.startsWith(QLatin1String("floor"))) {
        const QString text = decodePlainText(program.bytes).text;
        QTextEdit plain;
        plain.setLineWrapMode(QTextEdit::NoWrap);
        plain.document()->setDefaultFont(editor.document()->defaultFont());
        plain.resize(1000, 700);
        plain.show();
        settle();
        StallMeter meter;
        clock.start();
        plain.setPlainText(text);
        QCoreApplication::processEvents();
        ms = clock.elapsed();
        stall = meter.longest();
    } else if (kind.startsWith(QLatin1String("open"))) {
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&editor, &RichTextBox::fileOpened, &loop, [&](bool opened) {
            ok = opened;
            loop.quit();
        });
        StallMeter meter;
        clock.start();
        editor.openFile(path);
        if (editor.isOpening())
            loop.exec();
        ms = clock.elapsed();
        if (!ok)
            fail("open failed");
        stall = meter.longest();
        std::printf("%-9s opened in %lld ms, longest stall %lld ms, peak %.1f MB\n",
                    qPrintable(kind), ms, stall, double(peakRssKiB()) / 1024.0);
        std::fflush(stdout);
        // The rest of the layout runs on; followed for at most two minutes.
        while (layoutPaced(editor) && clock.elapsed() < ms + followMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        laidOut = layoutPaced(editor) ? -1 : clock.elapsed();
        stall = meter.longest();
        if (editor.text().size() != program.bytes.size())
            std::printf("WARNING: the opened text differs in length from the file\n");
    } else {
        if (!editor.loadFile(path))
            fail("load failed");
        clock.start();
        while (layoutPaced(editor) && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (layoutPaced(editor))
            std::printf("(saved before the layout reached the end)\n");
        settle();
        const QString out = dir.filePath(QStringLiteral("out"));
        StallMeter meter;
        clock.start();
        if (!saveAndWait(editor, out))
            fail("save failed");
        ms = clock.elapsed();
        stall = meter.longest();
        if (readFile(out) != readFile(path))
            std::printf("WARNING: the saved file differs from the one opened\n");
    }
    std::printf("%-9s %d lines %6.1f MB: %8lld ms, longest stall %6lld ms (layout included), "
                "laid out at %8lld ms, "
                "peak %7.1f MB\n",
                qPrintable(kind), lineCount, double(QFileInfo(path).size()) / 1e6, ms, stall,
                laidOut, double(peakRssKiB()) / 1024.0);
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == QLatin1String("--large"))
        return runLarge(args[2], args.size() > 3 ? args[3].toInt() : 2000000,
                        args.size() > 4 ? args[4].toLongLong() : 120000,
                        args.size() > 5 && args[5] == QLatin1String("view"));
    const int lineCount = args.size() > 1 ? std::max(10, args[1].toInt()) : 100000;
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    const QString ncPath = dir.filePath(QStringLiteral("program.nc"));
    const QString dncPath = dir.filePath(QStringLiteral("program.dnc"));
    const QString formattedPath = dir.filePath(QStringLiteral("formatted.dnc"));
    const QString outNc = dir.filePath(QStringLiteral("out.nc"));
    const QString outDnc = dir.filePath(QStringLiteral("out.dnc"));
    const QString outFormatted = dir.filePath(QStringLiteral("out-formatted.dnc"));

    // --- the program and its files -----------------------------------------------------
    QElapsedTimer preparing;
    preparing.start();
    const Program program = generateProgram(lineCount);
    if (!writeFileAtomically(ncPath, program.bytes))
        fail("cannot write the plain-text program");
    const QString programText = decodePlainText(program.bytes).text; // '\n' line ends

    RichTextBox editor;
    editor.resize(1000, 700);
    editor.show();
    settle();

    if (!editor.loadFile(ncPath) || !saveAndWait(editor, dncPath, true))
        fail("cannot write the RTF program");
    // Every tenth line gets a bold or a coloured word. Written straight as RTF: formatting
    // 10,000 words one by one in a shown editor would take minutes of layout.
    {
        static const std::uint32_t colors[] = {0xC00000, 0x0000C0, 0x008000};
        const CharFormat plain = defaultCharFormat();
        const QStringList lines = programText.split(QLatin1Char('\n'));
        RichText formatted;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &line = lines[i];
            const QString end = i + 1 < lines.size() ? QStringLiteral("\n") : QString();
            if (i % 10 != 5 || line.isEmpty()) {
                formatted.append(line + end, plain);
                continue;
            }
            qsizetype blank = line.indexOf(QLatin1Char(' '));
            if (blank < 0)
                blank = line.size();
            CharFormat marked = plain;
            if ((i / 10) % 2)
                marked.bold = true;
            else
                marked.color = colors[(i / 20) % 3];
            formatted.append(line.left(blank), marked);
            formatted.append(line.mid(blank) + end, plain);
        }
        if (!writeFileAtomically(formattedPath, writeRtf(formatted)))
            fail("cannot write the formatted RTF program");
    }
    settle();
    std::fprintf(stderr, "files prepared in %.1f s\n", double(preparing.elapsed()) / 1000.0);
    if (args.size() > 3 && args[3] == QLatin1String("view")) {
        std::printf("Program: %d lines, .nc %.2f MB\n", program.lineCount(),
                    double(QFileInfo(ncPath).size()) / 1e6);
        viewRows(editor, ncPath, runs);
        return 0;
    }

    const qint64 ncSize = QFileInfo(ncPath).size();
    const qint64 dncSize = QFileInfo(dncPath).size();
    const qint64 formattedSize = QFileInfo(formattedPath).size();

    std::printf("Program: %d lines; .nc %.2f MB, .dnc %.2f MB, formatted .dnc %.2f MB; "
                "median of %d runs, milliseconds\n\n",
                program.lineCount(), double(ncSize) / 1e6, double(dncSize) / 1e6,
                double(formattedSize) / 1e6, runs);

    std::vector<Row> rows;
    auto clearEditor = [&] {
        editor.clear();
        settle();
    };
    auto load = [&](const QString &path) {
        return [&editor, path] {
            if (!editor.loadFile(path))
                fail("load failed");
            QCoreApplication::processEvents();
        };
    };

    // --- floor: the same text straight into Qt ------------------------------------------
    std::unique_ptr<QTextDocument> bareDocument;
    const Stat docFloor = measure(
        runs, [&] { bareDocument = std::make_unique<QTextDocument>(); },
        [&] { bareDocument->setPlainText(programText); }, [&] { bareDocument.reset(); });
    rows.push_back({"floor: QTextDocument::setPlainText (no widget)", docFloor, "", false});

    QTextEdit plainEdit;
    plainEdit.setLineWrapMode(QTextEdit::NoWrap);
    plainEdit.document()->setDefaultFont(editor.document()->defaultFont());
    plainEdit.resize(1000, 700);
    plainEdit.show();
    settle();
    auto clearPlainEdit = [&] {
        plainEdit.clear();
        settle();
    };
    const Stat editFloor = measure(runs, clearPlainEdit, [&] {
        plainEdit.setPlainText(programText);
        QCoreApplication::processEvents();
    });
    rows.push_back({"floor: QTextEdit::setPlainText (shown)", editFloor, "", false});
    const Stat editFloorFull = measure(runs, clearPlainEdit, [&] {
        plainEdit.setPlainText(programText);
        QCoreApplication::processEvents();
        finishLayout(plainEdit.document());
    });
    rows.push_back({"  same, laid out to the end", editFloorFull, "", false});
    plainEdit.clear();
    plainEdit.hide();
    settle();

    // --- plain text ------------------------------------------------------------------------
    rows.push_back({"load .nc (plain text)", measure(runs, clearEditor, load(ncPath)), "", true});
    rows.push_back({"  same, laid out to the end",
                    measure(runs, clearEditor,
                            [&] {
                                load(ncPath)();
                                finishLayout(editor.document());
                            }),
                    "", true});
    if (editor.text() != QString::fromLatin1(program.bytes))
        std::printf("WARNING: the loaded text differs from the file\n");
    if (editor.fileFormat() != FileFormat::PlainText)
        std::printf("WARNING: the .nc did not load as plain text\n");
    rows.push_back({"save .nc (plain text)",
                    measure(runs, {},
                            [&] {
                                if (!saveAndWait(editor, outNc))
                                    fail("save failed");
                            }),
                    "", false});
    if (readFile(outNc) != program.bytes)
        std::printf("WARNING: the saved .nc differs from the original\n");

    // Whole text out of the editor.
    qsizetype sink = 0;
    rows.push_back({"text() whole program",
                    measure(runs, {}, [&] { sink += editor.text().size(); }), "", false});
    rows.push_back({"textRTF() whole program, unformatted",
                    measure(runs, {}, [&] { sink += editor.textRTF().size(); }), "", false});

    // Position lookups on the loaded program.
    const int lookups = 10000;
    const int length = editor.textLength();
    std::mt19937 rng(7u);
    std::vector<int> positions(lookups);
    auto newPositions = [&] {
        std::uniform_int_distribution<int> any(0, length - 1);
        for (int &p : positions)
            p = any(rng);
    };
    const Stat charAtStat = measure(runs, newPositions, [&] {
        for (int p : positions)
            sink += editor.charAt(p).unicode();
    });
    const Stat selectStat = measure(runs, newPositions, [&] {
        for (int p : positions) {
            editor.select(p, 20);
            sink += editor.selStart() + editor.selLength();
        }
    });
    const int formats = 100;
    std::vector<int> lines(formats);
    const Stat formatStat = measure(
        runs,
        [&] {
            std::uniform_int_distribution<int> any(0, program.lineCount() - 1);
            for (int &line : lines)
                line = any(rng);
        },
        [&] {
            for (int line : lines) {
                const auto [start, length] = wordOnLine(program, line);
                editor.select(start, length);
                editor.setSelBold(true);
            }
        });
    settle();

    // --- RTF -------------------------------------------------------------------------------
    rows.push_back(
        {"load .dnc (RTF, unformatted)", measure(runs, clearEditor, load(dncPath)), "", true});
    if (editor.text() != QString::fromLatin1(program.bytes))
        std::printf("WARNING: the RTF program loads with a different text\n");
    rows.push_back({"save .dnc (RTF, unformatted)",
                    measure(runs, {},
                            [&] {
                                if (!saveAndWait(editor, outDnc))
                                    fail("save failed");
                            }),
                    "", false});
    if (readFile(outDnc) != readFile(dncPath))
        std::printf("WARNING: the saved .dnc differs from the one loaded\n");

    rows.push_back({"load .dnc (RTF, every 10th line formatted)",
                    measure(runs, clearEditor, load(formattedPath)), "", true});
    rows.push_back({"save .dnc (RTF, every 10th line formatted)",
                    measure(runs, {},
                            [&] {
                                if (!saveAndWait(editor, outFormatted))
                                    fail("save failed");
                            }),
                    "", false});
    if (readFile(outFormatted) != readFile(formattedPath))
        std::printf("WARNING: the saved formatted .dnc differs from the one loaded\n");
    rows.push_back({"textRTF() whole program, formatted",
                    measure(runs, {}, [&] { sink += editor.textRTF().size(); }), "", false});

    // --- the parts of a load and a save, without the widget ---------------------------------
    const QByteArray dncBytes = readFile(dncPath);
    const QByteArray formattedBytes = readFile(formattedPath);
    rows.push_back(
        {"parts: decode .nc bytes",
         measure(runs, {}, [&] { sink += decodeProgramFile(program.bytes).content.runs.size(); }),
         "", false});
    rows.push_back({"parts: readRtf unformatted",
                    measure(runs, {}, [&] { sink += readRtf(dncBytes).runs.size(); }), "", false});
    rows.push_back({"parts: readRtf formatted",
                    measure(runs, {}, [&] { sink += readRtf(formattedBytes).runs.size(); }), "",
                    false});
    RichText formattedRich;
    rows.push_back(
        {"parts: documentRichText formatted",
         measure(runs, {}, [&] { formattedRich = documentRichText(*editor.document()); }), "",
         false});
    rows.push_back({"parts: writeRtf formatted",
                    measure(runs, {}, [&] { sink += writeRtf(formattedRich).size(); }), "", false});
    rows.push_back(
        {"parts: encodePlainText",
         measure(runs, {},
                 [&] { sink += encodePlainText(formattedRich.plainText(), LineEnd::CrLf).size(); }),
         "", false});

    // --- report ------------------------------------------------------------------------------
    std::printf("%-46s %10s %10s %10s %9s %9s\n", "operation", "median", "min", "max", "x doc",
                "x edit");
    std::printf("%s\n", std::string(98, '-').c_str());
    for (const Row &row : rows) {
        std::string ratios;
        if (row.isLoad) {
            char buf[64];
            std::snprintf(buf, sizeof buf, " %9.2f %9.2f", row.stat.median / docFloor.median,
                          row.stat.median / editFloor.median);
            ratios = buf;
        }
        std::printf("%-46s %10.1f %10.1f %10.1f%s\n", row.name.c_str(), row.stat.median,
                    row.stat.min, row.stat.max, ratios.c_str());
    }
    std::printf("\n%d random position lookups (program of %d characters):\n", lookups, length);
    std::printf("  charAt(p)                              total %8.2f ms   %8.3f us each\n",
                charAtStat.median, charAtStat.median * 1000.0 / lookups);
    std::printf("  select(p, 20) + selStart + selLength   total %8.2f ms   %8.3f us each\n",
                selectStat.median, selectStat.median * 1000.0 / lookups);
    std::printf("  select(word) + setSelBold(true)        total %8.2f ms   %8.3f us each "
                "(%d words)\n",
                formatStat.median, formatStat.median * 1000.0 / formats, formats);
    viewRows(editor, ncPath, runs);

    std::printf("\nx doc / x edit: load time over the QTextDocument / QTextEdit floor "
                "(goal: load within 3x the floor)\n");
    std::printf("Peak RSS (VmHWM): %.1f MB\n", double(peakRssKiB()) / 1024.0);
    if (sink == 42)
        std::printf(" \n");
    return 0;
}
