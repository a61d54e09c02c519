#include "BoundedView.h"

bool BoundedView::append(const QString& text) {
    m_text += text;
    if (m_text.size() > kLimit) {
        m_text = m_text.right(kKeep);
        m_view.replaceText(m_id, m_text);
        return true;
    }
    m_view.appendText(m_id, text);
    return false;
}
