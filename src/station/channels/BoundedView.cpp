#include "BoundedView.h"

bool BoundedView::append(const QString& text) {
    m_text += text;
    m_view.appendText(m_id, text);
    if (m_text.size() <= kLimit)
        return false;
    // Cutting at the front costs what is cut, not what stays.
    const QString cut = m_text.left(m_text.size() - kKeep);
    m_text.remove(0, cut.size());
    m_view.removeFront(m_id, cut);
    return true;
}
