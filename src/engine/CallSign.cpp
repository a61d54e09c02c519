#include "CallSign.h"

namespace {

constexpr qsizetype kMaxBase = 6;
constexpr int kMaxSsid = 15;
constexpr qsizetype kShownChars = 20; // of what was typed, in the reason

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The SSID's digits: 0 to 15, no sign and no leading zero ("-05" is no SSID an engine writes).
int ssidOf(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == u'0'))
        return -1;
    int value = 0;
    for (const QChar c : digits) {
        if (!isAsciiDigit(c))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value <= kMaxSsid ? value : -1;
}

QString refusal(QStringView typed) {
    if (typed.isEmpty())
        return QStringLiteral("no call sign given");
    QString shown = typed.left(kShownChars).toString();
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    if (typed.size() > kShownChars)
        shown += QStringLiteral("...");
    return QStringLiteral("\"%1\" is not a call sign (1 to 6 letters and digits, at least one a "
                          "letter, then -0 to -15 if any)")
        .arg(shown);
}

} // namespace

namespace CallSign {

QString normalized(QStringView typed, QString* why) {
    const qsizetype dash = typed.indexOf(u'-');
    const QStringView base = dash < 0 ? typed : typed.left(dash);
    const int ssid = dash < 0 ? 0 : ssidOf(typed.mid(dash + 1));
    bool hasLetter = false, onlyLettersAndDigits = true;
    for (const QChar c : base) {
        hasLetter = hasLetter || isAsciiLetter(c);
        onlyLettersAndDigits = onlyLettersAndDigits && (isAsciiLetter(c) || isAsciiDigit(c));
    }
    if (base.isEmpty() || base.size() > kMaxBase || !hasLetter || !onlyLettersAndDigits ||
        ssid < 0) {
        if (why)
            *why = refusal(typed);
        return {};
    }
    QString call = base.toString().toUpper();
    if (ssid > 0)
        call += u'-' + QString::number(ssid);
    return call;
}

} // namespace CallSign
