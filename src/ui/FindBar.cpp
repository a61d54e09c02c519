#include "FindBar.h"

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
    QTextCursor found = doc->find(text);
    while (!found.isNull()) {
        ++count;
        if (selections.size() < kMaxHighlighted) {
            QTextEdit::ExtraSelection match;
            match.cursor = found;
            match.format.setBackground(Qt::yellow);
            match.format.setForeground(Qt::black);
            selections.append(match);
        }
        found = doc->find(text, found);
    }
    setSelections(m_view, selections);
    m_count->setText(count == 1 ? QStringLiteral("1 match")
                                : QStringLiteral("%1 matches").arg(count));
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
