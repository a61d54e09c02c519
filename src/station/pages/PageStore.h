#pragma once

#include "FileNotices.h"

#include <QByteArray>
#include <QString>
#include <array>

// Keeps the channels' page texts in their page files: the file is the store, and memory holds
// only what has not reached it yet. A page only grows between replacements, so each write adds
// the new tail in place; the file's content after every write is the page text and a CR LF.
// A new connection leaves the file empty while its text waits aside, under kHeldSuffix, until
// the next write puts it back.
class PageStore {
public:
    // Text that cannot be written (a full disk) waits at most this much; more is lost.
    static constexpr qsizetype kMaxPending = 1024 * 1024;
    static constexpr auto kHeldPrefix = ".";
    static constexpr auto kHeldSuffix = ".held";

    // Follows the program folder it is given, wherever that is set later. Failed writes are told
    // to the operator.
    PageStore(const QString& programDir, FileNotices& notices)
        : m_programDir(programDir), m_notices(notices) {}

    QString path(int channel) const;
    // Adds received text to the end of the page text.
    void append(int channel, const QString& text);
    // The page text becomes `text`.
    void replace(int channel, const QString& text);
    // Brings the file up to the page text; false when it cannot be written.
    bool write(int channel);
    // Leaves the file empty (a new connection); the page text is kept aside.
    bool empty(int channel);
    // Replaces the file with other content (a home page, at start-up); page text kept in the file
    // goes with it.
    bool writeOther(int channel, const QString& content);
    // The pane reads the page file as every file of the folder is read: a link or anything but a
    // regular file is left alone, and the operator told once.
    void noticeIfUnreadable(int channel);

private:
    enum class Base { None, File, Held };

    QString heldPath(int channel) const;
    bool writeTail(int channel);
    bool writeWhole(int channel);

    const QString& m_programDir;
    FileNotices& m_notices;
    // Where the page text begins: nowhere (it is all pending), in the page file or aside.
    std::array<Base, 8> m_base{};
    // Bytes of page text held there (the page file has a CR LF after them).
    std::array<qint64, 8> m_length{};
    // Page text not yet written, after the base.
    std::array<QByteArray, 8> m_pending;
};
