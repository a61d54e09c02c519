#pragma once

#include "MainWindowView.h"

#include <QList>
#include <QString>

// A text that keeps only its recent part: above 10000 characters it is cut back to its last 9000.
// It is held here once, whichever views show it, so the bound and searches never read a widget.
class BoundedText {
public:
    static constexpr qsizetype kLimit = 10000;
    static constexpr qsizetype kKeep = 9000;

    BoundedText(MainWindowView& view, TextView id) : m_view(view), m_ids{id} {}
    // One text shown by two views.
    BoundedText(MainWindowView& view, TextView id, TextView mirror)
        : m_view(view), m_ids{id, mirror} {}

    // Appends and applies the bound; true when the text was cut back.
    bool append(const QString& text);
    const QString& text() const { return m_text; }
    // Whether the text holds `part` without regard to case.
    bool containsCaseless(const QString& part) const;

private:
    MainWindowView& m_view;
    QList<TextView> m_ids;
    QString m_text;
    // The text folded, kept once asked for: a frame's search then costs no folding of it all.
    mutable QString m_folded;
    mutable bool m_foldedKept = false;
};
