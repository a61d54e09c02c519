#pragma once

#include "Announcer.h"
#include "FileNotices.h"
#include "MonitorFilter.h"
#include "StationContext.h"

class Registration;

// The Settings menu and its check marks, and the values they keep: in the state, the per-user
// store and PacketSettings.ini.
class MenuActions {
public:
    static constexpr int kMaxZoomSteps = 10; // the store reads no more either

    MenuActions(StationContext& ctx, Announcer& announcer, MonitorFilter& filter,
                Registration& registration, FileNotices& notices)
        : m_ctx(ctx), m_announcer(announcer), m_filter(filter), m_registration(registration),
          m_notices(notices) {}

    // The per-user store's values into the state, the marks after them.
    void readStore();
    void onMenuCheck(MenuCheck item);
    void onZoom(int change);
    void onOperatingChosen(const OperatingOptions& options);
    void onMonitorFilterChosen(const MonitorFilterSettings& filter);
    void onChangeBeaconText();
    void onWeatherPath();
    // True when a new address was stored and handed to the link for its next connection.
    bool onEngineAddress();

    // PacketSettings.ini: created when missing, rewritten whole when short or bad.
    void readSettingsFile();
    void writeSettingsFile();

private:
    void showAnnounceLevel(int level);

    StationContext& m_ctx;
    Announcer& m_announcer;
    MonitorFilter& m_filter;
    Registration& m_registration;
    FileNotices& m_notices;
};
