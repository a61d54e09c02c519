#pragma once

#include "MainWindowView.h"

#include <QString>

// Whoever shows the station's texts: told of each change as it is made, in CR LF line ends. The
// views place their own carets.
class TextFollower {
public:
    virtual ~TextFollower() = default;
    virtual void appended(TextView view, const QString& text) = 0;
    // Text the operator sent, shown apart from what was received.
    virtual void appendedOwn(TextView view, const QString& text) = 0;
    // A bounded text dropped `removed` from its front.
    virtual void cutFront(TextView view, const QString& removed) = 0;
    // What comes between these may reach the screen at the end, all at once.
    virtual void holdUpdates() {}
    virtual void releaseUpdates() {}
};
