// SPDX-License-Identifier: GPL-3.0-or-later
#include "RichTextBox.h"

#include "DocumentBuilder.h"
#include "DocumentRichText.h"
#include "KeyAscii.h"
#include "LayoutPacer.h"
#include "LineEndData.h"
#include "LineNumberGutter.h"
#include "PlainTextFile.h"
#include "RtfReader.h"
#include "RtfWriter.h"
#include "TextPositions.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

namespace kordavel {

namespace {

// More lines than any screen shows at once.
constexpr int kLongTextLines = 1000;

// Paragraph and line separators would break the two-character line-end count.
QString normalizedInsertText(QString text)
{
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    return text;
}

bool isBold(const QTextCharFormat &f)
{
    return f.fontWeight() >= QFont::DemiBold;
}
bool isItalic(const QTextCharFormat &f)
{
    return f.fontItalic();
}
bool isUnderline(const QTextCharFormat &f)
{
    return f.fontUnderline();
}
bool isStrike(const QTextCharFormat &f)
{
    return f.fontStrikeOut();
}

const QStringList &rtfMimeTypes()
{
    static const QStringList types{QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                                   QStringLiteral("text/richtext")};
    return types;
}

} // namespace

int virtualKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    default:
        return 0;
    }
}

const QString &RichTextBox::rtfMimeType()
{
    return rtfMimeTypes().first();
}

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setLineWrapMode(QTextEdit::NoWrap);
    QFont font(defaultFontName());
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(defaultCharFormat().pointSize);
    document()->setDefaultFont(font);
    connectDocument();
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::onSelectionMaybeChanged);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::onSelectionMaybeChanged);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &RichTextBox::refreshViewLater);
}

void RichTextBox::connectDocument()
{
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if ((removed != 0 || added != 0) && !m_loading)
            emit Change();
        refreshViewLater();
    });
    connect(document(), &QTextDocument::blockCountChanged, this, &RichTextBox::refreshViewLater);
    watchHistory();
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::update, this, [this] {
        if (m_gutter)
            m_gutter->update();
    });
}

// Filling a document that no widget shows is several times faster than filling the shown
// one, which lays out every line as it arrives.
void RichTextBox::installDocument(const RichText &content)
{
    QTextDocument *fresh = buildDocument(content, document()->defaultFont());
    fresh->setParent(this);
    swapIn(fresh);
}

void RichTextBox::swapIn(QTextDocument *fresh)
{
    QTextDocument *old = document();
    old->disconnect(this);
    old->documentLayout()->disconnect(this);
    // Struck marks and colours belong to the old text.
    m_struck.clear();
    m_colours.clear();
    showSelections();
    old->setParent(this); // ours from now on: the control deletes only its own
    m_loading = true;
    // A long text shows its vertical scroll bar anyway. Kept on, the bar never comes and
    // goes while the rest of the text is laid out, and with it the width of the view, which
    // starts the whole layout over each time (minutes on millions of lines).
    setVerticalScrollBarPolicy(fresh->blockCount() > kLongTextLines ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAsNeeded);
    setDocument(fresh);
    setTextCursor(QTextCursor(fresh));
    LayoutPacer::pace(fresh);
    m_loading = false;
    connectDocument();
    placeGutter();
    refreshViewLater();
    // Later, not now: a caller may be inside one of the old document's signals.
    old->deleteLater();
    resetHistory();
}

void RichTextBox::onSelectionMaybeChanged()
{
    const QTextCursor cursor = textCursor();
    if (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition)
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    emit SelChange();
}

// --- whole content ---------------------------------------------------------------------

QString RichTextBox::text() const
{
    const QString raw = document()->toRawText();
    QString out;
    out.reserve(raw.size() + document()->blockCount());
    for (QChar ch : raw) {
        if (ch == QChar::ParagraphSeparator)
            out += QLatin1String("\r\n");
        else
            out += ch;
    }
    return out;
}

void RichTextBox::setText(const QString &text)
{
    RichText content;
    content.append(normalizedInsertText(text), defaultCharFormat());
    replaceAll(content);
}

QByteArray RichTextBox::textRTF() const
{
    return writeRtf(documentRichText(*document()));
}

void RichTextBox::setTextRTF(QByteArrayView rtf)
{
    if (looksLikeRtf(rtf)) {
        replaceAll(readRtf(rtf));
    } else {
        setText(decodePlainText(rtf).text);
    }
}

void RichTextBox::appendText(const QString &text, bool sameStep)
{
    if (text.isEmpty())
        return;
    QTextCursor cursor(document());
    const int from = beginStep(cursor, sameStep);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(normalizedInsertText(text), toTextCharFormat(defaultCharFormat()));
    endStep(cursor, from, false);
}

int RichTextBox::textLength() const
{
    return editorLength(*document());
}

QChar RichTextBox::charAt(int position) const
{
    if (position < 0 || position >= textLength())
        return {};
    const QTextDocument &doc = *document();
    const QTextBlock block = doc.findBlock(toDocumentPosition(doc, position));
    const int offset = position - (block.position() + block.blockNumber());
    const int lineLength = block.length() - 1;
    if (offset < lineLength)
        return doc.characterAt(block.position() + offset);
    return offset == lineLength ? QLatin1Char('\r') : QLatin1Char('\n');
}

QString RichTextBox::textRange(int start, int length) const
{
    const int total = textLength();
    start = std::clamp(start, 0, total);
    const int end = std::clamp(start + std::max(length, 0), start, total);
    QString out;
    if (start >= end)
        return out;
    out.reserve(end - start);
    const QTextDocument &doc = *document();
    QTextBlock block = doc.findBlock(toDocumentPosition(doc, start));
    int pos = start;
    while (pos < end && block.isValid()) {
        const int blockStart = block.position() + block.blockNumber();
        const int lineLength = block.length() - 1;
        const int offset = pos - blockStart;
        if (offset < lineLength) {
            const int take = std::min(lineLength - offset, end - pos);
            out += block.text().mid(offset, take);
            pos += take;
        } else if (offset == lineLength) {
            out += QLatin1Char('\r');
            ++pos;
        } else {
            out += QLatin1Char('\n');
            ++pos;
            block = block.next();
        }
    }
    return out;
}

// --- caret and selection ---------------------------------------------------------------

int RichTextBox::selStart() const
{
    return toEditorPosition(*document(), textCursor().selectionStart());
}

void RichTextBox::setSelStart(int start)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(toDocumentPosition(*document(), start));
    setTextCursor(cursor);
}

int RichTextBox::selLength() const
{
    const QTextCursor cursor = textCursor();
    return toEditorPosition(*document(), cursor.selectionEnd()) -
           toEditorPosition(*document(), cursor.selectionStart());
}

void RichTextBox::setSelLength(int length)
{
    select(selStart(), length);
}

void RichTextBox::select(int start, int length)
{
    const QTextDocument &doc = *document();
    QTextCursor cursor = textCursor();
    cursor.setPosition(toDocumentPosition(doc, start));
    cursor.setPosition(toDocumentPosition(doc, start + std::max(length, 0)),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::selText() const
{
    return textRange(selStart(), selLength());
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(normalizedInsertText(text));
    setTextCursor(cursor);
}

QByteArray RichTextBox::selRTF() const
{
    const QTextCursor cursor = textCursor();
    return writeRtf(documentRichText(*document(), cursor.selectionStart(), cursor.selectionEnd()));
}

void RichTextBox::setSelRTF(QByteArrayView rtf)
{
    QTextCursor cursor = textCursor();
    if (looksLikeRtf(rtf))
        insertRichText(cursor, readRtf(rtf));
    else
        cursor.insertText(decodePlainText(rtf).text);
    setTextCursor(cursor);
}

// --- formatting ------------------------------------------------------------------------

template <typename Visit>
static void forEachSelectedFragment(const QTextCursor &cursor, Visit visit)
{
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    for (QTextBlock block = cursor.document()->findBlock(from);
         block.isValid() && block.position() < to; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= from || fragment.position() >= to)
                continue;
            if (!visit(fragment.charFormat()))
                return;
        }
    }
}

RichTextBox::TriState RichTextBox::selFlag(bool (*get)(const QTextCharFormat &)) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return get(cursor.charFormat()) ? TriState::All : TriState::None;
    bool seenOn = false;
    bool seenOff = false;
    forEachSelectedFragment(cursor, [&](const QTextCharFormat &format) {
        (get(format) ? seenOn : seenOff) = true;
        return !(seenOn && seenOff);
    });
    if (seenOn && seenOff)
        return TriState::Mixed;
    return seenOn ? TriState::All : TriState::None;
}

template <typename T>
std::optional<T> RichTextBox::selCommon(T (*get)(const QTextCharFormat &, const QFont &)) const
{
    const QTextCursor cursor = textCursor();
    const QFont font = document()->defaultFont();
    if (!cursor.hasSelection())
        return get(cursor.charFormat(), font);
    std::optional<T> common;
    bool mixed = false;
    forEachSelectedFragment(cursor, [&](const QTextCharFormat &format) {
        const T value = get(format, font);
        if (!common)
            common = value;
        else if (!(*common == value))
            mixed = true;
        return !mixed;
    });
    if (mixed)
        return std::nullopt;
    return common;
}

void RichTextBox::mergeSelection(const QTextCharFormat &format)
{
    mergeCurrentCharFormat(format);
}

RichTextBox::TriState RichTextBox::selBold() const
{
    return selFlag(isBold);
}
RichTextBox::TriState RichTextBox::selItalic() const
{
    return selFlag(isItalic);
}
RichTextBox::TriState RichTextBox::selUnderline() const
{
    return selFlag(isUnderline);
}
RichTextBox::TriState RichTextBox::selStrikeThru() const
{
    return selFlag(isStrike);
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelection(format);
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeSelection(format);
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeSelection(format);
}

void RichTextBox::setSelStrikeThru(bool on)
{
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    mergeSelection(format);
}

std::optional<QString> RichTextBox::selFontName() const
{
    return selCommon<QString>([](const QTextCharFormat &f, const QFont &font) {
        return fromTextCharFormat(f, font).fontName;
    });
}

void RichTextBox::setSelFontName(const QString &name)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{name});
    mergeSelection(format);
}

std::optional<double> RichTextBox::selFontSize() const
{
    return selCommon<double>([](const QTextCharFormat &f, const QFont &font) {
        return fromTextCharFormat(f, font).pointSize;
    });
}

void RichTextBox::setSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeSelection(format);
}

std::optional<QColor> RichTextBox::selColor() const
{
    return selCommon<QColor>([](const QTextCharFormat &f, const QFont &) {
        const QBrush brush = f.foreground();
        return brush.style() == Qt::NoBrush ? QColor() : brush.color();
    });
}

void RichTextBox::setSelColor(const QColor &color)
{
    QTextCharFormat format;
    format.setForeground(color.isValid() ? QBrush(color) : QBrush());
    mergeSelection(format);
}

// --- lock, files, find, print ----------------------------------------------------------

bool RichTextBox::locked() const
{
    return isReadOnly();
}

void RichTextBox::setLocked(bool on)
{
    setReadOnly(on);
    if (on)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    emit undoRedoChanged();
}

int RichTextBox::find(const QString &text, int start, int end, FindOptions options) const
{
    if (text.isEmpty())
        return -1;
    const QTextDocument &doc = *document();
    QTextDocument::FindFlags flags;
    if (options.testFlag(FindWholeWord))
        flags |= QTextDocument::FindWholeWords;
    if (options.testFlag(FindMatchCase))
        flags |= QTextDocument::FindCaseSensitively;
    const int from = toDocumentPosition(doc, start);
    const int to = end < 0 ? doc.characterCount() - 1 : toDocumentPosition(doc, end);
    const QTextCursor found = doc.find(text, from, flags);
    if (found.isNull() || found.selectionEnd() > to)
        return -1;
    return toEditorPosition(doc, found.selectionStart());
}

void RichTextBox::selPrint(QPrinter *printer) const
{
    const QTextCursor cursor = textCursor();
    std::unique_ptr<QTextDocument> copy;
    if (cursor.hasSelection()) {
        copy = std::make_unique<QTextDocument>();
        copy->setDefaultFont(document()->defaultFont());
        QTextCursor(copy.get()).insertFragment(cursor.selection());
    } else {
        copy.reset(document()->clone());
    }
    copy->print(printer);
}

// --- clipboard -------------------------------------------------------------------------

void RichTextBox::copyToClipboard()
{
    copy();
}

void RichTextBox::cutToClipboard()
{
    cut();
}

void RichTextBox::pasteFromClipboard()
{
    paste();
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    const QByteArray rtf = selRTF();
    for (const QString &type : rtfMimeTypes())
        mime->setData(type, rtf);
    mime->setText(selText());
    return mime;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    for (const QString &type : rtfMimeTypes())
        if (source->hasFormat(type))
            return true;
    return source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source)
        return;
    QByteArray rtf;
    for (const QString &type : rtfMimeTypes()) {
        if (source->hasFormat(type)) {
            rtf = source->data(type);
            break;
        }
    }
    const QString plain = source->hasText() ? source->text() : QString();
    if (!looksLikeRtf(rtf) && plain.trimmed().startsWith(QLatin1String("{\\rtf")))
        rtf = encodePlainText(plain, LineEnd::CrLf);
    if (!looksLikeRtf(rtf) && plain.isEmpty())
        return;
    // A step of its own: typing right after it is not taken back with it.
    QTextCursor cursor = textCursor();
    const int from = beginStep(cursor, false);
    if (looksLikeRtf(rtf))
        insertRichText(cursor, readRtf(rtf));
    else
        cursor.insertText(normalizedInsertText(plain));
    endStep(cursor, from, false);
    setTextCursor(cursor);
    ensureCursorVisible();
}

// --- keyboard --------------------------------------------------------------------------

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(virtualKeyCode(event->key()), event->modifiers());

    // Undo and Redo are this control's own (a locked text takes neither): Ctrl+Z, and Ctrl+Y
    // or Ctrl+Shift+Z, whatever the platform's keys for them.
    const bool ctrl = event->modifiers() == Qt::ControlModifier;
    const bool ctrlShift = event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool undoKey = event->matches(QKeySequence::Undo);
    const bool redoKey = event->matches(QKeySequence::Redo) ||
                         (event->key() == Qt::Key_Y && ctrl) ||
                         (event->key() == Qt::Key_Z && ctrlShift);
    if (undoKey || redoKey) {
        if (!isReadOnly())
            undoKey ? undo() : redo();
        event->accept();
        return;
    }

    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const int original = keyAsciiOf(event);
    if (original >= 0 && !isReadOnly()) {
        int replaced = original;
        emit KeyPress(replaced);
        if (replaced == 0) {
            event->accept();
            return;
        }
        if (replaced != original || returnKey) {
            // A Return never inserts a line separator: every line end is a paragraph.
            const bool asReturn = replaced == 13;
            const char32_t code = char32_t(replaced);
            const QString text = asReturn ? QStringLiteral("\r") : QString::fromUcs4(&code, 1);
            QKeyEvent substitute(event->type(), asReturn ? Qt::Key_Return : Qt::Key_unknown,
                                 Qt::NoModifier, text, event->isAutoRepeat(), event->count());
            QTextEdit::keyPressEvent(&substitute);
            event->setAccepted(substitute.isAccepted());
            return;
        }
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void RichTextBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !isReadOnly()) {
        QString filtered;
        for (char32_t code : event->commitString().toUcs4()) {
            int keyAscii = int(code);
            emit KeyPress(keyAscii);
            const char32_t accepted = char32_t(keyAscii);
            if (keyAscii > 0 && keyAscii != 13)
                filtered += QString::fromUcs4(&accepted, 1);
        }
        event->setCommitString(filtered, event->replacementStart(), event->replacementLength());
    }
    QTextEdit::inputMethodEvent(event);
}

} // namespace kordavel
