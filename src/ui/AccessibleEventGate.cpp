#include "AccessibleEventGate.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWidget>

namespace {
QAccessible::UpdateHandler g_previous = nullptr;

bool isTextEvent(QAccessible::Event type) {
    switch (type) {
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
        return true;
    default:
        return false;
    }
}
} // namespace

AccessibleEventGate& AccessibleEventGate::instance() {
    static AccessibleEventGate* gate = new AccessibleEventGate; // lives as long as the process
    return *gate;
}

AccessibleEventGate::AccessibleEventGate() {
    m_pace.setSingleShot(true);
    m_pace.setInterval(kPaceMs);
    connect(&m_pace, &QTimer::timeout, this, qOverload<>(&AccessibleEventGate::flush));
    g_previous = QAccessible::installUpdateHandler(&AccessibleEventGate::onUpdate);
}

void AccessibleEventGate::onUpdate(QAccessibleEvent* event) {
    instance().take(event);
}

void AccessibleEventGate::pace(QWidget* view) {
    m_paced.insert(view, Held{});
    view->installEventFilter(this);
    connect(view, &QObject::destroyed, this, [this, view] { m_paced.remove(view); });
}

void AccessibleEventGate::caretAfterText(QWidget* line, const std::function<void()>& replace) {
    m_replacing = line;
    m_replacedCaret = -1;
    replace();
    m_replacing = nullptr;
    if (m_replacedCaret >= 0) {
        QAccessibleTextCursorEvent caret(line, m_replacedCaret);
        forward(&caret);
    }
}

void AccessibleEventGate::caretUnsaid(QWidget* widget, const std::function<void()>& move) {
    m_unsaid = widget;
    move();
    m_unsaid = nullptr;
}

void AccessibleEventGate::take(QAccessibleEvent* event) {
    auto* widget = qobject_cast<QWidget*>(event->object());
    const QAccessible::Event type = event->type();
    if (!widget || !(isTextEvent(type) || type == QAccessible::ValueChanged))
        return forward(event);
    // Nobody reads what is out of sight, and a view's scroll bar only repeats where it is.
    if (!widget->isVisible() || (qobject_cast<QScrollBar*>(widget) && !widget->hasFocus()))
        return;
    if (widget == m_unsaid && type == QAccessible::TextCaretMoved)
        return;
    if (widget == m_replacing && type == QAccessible::TextCaretMoved) {
        m_replacedCaret = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        return;
    }
    if (m_paced.contains(widget))
        return hold(widget, event);
    forward(event);
}

void AccessibleEventGate::hold(QWidget* view, QAccessibleEvent* event) {
    Held& held = m_paced[view];
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto* insert = static_cast<QAccessibleTextInsertEvent*>(event);
        if (held.from < 0 || insert->changePosition() != held.from + held.text.size()) {
            flush(view, held);
            held.from = insert->changePosition();
        }
        held.text += insert->textInserted();
        break;
    }
    case QAccessible::TextCaretMoved:
        held.caret = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
        // The operator reading with the keys hears each move at once.
        if (held.from < 0 && view->hasFocus())
            return flush(view, held);
        break;
    default: // anything else keeps its place after what waited
        flush(view, held);
        return forward(event);
    }
    if (!m_pace.isActive())
        m_pace.start();
}

void AccessibleEventGate::flush() {
    for (auto it = m_paced.begin(); it != m_paced.end(); ++it)
        flush(it.key(), it.value());
}

void AccessibleEventGate::flush(QWidget* view, Held& held) {
    if (held.from >= 0) {
        QAccessibleTextInsertEvent insert(view, held.from, held.text);
        held.from = -1;
        held.text.clear();
        forward(&insert);
    }
    if (held.caret >= 0) {
        QAccessibleTextCursorEvent caret(view, held.caret);
        held.caret = -1;
        forward(&caret);
    }
}

void AccessibleEventGate::forward(QAccessibleEvent* event) {
    if (m_sink)
        return m_sink(event);
    if (g_previous)
        return g_previous(event);
    // Out of the way for one event, so Qt hands it to the platform's bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&AccessibleEventGate::onUpdate);
}

bool AccessibleEventGate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress)
        if (auto it = m_paced.find(static_cast<QWidget*>(watched)); it != m_paced.end())
            flush(it.key(), it.value());
    return QObject::eventFilter(watched, event);
}
