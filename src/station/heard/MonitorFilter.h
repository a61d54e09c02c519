#pragma once

#include "EngineEvent.h"
#include "MonitorFilterSettings.h"

#include <QSet>
#include <QString>
#include <QStringView>
#include <bitset>

// Decides which monitored frames the All Traffic views show. Other events (the engine's connect
// and disconnect notices) always show.
class MonitorFilter {
public:
    enum class FrameType { Information, Supervisory, Unnumbered, Sent, NotMonitored };

    MonitorFilter() = default;
    explicit MonitorFilter(const MonitorFilterSettings& settings);

    const MonitorFilterSettings& settings() const { return m_settings; }
    bool shows(const EngineEvent& event) const;

    static FrameType typeOf(const EngineEvent& event);

private:
    bool hidesCall(const QString& sender) const;

    MonitorFilterSettings m_settings;
    bool m_showsEverything = true;
    std::bitset<256> m_hiddenPorts;
    QSet<QString> m_hiddenCalls;
};
