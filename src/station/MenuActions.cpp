#include "MenuActions.h"

#include "Registration.h"
#include "SettingsFile.h"

#include <QFileInfo>

void MenuActions::readStore() {
    StationState& s = m_ctx.state;
    SettingsStore& store = m_ctx.store;
    s.callSign = store.callSign();
    s.radioPort = store.radioPort();
    s.clearHtmlData = store.clearHtmlData();
    s.browserOnStart = store.browserOnStart();
    s.logSessions = store.logSessions();
    s.operating = store.operating();
    s.receiving = store.receiveOptions();
    m_filter = MonitorFilter(store.monitorFilter());
    s.textZoom = store.textZoom();
    m_ctx.view.setTextZoom(s.textZoom);
    showAnnounceLevel(store.announce());
    m_ctx.view.setMenuChecked(MenuCheck::ClearHtmlData, s.clearHtmlData);
    m_ctx.view.setMenuChecked(MenuCheck::DisplayBrowserOnStart, s.browserOnStart);
    m_ctx.view.setMenuChecked(MenuCheck::MoveToFront, s.moveToFront);
    m_ctx.view.setMenuChecked(MenuCheck::BeaconOn, s.beaconOn);
    m_ctx.view.setMenuChecked(MenuCheck::WeatherDataOn, s.weatherOn);
    m_ctx.view.setMenuChecked(MenuCheck::LogSessions, s.logSessions);
}

void MenuActions::onMenuCheck(MenuCheck item) {
    StationState& s = m_ctx.state;
    auto flip = [this, item](bool& flag) {
        flag = !flag;
        m_ctx.view.setMenuChecked(item, flag);
        return flag;
    };
    switch (item) {
    case MenuCheck::ClearHtmlData:
        m_ctx.store.setClearHtmlData(flip(s.clearHtmlData));
        break;
    case MenuCheck::DisplayBrowserOnStart:
        m_ctx.store.setBrowserOnStart(flip(s.browserOnStart));
        break;
    case MenuCheck::MoveToFront:
        flip(s.moveToFront);
        break;
    case MenuCheck::BeaconOn:
        flip(s.beaconOn);
        writeSettingsFile();
        break;
    case MenuCheck::WeatherDataOn:
        flip(s.weatherOn);
        writeSettingsFile();
        break;
    case MenuCheck::LogSessions:
        m_ctx.store.setLogSessions(flip(s.logSessions));
        break;
    case MenuCheck::AnnounceOff:
    case MenuCheck::AnnounceConnects:
    case MenuCheck::AnnounceLines:
        showAnnounceLevel(int(item) - int(MenuCheck::AnnounceOff));
        m_ctx.store.setAnnounce(m_announcer.level());
        break;
    }
}

void MenuActions::showAnnounceLevel(int level) {
    m_announcer.setLevel(level);
    for (int n = Announcer::Off; n <= Announcer::ChannelLines; ++n)
        m_ctx.view.setMenuChecked(MenuCheck(int(MenuCheck::AnnounceOff) + n),
                                  n == m_announcer.level());
}

void MenuActions::onZoom(int change) {
    int& zoom = m_ctx.state.textZoom;
    zoom = change == 0 ? 0 : qBound(-kMaxZoomSteps, zoom + change, kMaxZoomSteps);
    m_ctx.view.setTextZoom(zoom);
    m_ctx.store.setTextZoom(zoom);
}

void MenuActions::onOperatingChosen(const OperatingOptions& options) {
    m_ctx.state.operating = options;
    m_ctx.store.setOperating(options);
}

void MenuActions::onMonitorFilterChosen(const MonitorFilterSettings& filter) {
    m_filter = MonitorFilter(filter);
    m_ctx.store.setMonitorFilter(m_filter.settings());
}

void MenuActions::onChangeBeaconText() {
    if (const std::optional<QString> text =
            m_ctx.prompts.enterData(m_ctx.state.beaconText, QString()))
        m_ctx.state.beaconText = *text;
    writeSettingsFile();
}

void MenuActions::onWeatherPath() {
    // Browse starts from the program folder, where a relative path is found.
    if (const std::optional<QString> path =
            m_ctx.prompts.enterData(m_ctx.state.weatherPath, m_ctx.state.programDir))
        m_ctx.state.weatherPath = *path;
    writeSettingsFile();
}

bool MenuActions::onEngineAddress() {
    const QString answer =
        m_ctx.prompts
            .inputBox(QStringLiteral("Address of the packet engine: host:port for an AGW engine; "
                                     "kiss host:port or kiss DEVICE BAUD for a KISS TNC:"),
                      QStringLiteral("Engine Address"), m_ctx.store.engineAddress().text())
            .trimmed();
    const std::optional<EngineAddress> address = EngineAddress::parse(answer);
    if (!address)
        return false;
    m_ctx.store.setEngineAddress(*address);
    m_ctx.engine.setAddress(m_ctx.store.engineAddress());
    m_registration.addressChanged();
    return true;
}

void MenuActions::readSettingsFile() {
    StationState& s = m_ctx.state;
    const SettingsFile::Loaded loaded =
        SettingsFile::load(s.programDir, {s.beaconOn, s.beaconText, s.weatherOn, s.weatherPath});
    const QString path = SettingsFile::path(s.programDir);
    if (loaded.refused)
        m_notices.refused(path);
    s.beaconOn = loaded.values.beaconOn;
    s.beaconText = loaded.values.beaconText;
    s.weatherOn = loaded.values.weatherOn;
    s.weatherPath = loaded.values.weatherPath;
    m_ctx.view.setMenuChecked(MenuCheck::BeaconOn, s.beaconOn);
    m_ctx.view.setMenuChecked(MenuCheck::WeatherDataOn, s.weatherOn);
    const QString name = QFileInfo(path).fileName();
    if (loaded.keptBad || loaded.badNotKept)
        m_ctx.view.showNotice(loaded.keptBad ? QStringLiteral("%1 could not be read; kept as "
                                                              "%1.bad and written anew")
                                                   .arg(name)
                                             : QStringLiteral("%1 could not be read and is "
                                                              "written anew; %1.bad could not "
                                                              "be written")
                                                   .arg(name));
    if (loaded.written)
        m_notices.written(path, !loaded.writeFailed);
}

void MenuActions::writeSettingsFile() {
    const StationState& s = m_ctx.state;
    m_notices.written(
        SettingsFile::path(s.programDir),
        SettingsFile::save(s.programDir, {s.beaconOn, s.beaconText, s.weatherOn, s.weatherPath}));
}
