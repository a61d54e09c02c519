#include "BoundedView.h"

bool BoundedView::append(const QString& text) {
    m_text += text;
    for (TextView id : m_ids)
        m_view.appendText(id, text);
    if (m_text.size() <= kLimit)
        return false;
    // Cutting at the front costs what is cut, not what stays.
    const QString cut = m_text.left(m_text.size() - kKeep);
    m_text.remove(0, cut.size());
    for (TextView id : m_ids)
        m_view.removeFront(id, cut);
    return true;
}
