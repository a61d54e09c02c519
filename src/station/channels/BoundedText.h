#pragma once

#include <QString>

// A text that keeps only its recent part: above 10000 characters it is cut back to its last 9000.
// The station holds it once, whichever views show it, so the bound and searches never read a
// widget.
class BoundedText {
public:
    static constexpr qsizetype kLimit = 10000;
    static constexpr qsizetype kKeep = 9000;

    // Appends and applies the bound; what the bound cut from the front, if anything.
    QString append(const QString& text);
    const QString& text() const { return m_text; }
    // Whether the text holds `part` without regard to case.
    bool containsCaseless(const QString& part) const;

private:
    QString m_text;
    // The text folded, kept once asked for: a frame's search then costs no folding of it all.
    mutable QString m_folded;
    mutable bool m_foldedKept = false;
};
