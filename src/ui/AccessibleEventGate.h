#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QAccessibleEvent;
class QWidget;

// Stands between the widgets and the accessibility bus, so a screen reader keeps up with a busy
// channel: a screen reader drops events once they queue up, and the announcements with them.
// Text and scroll events of what is out of sight go nowhere; a paced view's appends go out
// joined, a few times a second; a line the program replaces reports its caret after its text,
// or the reader reads the line as it was.
class AccessibleEventGate : public QObject {
public:
    static constexpr int kPaceMs = 500;

    // The one gate of the process, in place from the first call on.
    static AccessibleEventGate& instance();

    // The view's text changes reach the bus joined; a key pressed in it sends what waits first.
    void pace(QWidget* view);
    // Runs `replace`; the caret moves it makes are reported after its text changes.
    void caretAfterText(QWidget* line, const std::function<void()>& replace);
    // Runs `move` without reporting its caret moves: a reader told of a caret move in a widget
    // about to take the focus takes it as the focus and stays silent when the focus comes.
    void caretUnsaid(QWidget* widget, const std::function<void()>& move);
    // Sends what the paced views hold now.
    void flush();

    // An event as Qt hands it over; tests hand theirs here, where Qt makes none offscreen.
    void take(QAccessibleEvent* event);
    // Where events that pass go; by default the platform's bridge.
    using Sink = std::function<void(QAccessibleEvent*)>;
    void setSink(Sink sink) { m_sink = std::move(sink); }

private:
    struct Held {
        int from = -1;  // where the joined insertion starts
        QString text;   // inserted since the last flush
        int caret = -1; // the last caret position reported
    };

    AccessibleEventGate();
    static void onUpdate(QAccessibleEvent* event);
    void hold(QWidget* view, QAccessibleEvent* event);
    void flush(QWidget* view, Held& held);
    void forward(QAccessibleEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QHash<QWidget*, Held> m_paced;
    QPointer<QWidget> m_replacing, m_unsaid;
    int m_replacedCaret = -1;
    QTimer m_pace;
    Sink m_sink;
};
