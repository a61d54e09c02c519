#pragma once

#include "FileNotices.h"

#include <QString>
#include <QStringList>
#include <optional>

// The lines the operator sent, newest first, for Up and Down in the send line. Kept in the
// program folder as History.lst, one line a line, oldest first, written whole when it changed:
// at the next tick rather than while a line is on its way, and when the station closes.
class LineHistory {
public:
    static constexpr auto kFileName = "History.lst";
    static constexpr int kMaxLines = 100;
    // A longer line is sent but not kept: nobody recalls a pasted page.
    static constexpr qsizetype kMaxLineChars = 512;
    // Every line kept, at its longest in UTF-8, fits; a larger file is not ours.
    static constexpr qint64 kMaxBytes = kMaxLines * (kMaxLineChars * 3 + 1);

    explicit LineHistory(FileNotices& notices) : m_notices(notices) {}

    // Reads History.lst of the folder; what cannot be read leaves the history empty.
    void load(const QString& programDir);
    // A line went out: it becomes the newest (unless it repeats the newest) and the walk ends.
    void add(const QString& line);

    // Up: the next older line. `typed` is what the send line holds when the walk begins; it
    // comes back past the newest. None at the oldest, or with nothing kept.
    std::optional<QString> older(const QString& typed);
    // Down: the next newer line, then what was typed. None when not walking.
    std::optional<QString> newer();

    const QStringList& lines() const { return m_lines; }
    void saveIfChanged();

private:
    FileNotices& m_notices;
    QString m_path;
    QStringList m_lines; // newest first
    int m_at = -1;       // the line shown while walking; -1 not walking
    QString m_typed;
    bool m_changed = false;
};
