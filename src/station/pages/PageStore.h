#pragma once

#include "FileNotices.h"

#include <QString>
#include <array>

// Writes the channels' page files. A page only grows between replacements, so
// when the file on disk still mirrors the page text the new tail is written in
// place instead of the whole page; the content after every write is exactly
// the page text and a CR LF.
class PageStore {
public:
    // Follows the program folder it is given, wherever that is set later. Failed writes are told
    // to the operator.
    PageStore(const QString& programDir, FileNotices& notices)
        : m_programDir(programDir), m_notices(notices) {}

    QString path(int channel) const;
    // Writes the page text; false when the file cannot be written.
    bool write(int channel, const QString& pageText);
    // The page text was replaced rather than extended: the next write is whole.
    void markReplaced(int channel) { m_mirrored[channel] = -1; }
    // Leaves the file empty (a new connection).
    bool empty(int channel);
    // Replaces the file with other content (a home page).
    bool writeOther(int channel, const QString& content);

private:
    bool writeTail(int channel, const QString& pageText);
    bool writeWhole(int channel, const QString& pageText);
    void remember(int channel, const QString& pageText);

    const QString& m_programDir;
    FileNotices& m_notices;
    // Length of the page text the file holds (without its CR LF), or -1.
    std::array<qsizetype, 8> m_mirrored{-1, -1, -1, -1, -1, -1, -1, -1};
    // The last characters written, a cheap guard against an unannounced replacement.
    std::array<QString, 8> m_lastWritten;
};
