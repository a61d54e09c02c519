#pragma once

#include <QString>

// Every CR and every LF becomes CR LF, so a CR LF pair doubles.
QString expandLineBreaks(const QString& text);
