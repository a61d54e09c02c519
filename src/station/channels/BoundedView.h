#pragma once

#include "MainWindowView.h"

#include <QString>

// A view that keeps only its recent text: above 10000 characters it is cut
// back to its last 9000. The text is kept here too, so the bound and searches
// never have to read a widget.
class BoundedView {
public:
    static constexpr qsizetype kLimit = 10000;
    static constexpr qsizetype kKeep = 9000;

    BoundedView(MainWindowView& view, TextView id) : m_view(view), m_id(id) {}

    // Appends and applies the bound; true when the text was cut back.
    bool append(const QString& text);
    const QString& text() const { return m_text; }

private:
    MainWindowView& m_view;
    TextView m_id;
    QString m_text;
};
