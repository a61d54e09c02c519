#pragma once

#include "MonitoredFrame.h"

#include <QString>

// One thing the packet engine tells the station: a link began or ended, a connected station sent
// data, or a frame was heard on the air. Calls and texts are Latin-1, as the air carries them.
struct EngineEvent {
    enum class Type {
        Connected,    // a station connected to us, or answered our connect
        Disconnected, // a link ended
        StationData,  // data from a connected station, as it came off the air, NULs and all
        Monitored,    // a frame heard on the air
        Refused,      // a station called and the engine turned it away: no channel was free
    };
    // How the engine classes what it heard.
    enum class FrameClass {
        Information, // an I frame of someone else's link
        LinkControl, // every other frame of a link: supervisory, set-up and tear-down alike
        Unproto,     // a UI frame
        Transmitted, // a frame this engine sent
    };

    Type type = Type::Monitored;
    FrameClass frameClass = FrameClass::Unproto; // monitored frames only
    QString call;                                // the station that sent it
    QString text; // the notice, the data, or the monitored frame's lines
    int port = 0;

    MonitoredFrame frame; // monitored frames only

    // The text is the frame's, as formatMonitoredFrame writes it.
    static EngineEvent monitored(FrameClass frameClass, QString call, MonitoredFrame frame);
    // The same, for a caller that has that text already: the engine's text that parsed into
    // `frame`, which formats back to it byte for byte.
    static EngineEvent monitored(FrameClass frameClass, QString call, MonitoredFrame frame,
                                 QString text);
};
