#pragma once

#include <QString>
#include <optional>

// In-band Packet Radio HTML: "<PRHname>" in received text names a local page
// of the sending station; "<PRHCMDtext>" in a link is a command to run.
namespace PrhTags {
// The page name of the first "<PRH" tag, or none when it has no closing ">".
std::optional<QString> pageName(const QString& data);
// The command text of a navigation target holding "<PRHCMD", or none when it
// holds no command. Percent-encoded targets are decoded first. `malformed` is
// set when "<PRHCMD" has no closing ">".
std::optional<QString> command(const QString& target, bool* malformed = nullptr);
// True when the text can name one file or folder inside the program folder:
// no separators, not "." or "..", no drive, nothing the file system treats specially.
bool isPlainName(const QString& name);
} // namespace PrhTags
