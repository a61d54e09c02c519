#pragma once

#include <QStringView>

// The first line of a monitored frame as the engine writes it:
// " 1:Fm N0AAA To N0BBB Via WIDE1-1,WIDE2-1 <UI pid=F0 Len=5 PF=0 >[20:27:06]".
// Every part is a view into the frame's text; a part the line does not have is empty.
struct MonitorHeader {
    QStringView destination;
    QStringView path;    // the digipeaters, comma separated, as the line gives them
    QStringView control; // the frame's kind of control field: "UI", "I", "RR", "SABM" ...
};

// Looks no further than the first line, and no further than kMaxHeaderLength into it.
MonitorHeader parseMonitorHeader(QStringView data);

constexpr qsizetype kMaxHeaderLength = 256;
