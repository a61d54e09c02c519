#include "TextViews.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
QString toDisplay(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}
} // namespace

QPlainTextEdit* TextViews::create(TextView id, QWidget* parent, const QColor& text,
                                  const QColor& base) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
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
    const int index = static_cast<int>(viewOfTab(tab));
    if (!m_stale[index])
        return;
    m_stale[index] = false;
    m_views[index]->setPlainText(toDisplay(m_shadow[index]));
    m_views[index]->moveCursor(QTextCursor::End);
}

void TextViews::append(TextView id, const QString& text) {
    const int index = static_cast<int>(id);
    if (isBounded(id)) {
        m_shadow[index] += text;
        if (isDeferred(id)) {
            m_stale[index] = true;
            return;
        }
    }
    QTextCursor cursor(view(id)->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(toDisplay(text));
    if (!isBounded(id))
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
    QTextCursor cursor(doc);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TextViews::replace(TextView id, const QString& text) {
    const int index = static_cast<int>(id);
    if (isBounded(id)) {
        m_shadow[index] = text;
        if (isDeferred(id)) {
            m_stale[index] = true;
            return;
        }
    }
    view(id)->setPlainText(toDisplay(text));
}

void TextViews::removeFront(TextView id, const QString& removed) {
    const int index = static_cast<int>(id);
    if (isBounded(id)) {
        m_shadow[index].remove(0, removed.size());
        if (isDeferred(id)) {
            m_stale[index] = true;
            return;
        }
    }
    QTextCursor cursor(view(id)->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                        int(toDisplay(removed).size()));
    cursor.removeSelectedText();
}

void TextViews::moveCaretToEnd(TextView id) {
    if (isDeferred(id))
        return;
    view(id)->moveCursor(QTextCursor::End);
    view(id)->ensureCursorVisible();
}

void TextViews::setCaretBeforeEnd(TextView id, int chars) {
    if (isDeferred(id))
        return;
    QPlainTextEdit* edit = view(id);
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    // A CR LF pair is one character on screen.
    cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::MoveAnchor,
                        qMax(0, chars - 1));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
}
