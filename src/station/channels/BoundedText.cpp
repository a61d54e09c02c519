#include "BoundedText.h"

#include "TextRoutines.h"

#include <algorithm>

QString BoundedText::append(const QString& text) {
    m_text += text;
    if (m_foldedKept)
        m_folded += caseFolded(text);
    if (m_text.size() <= kLimit)
        return {};
    // Cutting at the front costs what is cut, not what stays.
    const QString cut = m_text.left(m_text.size() - kKeep);
    m_text.remove(0, cut.size());
    if (m_foldedKept)
        m_folded.remove(0, cut.size());
    return cut;
}

bool BoundedText::containsCaseless(const QString& part) const {
    if (std::any_of(part.begin(), part.end(), [](QChar c) { return c.isSurrogate(); }))
        return m_text.contains(part, Qt::CaseInsensitive);
    if (!m_foldedKept) {
        m_folded = caseFolded(m_text);
        m_foldedKept = true;
    }
    return containsText(m_folded, caseFolded(part));
}
