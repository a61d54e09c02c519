#include "SettingsFile.h"

#include "InputFields.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace SettingsFile {
namespace {
bool toFlag(const QString& field, int& out) {
    if (field.trimmed().isEmpty()) {
        out = 0;
        return true;
    }
    bool ok = false;
    const double v = field.trimmed().toDouble(&ok);
    if (!ok)
        return false;
    out = v == 0 ? 0 : (v == 1 ? 1 : 2);
    return true;
}
} // namespace

QByteArray encode(const SettingsFileValues& v) {
    QByteArray out;
    out += v.beaconOn ? " 1 \r\n" : " 0 \r\n";
    out += writeInputField(v.beaconText) + "\r\n";
    out += v.weatherOn ? " 1 \r\n" : " 0 \r\n";
    out += writeInputField(v.weatherPath) + "\r\n";
    return out;
}

bool decode(const QByteArray& bytes, SettingsFileValues& values) {
    const QStringList fields = readInputFields(bytes);
    int flag = 0;
    if (fields.size() < 1 || !toFlag(fields[0], flag))
        return false;
    if (flag == 0)
        values.beaconOn = false;
    if (fields.size() < 2)
        return false;
    values.beaconText = fields[1];
    if (fields.size() < 3 || !toFlag(fields[2], flag))
        return false;
    if (flag == 1)
        values.weatherOn = true;
    if (fields.size() < 4)
        return false;
    values.weatherPath = fields[3];
    return true;
}
QString path(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kFileName));
}

bool save(const QString& folder, const SettingsFileValues& values) {
    const QString file = path(folder);
    if (!SafeFile::isWritableName(file))
        return false;
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(encode(values)) >= 0 && out.commit();
}

Loaded load(const QString& folder, const SettingsFileValues& values) {
    Loaded result{values};
    const QString file = path(folder);
    const QFileInfo info(file);
    const bool named = info.exists() || info.isSymLink(); // a dangling link is there too
    if (!named)
        result.written = true, result.writeFailed = !save(folder, values);
    bool opened = false;
    const QByteArray bytes = SafeFile::read(file, kMaxBytes, &opened);
    result.refused = !opened && named;
    if (opened && decode(bytes, result.values))
        return result;
    if (opened) {
        QFile bad(file + QStringLiteral(".bad"));
        result.keptBad = SafeFile::openForWrite(bad, QIODevice::Truncate) &&
                         bad.write(bytes) == bytes.size() && bad.flush();
        result.badNotKept = !result.keptBad;
    }
    result.written = true, result.writeFailed = !save(folder, result.values);
    return result;
}
} // namespace SettingsFile
