#pragma once

#include <QString>
#include <QStringView>

// Amateur call signs as AX.25 can carry them: 1 to 6 letters and digits, at least one a letter,
// and an SSID from -0 to -15. Anything else would reach the engine as an address it cannot use.
namespace CallSign {

// The call as the engine reports it: upper case, without "-0". Null when `typed` is no call;
// `why` (when given) then says what is wrong, for the operator.
QString normalized(QStringView typed, QString* why = nullptr);

inline bool isValid(QStringView typed) {
    return !normalized(typed).isNull();
}

} // namespace CallSign
