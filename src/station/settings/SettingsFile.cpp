#include "SettingsFile.h"

#include "InputFields.h"

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
} // namespace SettingsFile
