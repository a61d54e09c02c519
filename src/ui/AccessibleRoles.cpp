#include "AccessibleRoles.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>

namespace {

// The value as text, which is where a screen reader looks when a combo box has no list open.
class ComboWithValue : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboWithValue(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString value() const { return static_cast<QComboBox*>(widget())->currentText(); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        // On Linux Qt names a combo box by its value and lets its caption label it.
        return t == QAccessible::Name || t == QAccessible::Value ? value()
                                                                 : QAccessibleWidget::text(t);
    }

    QString text(int start, int end) const override { return value().mid(start, end - start); }
    int characterCount() const override { return int(value().size()); }
    QString textAtOffset(int, QAccessible::TextBoundaryType, int* start, int* end) const override {
        *start = 0, *end = characterCount();
        return value();
    }
    QString textBeforeOffset(int, QAccessible::TextBoundaryType, int* start,
                             int* end) const override {
        *start = *end = 0;
        return {};
    }
    QString textAfterOffset(int, QAccessible::TextBoundaryType, int* start,
                            int* end) const override {
        *start = *end = characterCount();
        return {};
    }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0, *end = characterCount();
        return {};
    }
};

// A line edit whose text reads whole: Qt 6.4 reports each character as a text run of its own,
// empty, and a reader that speaks a line run by run drops its last letter.
class WholeLine : public QAccessibleWidget,
                  public QAccessibleTextInterface,
                  public QAccessibleEditableTextInterface {
public:
    explicit WholeLine(QLineEdit* line) : QAccessibleWidget(line, QAccessible::EditableText) {}

    QLineEdit* line() const { return static_cast<QLineEdit*>(widget()); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !line()->isReadOnly();
        s.readOnly = line()->isReadOnly();
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? line()->text() : QAccessibleWidget::text(t);
    }

    QString text(int start, int end) const override {
        return line()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(line()->text().size()); }
    int cursorPosition() const override { return line()->cursorPosition(); }
    void setCursorPosition(int position) override { line()->setCursorPosition(position); }
    int selectionCount() const override { return line()->hasSelectedText() ? 1 : 0; }
    void selection(int, int* start, int* end) const override {
        const int from = line()->selectionStart();
        *start = qMax(from, 0);
        *end = from < 0 ? 0 : from + line()->selectionLength();
    }
    void addSelection(int start, int end) override { line()->setSelection(start, end - start); }
    void setSelection(int, int start, int end) override { addSelection(start, end); }
    void removeSelection(int) override { line()->deselect(); }
    QRect characterRect(int offset) const override {
        const QFontMetrics metrics = line()->fontMetrics();
        const QString text = line()->text();
        const QRect inside = line()->contentsRect();
        const QRect local(inside.left() + metrics.horizontalAdvance(text.left(offset)),
                          inside.top(), metrics.horizontalAdvance(text.mid(offset, 1)),
                          inside.height());
        return local.translated(line()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return line()->cursorPositionAt(line()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int end) override { line()->setCursorPosition(end); }
    // One run over the whole line: it has no attributes of its own.
    QString attributes(int, int* start, int* end) const override {
        *start = 0, *end = characterCount();
        return {};
    }

    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        line()->setSelection(start, end - start);
        line()->insert(text);
    }
};

QAccessibleInterface* correctedRoles(const QString& className, QObject* object) {
    if (className == QLatin1String("QStackedWidget"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Client);
    if (className == QLatin1String("QLineEdit") &&
        static_cast<QLineEdit*>(object)->echoMode() == QLineEdit::Normal)
        return new WholeLine(static_cast<QLineEdit*>(object));
    if (className == QLatin1String("QComboBox") && !static_cast<QComboBox*>(object)->isEditable())
        return new ComboWithValue(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

void installAccessibleRoles() {
    static const bool installed = (QAccessible::installFactory(correctedRoles), true);
    Q_UNUSED(installed);
}
