#include "FindBar.h"

#include "TextRoutines.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// The views are either plain text views or browser panes; both hold a document and a cursor.
void setSelections(QWidget* view, const QList<QTextEdit::ExtraSelection>& selections) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(view))
        plain->setExtraSelections(selections);
    else if (auto* rich = qobject_cast<QTextEdit*>(view))
        rich->setExtraSelections(selections);
}

QTextCursor cursorOf(QWidget* view) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(view))
        return plain->textCursor();
    if (auto* rich = qobject_cast<QTextEdit*>(view))
        return rich->textCursor();
    return {};
}

// A search the document's plain text answers as its cursor search would: no character of the term
// stands for a block's end or is read differently there.
bool withinLines(const QString& term) {
    for (QChar c : term) {
        switch (c.unicode()) {
        case u'\n':
        case u'\r':
        case QChar::Nbsp:
        case QChar::LineSeparator:
        case QChar::ParagraphSeparator:
        case QChar::ObjectReplacementCharacter:
        case 0xfdd0: // the beginning and end of a frame
        case 0xfdd1:
            return false;
        default:
            if (c.isSurrogate())
                return false;
            break;
        }
    }
    return true;
}

void setCursorOf(QWidget* view, const QTextCursor& cursor) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(view)) {
        plain->setTextCursor(cursor);
        plain->ensureCursorVisible();
    } else if (auto* rich = qobject_cast<QTextEdit*>(view)) {
        rich->setTextCursor(cursor);
        rich->ensureCursorVisible();
    }
}

} // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("findBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Find:"), this);
    row->addWidget(caption);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("txtFind"));
    caption->setBuddy(m_field);
    m_field->setAccessibleName(QStringLiteral("Find"));
    m_field->setAccessibleDescription(
        QStringLiteral("Enter and Shift+Enter: next and previous match; Escape closes"));
    m_field->installEventFilter(this);
    row->addWidget(m_field, 1);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblFindCount"));
    row->addWidget(m_count);
    connect(m_field, &QLineEdit::textChanged, this, &FindBar::highlightAll);
    m_moreHighlights.setSingleShot(true);
    m_moreHighlights.setInterval(0);
    connect(&m_moreHighlights, &QTimer::timeout, this, &FindBar::showMoreHighlights);
    hide();
}

void FindBar::openFor(QWidget* view) {
    if (!view)
        return;
    if (!isVisible())
        m_returnFocus = QApplication::focusWidget();
    if (m_view && m_view != view)
        clearHighlights();
    m_view = view;
    show();
    m_field->setFocus();
    m_field->selectAll();
    highlightAll();
}

void FindBar::dismiss() {
    clearHighlights();
    hide();
    if (m_returnFocus)
        m_returnFocus->setFocus();
}

QTextDocument* FindBar::document() const {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_view.data()))
        return plain->document();
    if (auto* rich = qobject_cast<QTextEdit*>(m_view.data()))
        return rich->document();
    return nullptr;
}

void FindBar::clearHighlights() {
    m_highlights.clear();
    m_highlightsShown = 0;
    m_moreHighlights.stop();
    if (m_view)
        setSelections(m_view, {});
}

void FindBar::highlightAll() {
    QTextDocument* doc = document();
    const QString text = m_field->text();
    if (!doc || text.isEmpty()) {
        clearHighlights();
        m_count->clear();
        return;
    }
    QList<QTextEdit::ExtraSelection> selections;
    int count = 0;
    const auto found = [&](qsizetype from, qsizetype to) {
        ++count;
        if (selections.size() >= kMaxHighlighted)
            return;
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(doc);
        selection.cursor.setPosition(int(from));
        selection.cursor.setPosition(int(to), QTextCursor::KeepAnchor);
        selection.format.setBackground(Qt::yellow);
        selection.format.setForeground(Qt::black);
        selections.append(selection);
    };
    if (withinLines(text)) {
        // One scan of the whole text, folded once: a cursor search per match walks the document
        // each time, which a full view and a common term turn into a long freeze. The plain text
        // has the document's positions, with a line break for each block's end.
        const QString all = caseFolded(doc->toPlainText());
        const QString term = caseFolded(text);
        for (qsizetype at = all.indexOf(term); at >= 0; at = all.indexOf(term, at + term.size()))
            found(at, at + term.size());
    } else {
        for (QTextCursor match = doc->find(text); !match.isNull(); match = doc->find(text, match))
            found(match.selectionStart(), match.selectionEnd());
    }
    m_count->setText(count == 1 ? QStringLiteral("1 match")
                                : QStringLiteral("%1 matches").arg(count));
    // Each highlight's place on screen costs a walk through the view: a long list goes up a
    // part at a time, the window answered between.
    m_highlights = selections;
    m_highlightsShown = 0;
    showMoreHighlights();
}

void FindBar::showMoreHighlights() {
    if (!m_view)
        return;
    m_highlightsShown = qMin(m_highlights.size(), m_highlightsShown + kHighlightsAtOnce);
    setSelections(m_view, m_highlights.first(m_highlightsShown));
    if (m_highlightsShown < m_highlights.size())
        m_moreHighlights.start();
}

void FindBar::step(bool backward) {
    QTextDocument* doc = document();
    const QString text = m_field->text();
    if (!doc || text.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor found = doc->find(text, cursorOf(m_view), flags);
    if (found.isNull()) { // wrap around
        QTextCursor from(doc);
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        found = doc->find(text, from, flags);
    }
    if (!found.isNull())
        setCursorOf(m_view, found);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        dismiss();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        step(key->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }
    return false;
}
