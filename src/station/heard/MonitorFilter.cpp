#include "MonitorFilter.h"

MonitorFilter::MonitorFilter(const MonitorFilterSettings& settings)
    : m_settings(settings), m_showsEverything(settings.showsEverything()) {
    for (int port : settings.hiddenPorts)
        if (port >= 0 && port < int(m_hiddenPorts.size()))
            m_hiddenPorts.set(size_t(port));
    for (const QString& call : settings.hiddenCalls)
        m_hiddenCalls.insert(call.toUpper());
}

MonitorFilter::FrameType MonitorFilter::typeOf(const EngineEvent& event) {
    if (event.type != EngineEvent::Type::Monitored)
        return FrameType::NotMonitored;
    switch (event.frameClass) {
    case EngineEvent::FrameClass::Transmitted:
        return FrameType::Sent;
    case EngineEvent::FrameClass::Information:
        return FrameType::Information;
    case EngineEvent::FrameClass::Unproto:
        return FrameType::Unnumbered;
    case EngineEvent::FrameClass::LinkControl:
        break;
    }
    // The engine classes links being set up and ended with the supervisory frames.
    using Kind = MonitoredFrame::Type;
    for (Kind unnumbered : {Kind::SABM, Kind::SABME, Kind::UA, Kind::DISC, Kind::DM, Kind::FRMR,
                            Kind::XID, Kind::TEST, Kind::UI})
        if (event.frame.type == unnumbered)
            return FrameType::Unnumbered;
    return FrameType::Supervisory;
}

bool MonitorFilter::hidesCall(const QString& sender) const {
    const QString call = sender.toUpper();
    if (m_hiddenCalls.contains(call))
        return true;
    const qsizetype dash = call.indexOf(QLatin1Char('-'));
    return dash > 0 && m_hiddenCalls.contains(call.left(dash));
}

bool MonitorFilter::shows(const EngineEvent& event) const {
    if (m_showsEverything)
        return true;
    bool typeShown = true;
    switch (typeOf(event)) {
    case FrameType::NotMonitored:
        return true;
    case FrameType::Information:
        typeShown = m_settings.information;
        break;
    case FrameType::Supervisory:
        typeShown = m_settings.supervisory;
        break;
    case FrameType::Unnumbered:
        typeShown = m_settings.unnumbered;
        break;
    case FrameType::Sent:
        typeShown = m_settings.sent;
        break;
    }
    if (!typeShown)
        return false;
    const int port = event.port;
    if (port >= 0 && port < int(m_hiddenPorts.size()) && m_hiddenPorts.test(size_t(port)))
        return false;
    return m_hiddenCalls.isEmpty() || !hidesCall(event.call);
}
