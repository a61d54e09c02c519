#pragma once

#include <QStringView>

// A station's frame that begins with YAPP's SI offers a binary file; text that holds the two
// bytes further on does not.
inline bool startsBinaryTransfer(QStringView frame) {
    return frame.size() >= 2 && frame[0] == u'\x05' && frame[1] == u'\x01';
}
