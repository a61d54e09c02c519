#include "TextViews.h"

#include "AccessibleEventGate.h"
#include "ChannelTable.h"
#include "SteadyScrollBar.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <utility>

namespace {
// Unshaped, a line is laid out for about half as much, and plain Latin text in a fixed-pitch font
// looks the same. Shaped, a control character shows as a box; unshaped, as nothing: a helping
// with one (or a soft hyphen, or anything beyond Latin-1) is shaped as all text was before.
bool needsShaping(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\n' && u != u'\t') || (u >= 0x7f && u < 0xa0) || u == 0xad ||
               (u > 0xff && u != QChar::LineSeparator);
    });
}
// A block is laid out whole whenever any line of it is: a longer text keeps a block a line.
constexpr qsizetype kLongestParagraph = 2048;
bool isBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}
// A CR LF pair, or a CR or an LF alone, is one line break on screen. With `oneParagraph`, the
// breaks but the last are line separators: the text looks the same, and a frame heard is then one
// block of the view's document rather than one a line, each block costing about as much as a line's
// text. `paragraphs`, if given, counts the paragraph breaks made.
QString toDisplay(const QString& text, bool oneParagraph = false, qsizetype* paragraphs = nullptr) {
    const QChar* from = text.constData();
    const QChar* const end = from + text.size();
    const QChar* lastBreak = from; // where the one paragraph break is, if any
    if (oneParagraph) {
        const QChar* p = end;
        while (p != from && !isBreak(p[-1]))
            --p;
        if (p != from)
            lastBreak = p[-1] == u'\n' && p - 1 != from && p[-2] == u'\r' ? p - 2 : p - 1;
    }
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    qsizetype made = 0;
    for (const QChar* p = from; p != end; ++p) {
        if (!isBreak(*p)) {
            *to++ = *p;
            continue;
        }
        const bool paragraph = p >= lastBreak;
        made += paragraph;
        *to++ = paragraph ? QChar(u'\n') : QChar(QChar::LineSeparator);
        if (*p == u'\r' && p + 1 != end && p[1] == u'\n')
            ++p;
    }
    out.truncate(to - out.constData());
    if (paragraphs)
        *paragraphs += made;
    return out;
}
// Qt drops a block's glyphs once it is laid out and shapes its lines again for each paint and each
// caret placed in it. The blocks at a bounded view's end, those that show, keep theirs: a bounded
// view holds too little text for the memory to matter.
void keepShapedAtEnd(QPlainTextEdit* view) {
    const int lines = view->verticalScrollBar()->pageStep() + 1;
    int counted = 0;
    for (QTextBlock block = view->document()->lastBlock(); block.isValid() && counted <= lines;
         block = block.previous()) {
        block.layout()->setCacheEnabled(true);
        counted += 1 + int(block.text().count(QChar(QChar::LineSeparator)));
    }
}
// A caret before nothing but line ends is one step a character from the end.
bool onlyLineEndsFrom(const QTextDocument* doc, int position) {
    for (int p = position; p < doc->characterCount() - 1; ++p) {
        const QChar c = doc->characterAt(p);
        if (c != QChar::LineSeparator && c != QChar::ParagraphSeparator)
            return false;
    }
    return true;
}
// A cursor placed outside an edit block lays out the line it lands on to know its x: a line
// about to go.
void removeUpTo(QTextDocument* doc, int position) {
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}
// On X, Qt moves a scrolled view inside a copy of the whole window that the display server keeps,
// then copies it out. The copy's first use held up the paint of the first line that scrolled a view
// by 10-20 ms, and each later scroll costs the server two copies of the view where a redraw costs
// one. A view fed at its end is mostly redrawn anyway, so the station does about the same work.
// The setting is the process's, read at its first scroll; one the user has made stands.
void redrawScrolledViewsOnX() {
    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        !qEnvironmentVariableIsSet("QT_NO_FAST_SCROLL"))
        qputenv("QT_NO_FAST_SCROLL", "1");
}
// The views' scroll bars move many times as a helping comes in and the carets are placed; each is
// painted once after, if at all.
class BarsHeld {
public:
    explicit BarsHeld(const std::array<QPlainTextEdit*, TextViews::kCount>& views) {
        for (std::size_t i = 0; i < views.size(); ++i)
            if (views[i] &&
                (m_bars[i] = dynamic_cast<SteadyScrollBar*>(views[i]->verticalScrollBar())))
                m_bars[i]->holdPaint();
    }
    ~BarsHeld() {
        for (SteadyScrollBar* bar : m_bars)
            if (bar)
                bar->releasePaint();
    }
    BarsHeld(const BarsHeld&) = delete;
    BarsHeld& operator=(const BarsHeld&) = delete;

private:
    std::array<SteadyScrollBar*, TextViews::kCount> m_bars{};
};

// A view reached with the keys puts its caret on its last line of text, so a screen reader reads
// that line rather than the empty one after the last line break.
class CaretOnText : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* view = qobject_cast<QPlainTextEdit*>(watched);
        if (event->type() != QEvent::FocusIn || !view)
            return false;
        QTextCursor caret = view->textCursor();
        if (!caret.atEnd() || caret.hasSelection() || !caret.block().text().isEmpty())
            return false;
        QTextBlock line = caret.block().previous();
        while (line.isValid() && line.text().trimmed().isEmpty())
            line = line.previous();
        if (line.isValid()) {
            caret.setPosition(line.position());
            AccessibleEventGate::instance().caretUnsaid(view, [&] { view->setTextCursor(caret); });
        }
        return false;
    }
};
} // namespace

TextViews::TextViews(QTabWidget* tabs) : m_tabs(tabs) {
    redrawScrolledViewsOnX();
    m_caretFromEnd.fill(-1);
    m_caretTimer.setSingleShot(true);
    m_caretTimer.setInterval(0);
    QObject::connect(&m_caretTimer, &QTimer::timeout, tabs, [this] { placeCarets(); });
}

QPlainTextEdit* TextViews::create(TextView id, QWidget* parent, const QColor& text,
                                  const QColor& base) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical));
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setUndoRedoEnabled(false);
    if (!isBounded(id))
        view->setMaximumBlockCount(kMaxViewLines);
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    QPalette pal = view->palette();
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::Text, text);
    view->setPalette(pal);
    m_views[static_cast<int>(id)] = view;
    AccessibleEventGate::instance().pace(view);
    view->installEventFilter(new CaretOnText(view));
    return view;
}

TextView TextViews::viewOfTab(int tab) {
    // The strip sits between "Conf" and its mirror on "All Trf".
    return static_cast<TextView>(tab <= 7 ? tab : tab + 1);
}

bool TextViews::isDeferred(TextView id) const {
    switch (id) {
    case TextView::AllTrafficMirror:
    case TextView::DX:
    case TextView::WX:
    case TextView::Data:
        return m_tabs->currentWidget() != view(id)->parentWidget();
    default:
        return false;
    }
}

void TextViews::tabShown(int tab) {
    if (tab < 0 || tab >= MainWindowView::kTabCount)
        return;
    if (tab < ChannelTable::kChannels)
        moveCaretToEnd(channelView(tab));
    const int index = static_cast<int>(viewOfTab(tab));
    if (!m_stale[index] || !m_source)
        return;
    m_stale[index] = false;
    m_heldText[index] = {};
    m_views[index]->setPlainText(toDisplay(m_source->bounded(viewOfTab(tab)).text()));
    m_views[index]->moveCursor(QTextCursor::End);
}

void TextViews::follow(StationTexts& texts) {
    m_source = &texts;
    texts.setFollower(this);
}

void TextViews::appended(TextView id, const QString& text) {
    append(id, text);
    // The strip's caret rests three characters short of its end, on its last line of text.
    if (id != TextView::AllTraffic)
        moveCaretToEnd(id);
    else if (m_source && m_source->bounded(id).text().size() > 4)
        setCaretBeforeEnd(id, 3);
}

void TextViews::appendedOwn(TextView id, const QString& text) {
    appendOwn(id, text);
    moveCaretToEnd(id);
}

void TextViews::append(TextView id, const QString& text) {
    const int index = static_cast<int>(id);
    if (isBounded(id)) {
        if (isDeferred(id)) {
            m_stale[index] = true;
            return;
        }
        if (m_held > 0) {
            Held& held = m_heldText[index];
            held.text += toDisplay(text, text.size() <= kLongestParagraph, &held.breaks);
            return;
        }
    }
    qsizetype breaks = 0;
    const QString shown =
        toDisplay(text, isBounded(id) && text.size() <= kLongestParagraph, &breaks);
    appendShown(view(id), shown, breaks, isBounded(id));
    if (!isBounded(id))
        keepTail(view(id));
}

// The plain text layout repaints the whole view for a line appended with its break; a view in
// sight given a line or two repaints only those, the rest moved up on screen. More lines move it
// all, and each repaint asked for lays its line out.
bool TextViews::appendsFew(const QPlainTextEdit* view, qsizetype breaks) {
    return view->isVisible() && breaks <= kFewLines;
}

void TextViews::appendShown(QPlainTextEdit* view, const QString& shown, qsizetype breaks,
                            bool bounded) {
    QTextDocument* doc = view->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const int blocks = doc->blockCount();
    const bool few = appendsFew(view, breaks);
    {
        const QSignalBlocker quiet(few ? layout : nullptr);
        QTextCursor cursor(doc);
        // In an edit block the cursor needs no line laid out: moved as a caret from the front, it
        // would lay out the first line, which may be about to go.
        cursor.beginEditBlock();
        cursor.setPosition(doc->characterCount() - 1);
        QTextCharFormat format = cursor.charFormat();
        format.setFontStyleStrategy(needsShaping(shown) ? QFont::PreferDefault
                                                        : QFont::PreferNoShaping);
        cursor.insertText(shown, format);
        if (bounded)
            keepShapedAtEnd(view);
        cursor.endEditBlock();
    }
    if (!few)
        return;
    emit layout->documentSizeChanged(layout->documentSize());
    // Lines dropped from the front for the view's line limit move everything.
    if (doc->blockCount() != blocks + breaks) {
        view->viewport()->update();
        return;
    }
    for (QTextBlock block = doc->findBlockByNumber(blocks - 1); block.isValid();
         block = block.next())
        emit layout->updateBlock(block);
}

void TextViews::appendOwn(TextView id, const QString& text) {
    if (isBounded(id)) {
        append(id, text);
        return;
    }
    QTextCharFormat own;
    own.setForeground(kOwnText);
    QTextCursor cursor(view(id)->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(toDisplay(text), own);
    // What follows on the next line is received text again, in the view's own colour.
    cursor.setBlockCharFormat(QTextCharFormat());
    keepTail(view(id));
}

void TextViews::keepTail(QPlainTextEdit* view) {
    QTextDocument* doc = view->document();
    const int length = doc->characterCount();
    if (length <= kMaxViewChars)
        return;
    // Cut at a line start where there is one, in one step rather than character by character.
    int cut = length - kKeptViewChars;
    const int lineStart = doc->findBlock(cut).position();
    if (lineStart > 0)
        cut = lineStart;
    removeUpTo(doc, cut);
}

void TextViews::removeFront(TextView id, const QString& removed) {
    const int index = static_cast<int>(id);
    // A cut between a CR and its LF leaves the LF, which still shows as a line break: the one
    // break on screen the pair made stays.
    bool splitsPair = false;
    if (isBounded(id)) {
        splitsPair = removed.endsWith(QLatin1Char('\r')) && m_source &&
                     m_source->bounded(id).text().startsWith(QLatin1Char('\n'));
        if (isDeferred(id)) {
            m_stale[index] = true;
            return;
        }
    }
    // One jump to the end of the cut: walking there character by character lays out each step.
    QTextDocument* doc = view(id)->document();
    const int shown = int(toDisplay(removed).size()) - (splitsPair ? 1 : 0);
    Held& held = m_heldText[index];
    if (m_held > 0 && isBounded(id)) {
        const int length = doc->characterCount() - held.cut + int(held.text.size());
        held.cut += qMax(0, qMin(shown, length - 1));
        return;
    }
    removeUpTo(doc, qMin(shown, doc->characterCount() - 1));
}

void TextViews::applyHeld(int index) {
    Held held = std::exchange(m_heldText[index], {});
    if (held.cut == 0 && held.text.isEmpty())
        return;
    // The same text as each cut and append made in turn: the front of what was there and what
    // came, then the end.
    QTextDocument* doc = m_views[index]->document();
    const int there = doc->characterCount() - 1;
    if (held.cut > there) {
        held.text.remove(0, held.cut - there);
        held.cut = there;
        held.breaks = held.text.count(u'\n');
    }
    QPlainTextEdit* view = m_views[index];
    // A caret left short of the end stays behind as lines come; placed anew from there, the view
    // would lay out the lines between. At the end it moves with what is added.
    if (m_caretFromEnd[index] > 1 && !held.text.isEmpty() && view->isVisible()) {
        QTextCursor caret = view->textCursor();
        caret.movePosition(QTextCursor::End);
        view->setTextCursor(caret);
    }
    // Followed by many lines, the cut goes unannounced: the append that follows resizes the
    // scroll range once and the view repaints whole once, instead of once each.
    const bool quietCut = held.cut > 0 && !held.text.isEmpty() && !appendsFew(view, held.breaks);
    if (held.cut > 0) {
        const QSignalBlocker quiet(quietCut ? doc->documentLayout() : nullptr);
        removeUpTo(doc, held.cut);
    }
    if (!held.text.isEmpty())
        appendShown(view, held.text, held.breaks, true);
    if (quietCut)
        view->viewport()->update();
}

void TextViews::release() {
    if (m_held == 0 || --m_held > 0)
        return;
    const BarsHeld bars(m_views);
    for (int index = 0; index < kCount; ++index)
        applyHeld(index);
    m_caretTimer.stop();
    placeCarets();
}

void TextViews::moveCaretToEnd(TextView id) {
    setCaretBeforeEnd(id, 0);
}

void TextViews::setCaretBeforeEnd(TextView id, int chars) {
    if (isDeferred(id))
        return;
    // Finding where the caret shows costs a layout: place it once, after the batch of appends.
    m_caretFromEnd[static_cast<int>(id)] = chars;
    if (m_held == 0 && !m_caretTimer.isActive())
        m_caretTimer.start();
}

void TextViews::placeCarets() {
    const BarsHeld bars(m_views);
    for (int index = 0; index < kCount; ++index) {
        const int chars = std::exchange(m_caretFromEnd[index], -1);
        if (chars < 0 || !m_views[index])
            continue;
        QPlainTextEdit* edit = m_views[index];
        QTextDocument* doc = edit->document();
        QTextCursor cursor = edit->textCursor();
        // A CR LF pair is one character on screen.
        const int after = chars > 1 ? chars - 1 : 0;
        // A caret that moved with the text to its place needs no placing, which lays out lines.
        const bool inPlace = !cursor.hasSelection() &&
                             cursor.position() == doc->characterCount() - 1 - after &&
                             onlyLineEndsFrom(doc, cursor.position());
        if (!inPlace) {
            cursor.movePosition(QTextCursor::End);
            if (after > 0)
                cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::MoveAnchor, after);
        }
        // Scrolling to the caret from far above lays out each line on the way, up to two screens
        // of lines that came in a helping and are never seen. Start a line short of the caret's
        // screen, unseen, and let the view bring the caret in as ever.
        QScrollBar* bar = edit->verticalScrollBar();
        const QTextLine line =
            cursor.block().layout()->lineForTextPosition(cursor.positionInBlock());
        const int start = cursor.block().firstLineNumber() +
                          (line.isValid() ? line.lineNumber() : 0) - bar->pageStep() - 1;
        const bool jump = edit->isVisible() && bar->value() < start;
        if (jump) {
            edit->viewport()->setUpdatesEnabled(false);
            bar->setValue(start);
        }
        if (!inPlace)
            edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
        if (jump)
            edit->viewport()->setUpdatesEnabled(true); // and repaints it whole
    }
}
