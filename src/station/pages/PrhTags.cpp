#include "PrhTags.h"

#include <QUrl>

namespace PrhTags {

std::optional<QString> pageName(const QString& data) {
    const qsizetype p = data.indexOf(QLatin1String("<PRH"), 0, Qt::CaseInsensitive);
    if (p < 0)
        return std::nullopt;
    const qsizetype q = data.indexOf(QLatin1Char('>'), p);
    if (q < 0)
        return std::nullopt;
    return data.mid(p + 4, q - p - 4);
}

std::optional<QString> command(const QString& target, bool* malformed) {
    if (malformed)
        *malformed = false;
    // A raw link target holds the command as written; one passed on as a URL is percent-encoded.
    const QString decoded = target.contains(QLatin1String("<PRHCMD"), Qt::CaseInsensitive)
                                ? target
                                : QUrl::fromPercentEncoding(target.toUtf8());
    const qsizetype p = decoded.indexOf(QLatin1String("<PRHCMD"), 0, Qt::CaseInsensitive);
    if (p < 0)
        return std::nullopt;
    const qsizetype q = decoded.indexOf(QLatin1Char('>'), p);
    if (q < 0) {
        if (malformed)
            *malformed = true;
        return std::nullopt;
    }
    return decoded.mid(p + 7, q - p - 7);
}

bool isPlainName(const QString& name) {
    // Only a whole "." or ".." climbs; "a..b" is an ordinary name.
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c == u'\x7f')
            return false;
    }
    return true;
}

} // namespace PrhTags
