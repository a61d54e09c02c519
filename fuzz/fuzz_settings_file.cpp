// PacketSettings.ini as found in the program folder, and our own encoding read back.
// Input: the file. Its bytes also make the values of the round trip: two flag bits from the
// first byte, then the beacon text and the weather path split at the first NUL.

#include "FuzzSupport.h"
#include "SettingsFile.h"

namespace {

// The one thing the file cannot carry: a double quote would end a quoted field.
QString writable(const QByteArray& bytes) {
    QByteArray out = bytes;
    out.replace('"', QByteArray());
    return QString::fromLatin1(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);

    SettingsFileValues read;
    const bool complete = SettingsFile::decode(bytes.left(SettingsFile::kMaxBytes), read);
    if (complete) {
        // A complete file re-encodes to one that reads complete too.
        SettingsFileValues again;
        FUZZ_CHECK(SettingsFile::decode(SettingsFile::encode(read), again));
        FUZZ_CHECK(again.beaconOn == read.beaconOn && again.weatherOn == read.weatherOn);
    }

    if (size < 1)
        return 0;
    const qsizetype nul = bytes.indexOf('\0', 1);
    SettingsFileValues values;
    values.beaconOn = data[0] & 1;
    values.weatherOn = data[0] & 2;
    values.beaconText = writable(nul < 0 ? bytes.mid(1) : bytes.mid(1, nul - 1));
    values.weatherPath = writable(nul < 0 ? QByteArray() : bytes.mid(nul + 1));

    SettingsFileValues back;
    FUZZ_CHECK(SettingsFile::decode(SettingsFile::encode(values), back));
    FUZZ_CHECK(back.beaconOn == values.beaconOn);
    FUZZ_CHECK(back.weatherOn == values.weatherOn);
    FUZZ_CHECK(back.beaconText == values.beaconText);
    FUZZ_CHECK(back.weatherPath == values.weatherPath);
    return 0;
}
