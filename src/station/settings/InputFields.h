#pragma once

#include <QByteArray>
#include <QStringList>

// Reads the comma-and-line separated fields of the station's small text files
// (settings file, connect list). Blanks before a field are skipped; a field
// ends at a comma or a line end; a field that opens with a double quote runs
// to the next double quote, commas and blanks included, and the quotes are
// dropped. Unquoted fields lose their trailing blanks.
QStringList readInputFields(const QByteArray& bytes);

// Writes a text so that readInputFields gives it back unchanged: quoted when
// it holds a comma or a line break or starts or ends with a blank, as it is
// otherwise. A double quote inside cannot be kept.
QByteArray writeInputField(const QString& text);
