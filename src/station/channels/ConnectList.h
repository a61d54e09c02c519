#pragma once

#include <QString>
#include <QStringList>

// PacketConnects.lst: every station called with ":C", once each, one quoted
// entry per line, in the order first called.
namespace ConnectList {
constexpr auto kFileName = "PacketConnects.lst";
// The list only grows; past this size the rest is not read.
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

QString path(const QString& programDir);
// Every field of the file, in file order; empty when it cannot be read.
QStringList read(const QString& path);
// Appends the call unless an entry equals it, ignoring case. False when it could not be written.
bool add(const QString& path, const QString& call);
} // namespace ConnectList
