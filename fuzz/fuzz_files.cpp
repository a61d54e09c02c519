// Text from the air and files found in the program folder. The first byte picks the parser:
// 0, PRH tags in received text and link targets (the rest of the input); 1, PacketSettings.ini
// (the file); 2, PacketConnects.lst (the call to add as a text, see FuzzReader, then the file);
// 3, Heard.lst (the file).

#include "ConnectList.h"
#include "FuzzSupport.h"
#include "HeardFile.h"
#include "HeardList.h"
#include "InputFields.h"
#include "PrhTags.h"
#include "SettingsFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

// A plain name stays one entry below the folder it is joined to.
static void checkPlainName(const QString& name) {
    const QString root = u"/fuzz/root"_s;
    const QString joined = QDir(root).filePath(name);
    if (!name.isEmpty() && PrhTags::isPlainName(name))
        FUZZ_CHECK(QDir::cleanPath(joined) == joined && QFileInfo(joined).path() == root);
}

static void fuzzPrhTags(FuzzReader& in) {
    const QByteArray bytes = in.rest();
    // As received (Latin-1) and as a link target comes (UTF-8).
    for (const QString& text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        checkPlainName(text);
        if (const std::optional<QString> name = PrhTags::pageName(text)) {
            FUZZ_CHECK(!name->contains(u'>') && name->size() + 5 <= text.size());
            FUZZ_CHECK(text.contains(u"<PRH"_s + *name + u'>', Qt::CaseInsensitive));
            checkPlainName(*name);
        }
        bool malformed = true;
        const std::optional<QString> command = PrhTags::command(text, &malformed);
        FUZZ_CHECK(!command || (!malformed && !command->contains(u'>')));
    }
}

static void fuzzSettingsFile(FuzzReader& in) {
    // What a complete file holds is saved back unchanged, but for double quotes (ending a field).
    SettingsFileValues read, back;
    if (!SettingsFile::decode(in.rest(), read))
        return;
    read.beaconText.remove(u'"'), read.weatherPath.remove(u'"');
    FUZZ_CHECK(SettingsFile::decode(SettingsFile::encode(read), back));
    FUZZ_CHECK(back.beaconOn == read.beaconOn && back.beaconText == read.beaconText &&
               back.weatherOn == read.weatherOn && back.weatherPath == read.weatherPath);
}

static void fuzzConnectList(FuzzReader& in) {
    const QString call = QString::fromLatin1(in.text(64));
    const QByteArray file = in.rest();
    const QStringList fields = readInputFields(file);

    // What the station does on ":C": read the list, then append the call unless it is known.
    QTemporaryDir dir;
    const QString path = ConnectList::path(dir.path());
    FUZZ_CHECK(writeFileBytes(path, file));
    ConnectList::add(path, call);
    // Whether an added line is a field of its own: an unended last line or open quote swallows it.
    const bool terminated = readInputFields(file + "\"\"\r\n") == fields + QStringList{QString()};
    if (fields.contains(call, Qt::CaseInsensitive))
        FUZZ_CHECK(readFileBytes(path) == file);
    else if (terminated && !call.contains(u'"') && !call.contains(u'\r') && !call.contains(u'\n'))
        FUZZ_CHECK(ConnectList::read(path) == fields + QStringList{call}); // grown by the one
}

// Heard.lst is read whole or not at all; what is read writes back to a file that reads the same.
static void fuzzHeardFile(FuzzReader& in) {
    HeardList list, again;
    if (!list.decode(in.rest()))
        return FUZZ_CHECK(list.size() == 0);
    const QByteArray written = list.encode();
    FUZZ_CHECK(list.size() <= HeardList::kMaxStations && written.size() <= HeardFile::kMaxBytes);
    FUZZ_CHECK(again.decode(written) && again.encode() == written);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    using Parser = void (*)(FuzzReader&);
    const Parser parsers[] = {fuzzPrhTags, fuzzSettingsFile, fuzzConnectList, fuzzHeardFile};
    parsers[in.byte() % 4](in);
    return 0;
}
