#include "EngineEvent.h"

#include "MonitorHeader.h"

#include <utility>

EngineEvent EngineEvent::monitored(FrameClass frameClass, QString call, QString text, int port) {
    EngineEvent event;
    event.frameClass = frameClass;
    event.call = std::move(call);
    event.text = std::move(text);
    event.port = port;
    const MonitorHeader header = parseMonitorHeader(event.text);
    event.m_destination = event.spanOf(header.destination);
    event.m_path = event.spanOf(header.path);
    event.m_control = event.spanOf(header.control);
    return event;
}

EngineEvent::Span EngineEvent::spanOf(QStringView inText) const {
    if (inText.isEmpty())
        return {};
    return {inText.data() - text.constData(), inText.size()};
}
