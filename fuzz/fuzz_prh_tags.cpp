// Received text looked at for a page tag, and link targets looked at for a command.
// Input: the text; it is tried as received (Latin-1) and as a link would come (UTF-8).

#include "FuzzSupport.h"
#include "PrhTags.h"

#include <QFileInfo>

namespace {

// A plain name stays one entry below the folder it is joined to.
void checkPlainName(const QString& name) {
    if (!PrhTags::isPlainName(name) || name.isEmpty())
        return;
    const QString root = QStringLiteral("/fuzz/root");
    const QString joined = QDir(root).filePath(name);
    FUZZ_CHECK(joined == root + QLatin1Char('/') + name);
    FUZZ_CHECK(QDir::cleanPath(joined) == joined);
    FUZZ_CHECK(QFileInfo(joined).dir().path() == root);
}

void checkPageName(const QString& data) {
    const std::optional<QString> name = PrhTags::pageName(data);
    if (!name)
        return;
    FUZZ_CHECK(!name->contains(QLatin1Char('>')));
    FUZZ_CHECK(name->size() + 5 <= data.size());
    FUZZ_CHECK(
        data.contains(QStringLiteral("<PRH") + *name + QLatin1Char('>'), Qt::CaseInsensitive));
    checkPlainName(*name);
}

void checkCommand(const QString& target) {
    bool malformed = true;
    const std::optional<QString> command = PrhTags::command(target, &malformed);
    FUZZ_CHECK(!(command && malformed));
    if (command)
        FUZZ_CHECK(!command->contains(QLatin1Char('>')));
    // The flag is optional.
    FUZZ_CHECK(PrhTags::command(target) == command);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    for (const QString& text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        checkPageName(text);
        checkCommand(text);
        checkPlainName(text);
    }
    return 0;
}
