#pragma once

#include <QString>

// Spot and weather lines heard on the air, collected for the "DX" and "WX" tabs.
namespace DxWx {

// The text as the views take it: from after the first LF, without outer
// blanks, with CR LF line ends, and a doubled line end at the close cut to one.
QString clean(const QString& text);

// Whether a cleaned text is a DX spot or a weather line, by its first two letters.
bool isDx(const QString& text);
bool isWx(const QString& text);

} // namespace DxWx
