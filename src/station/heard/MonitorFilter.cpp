#include "MonitorFilter.h"

#include "MonitorHeader.h"

MonitorFilter::MonitorFilter(const MonitorFilterSettings& settings)
    : m_settings(settings), m_showsEverything(settings.showsEverything()) {
    for (int port : settings.hiddenPorts)
        if (port >= 0 && port < int(m_hiddenPorts.size()))
            m_hiddenPorts.set(size_t(port));
    for (const QString& call : settings.hiddenCalls)
        m_hiddenCalls.insert(call.toUpper());
}

MonitorFilter::FrameType MonitorFilter::typeOf(int kind, QStringView data) {
    switch (kind) {
    case 'T':
        return FrameType::Sent;
    case 'I':
        return FrameType::Information;
    case 'U':
        return FrameType::Unnumbered;
    case 'S': {
        // The engine sends every other frame as 'S': links being set up and ended too.
        const QStringView control = parseMonitorHeader(data).control;
        for (const char* name : {"SABM", "SABME", "UA", "DISC", "DM", "FRMR", "XID", "TEST", "UI"})
            if (control == QLatin1String(name))
                return FrameType::Unnumbered;
        return FrameType::Supervisory;
    }
    default:
        return FrameType::NotMonitored;
    }
}

bool MonitorFilter::hidesCall(const QString& sender) const {
    const QString call = sender.toUpper();
    if (m_hiddenCalls.contains(call))
        return true;
    const qsizetype dash = call.indexOf(QLatin1Char('-'));
    return dash > 0 && m_hiddenCalls.contains(call.left(dash));
}

bool MonitorFilter::shows(int kind, int port, const QString& sender, QStringView data) const {
    if (m_showsEverything)
        return true;
    bool typeShown = true;
    switch (typeOf(kind, data)) {
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
    if (port >= 0 && port < int(m_hiddenPorts.size()) && m_hiddenPorts.test(size_t(port)))
        return false;
    return m_hiddenCalls.isEmpty() || !hidesCall(sender);
}
