#include "EngineEvent.h"

#include <utility>

EngineEvent EngineEvent::monitored(FrameClass frameClass, QString call, MonitoredFrame frame) {
    QString text = formatMonitoredFrame(frame);
    return monitored(frameClass, std::move(call), std::move(frame), std::move(text));
}

EngineEvent EngineEvent::monitored(FrameClass frameClass, QString call, MonitoredFrame frame,
                                   QString text) {
    EngineEvent event;
    event.frameClass = frameClass;
    event.call = std::move(call);
    event.port = frame.port;
    event.frame = std::move(frame);
    event.frame.sent = frameClass == FrameClass::Transmitted;
    event.text = std::move(text);
    return event;
}
