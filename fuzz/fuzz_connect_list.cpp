// PacketConnects.lst as found in the program folder, read and then added to.
// Input: the call to add (a text, see FuzzReader), then the file.

#include "ConnectList.h"
#include "FuzzSupport.h"
#include "InputFields.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether a line added at the end starts a field of its own: a last line without its end,
// or a quote left open, would swallow it.
bool isTerminated(const QByteArray& file, const QStringList& fields) {
    return readInputFields(file + "\"\"\r\n") == fields + QStringList{QString()};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnv::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    const QString call = QString::fromLatin1(in.text(64));
    const QByteArray file = in.rest();

    const QStringList fields = readInputFields(file);
    // Every field takes at least one byte of the file.
    FUZZ_CHECK(fields.size() <= file.size());
    for (const QString& f : fields)
        FUZZ_CHECK(f.size() <= file.size());

    // Fields written back the way the settings file writes them read the same.
    QByteArray written;
    QStringList writable;
    for (const QString& f : fields) {
        if (f.contains(QLatin1Char('"')))
            continue;
        writable.append(f);
        written += writeInputField(f) + "\r\n";
    }
    FUZZ_CHECK(readInputFields(written) == writable);

    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString path = ConnectList::path(dir.path());
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly));
        FUZZ_CHECK(f.write(file) == file.size());
    }

    // What the station does on ":C": read the list, then append the call unless it is known.
    ConnectList::add(path, call);
    if (fields.contains(call, Qt::CaseInsensitive)) {
        FUZZ_CHECK(readAll(path) == file);
    } else if (isTerminated(file, fields) && !call.contains(QLatin1Char('"')) &&
               !call.contains(QLatin1Char('\r')) && !call.contains(QLatin1Char('\n'))) {
        // The list only grows, by the one entry.
        FUZZ_CHECK(ConnectList::read(path) == fields + QStringList{call});
    }
    return 0;
}
