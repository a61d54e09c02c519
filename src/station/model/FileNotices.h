#pragma once

#include "MainWindowView.h"

#include <QSet>
#include <QString>

// Tells the operator in the status line when a file of the program folder cannot be used: once
// per file, and again only after it has worked in between.
class FileNotices {
public:
    explicit FileNotices(MainWindowView& view) : m_view(view) {}

    // Reports the outcome of a write; true when it succeeded.
    bool written(const QString& path, bool ok);
    // The name is held by something other than a regular file (a FIFO, a device, a link).
    void refused(const QString& path);
    void notice(const QString& path, const QString& text);

private:
    MainWindowView& m_view;
    QSet<QString> m_failing;
};
