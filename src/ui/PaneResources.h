#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// What a page shown in a channel's pane may pull in: pages come from remote stations, so the
// pictures and style sheets they name are nothing but files in a folder of the program folder.
namespace PaneResources {

// A larger file is left out whole rather than shown cut short.
inline constexpr qint64 kMaxFileBytes = 1024 * 1024;

// The file `name` (as the page writes it) stands for, for a page in `pageDir`; empty when refused.
// Only a plain relative path passes: no scheme, host, query or fragment, no absolute path, no
// ".." and no backslash. It must land in a folder below `programDir`, never in `programDir`
// itself. Both folders are absolute; nothing on disk is consulted.
QString allowedPath(const QUrl& name, const QString& pageDir, const QString& programDir);

// The bytes of that file, judged again by where it really is on disk (after following symbolic
// links): a regular file in a folder below the program folder, of at most kMaxFileBytes. Never
// blocks on a FIFO or a device.
std::optional<QByteArray> read(const QUrl& name, const QString& pageDir, const QString& programDir);

} // namespace PaneResources
