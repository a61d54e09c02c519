#pragma once

#include <QtGlobal>

// The operator's comforts, as Settings > Options sets them and the per-user store keeps them in
// section Operating. Everything off leaves the station as it always was.
struct OperatingOptions {
    // How much the desktop is told of: nothing, stations connecting, or also their lines.
    enum Notifications { NotifyOff = 0, NotifyConnects = 1, NotifyLines = 2 };

    bool showMyLines = false;    // a plain line sent shows in its station's channel view too
    bool keepSendTarget = false; // an incoming connect leaves the tab in front and the target
    bool timeStamps = false;     // received lines start with HH:MM in the channel views
    int notifications = NotifyConnects;

    bool operator==(const OperatingOptions&) const = default;
};

// Section Files: whether a binary file a station offers is taken without asking, and how large
// one may be.
struct ReceiveOptions {
    bool autoAccept = false;
    qint64 maxBytes = 10 * 1024 * 1024;
};
