#include "EngineEvent.h"

#include <utility>

EngineEvent EngineEvent::monitored(FrameClass frameClass, QString call, MonitoredFrame frame) {
    EngineEvent event;
    event.frameClass = frameClass;
    event.call = std::move(call);
    event.port = frame.port;
    event.frame = std::move(frame);
    event.frame.sent = frameClass == FrameClass::Transmitted;
    event.text = formatMonitoredFrame(event.frame);
    return event;
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
