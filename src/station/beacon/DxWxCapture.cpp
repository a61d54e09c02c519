#include "DxWxCapture.h"

#include "TextRoutines.h"

namespace DxWx {
namespace {

// Only spaces count as blanks here; tabs and line breaks are content.
QString trimBlanks(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == u' ')
        ++from;
    while (to > from && text[to - 1] == u' ')
        --to;
    return text.mid(from, to - from);
}

} // namespace

QString clean(const QString& text) {
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    QString out = trimBlanks(lf >= 0 ? text.mid(lf + 1) : text);
    out = expandLineBreaks(out);
    const qsizetype n = out.size();
    if (n > 3 && out[n - 4] == u'\r' && out[n - 3] == u'\n')
        out.chop(2);
    return out;
}

bool isDx(const QString& text) {
    return text.startsWith(QLatin1String("DX"), Qt::CaseInsensitive);
}

bool isWx(const QString& text) {
    return text.startsWith(QLatin1String("WX"), Qt::CaseInsensitive);
}

} // namespace DxWx
