// Heard.lst as found in the program folder. Input: the file. It is read whole or not at all,
// and what is read writes back to a file that reads the same.

#include "FuzzSupport.h"
#include "HeardFile.h"
#include "HeardList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeardList list;
    if (!list.decode(fuzzBytes(data, size))) {
        FUZZ_CHECK(list.size() == 0);
        return 0;
    }
    FUZZ_CHECK(list.size() <= HeardList::kMaxStations);
    const QByteArray written = list.encode();
    FUZZ_CHECK(written.size() <= HeardFile::kMaxBytes);
    HeardList again;
    FUZZ_CHECK(again.decode(written));
    FUZZ_CHECK(again.encode() == written);
    return 0;
}
