#pragma once

#include "FileNotices.h"
#include "HeardList.h"
#include "MainWindowView.h"

#include <QString>

// Heard.lst in the program folder: read at start-up, written whole through a temporary file
// when the list has changed, at most every kSaveEveryMs and once more at the end. A file that
// cannot be read is kept aside as Heard.lst.bad and a new list begins.
class HeardFile {
public:
    static constexpr auto kFileName = "Heard.lst";
    // 1 000 stations of the longest lines fit in half of this.
    static constexpr qint64 kMaxBytes = 512 * 1024;
    static constexpr qint64 kSaveEveryMs = 5000;

    HeardFile(HeardList& list, MainWindowView& view, FileNotices& notices)
        : m_list(list), m_view(view), m_notices(notices) {}

    void load(const QString& programDir, qint64 nowMs);
    void saveIfDue(qint64 nowMs);
    // Writes the list when it changed since the last write.
    void save();

private:
    void keepAside();
    void write();

    HeardList& m_list;
    MainWindowView& m_view;
    FileNotices& m_notices;
    QString m_path;
    quint64 m_savedGeneration = 0;
    qint64 m_savedAtMs = 0;
};
