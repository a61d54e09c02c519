#include "SettingsStore.h"

namespace {
constexpr auto kSection = "Settings/";
constexpr auto kEngineHost = "Engine/Host";
constexpr auto kEnginePort = "Engine/Port";
constexpr auto kDefaultHost = "127.0.0.1";
constexpr quint16 kDefaultEnginePort = 8000;
constexpr auto kProtocol = "Engine/Protocol";
constexpr auto kKissHost = "Engine/KissHost";
constexpr auto kKissPort = "Engine/KissPort";
constexpr auto kKissDevice = "Engine/KissDevice";
constexpr auto kKissBaud = "Engine/KissBaud";
constexpr auto kTxDelay = "Engine/TxDelay";
constexpr auto kPersistence = "Engine/Persistence";
constexpr auto kSlotTime = "Engine/SlotTime";
constexpr auto kMaxFrame = "Engine/MaxFrame";
constexpr auto kRetry = "Engine/Retry";
constexpr auto kFrack = "Engine/Frack";
constexpr auto kPaclen = "Engine/Paclen";
constexpr auto kAirBaud = "Engine/AirBaud";
constexpr auto kKissInit = "Engine/KissInit";
constexpr auto kAnnounce = "Accessibility/Announce";
constexpr auto kTextZoom = "Accessibility/Zoom";
constexpr int kMaxZoomSteps = 10;
constexpr auto kFilterInformation = "MonitorFilter/Information";
constexpr auto kFilterSupervisory = "MonitorFilter/Supervisory";
constexpr auto kFilterUnnumbered = "MonitorFilter/Unnumbered";
constexpr auto kFilterSent = "MonitorFilter/Sent";
constexpr auto kFilterHiddenPorts = "MonitorFilter/HiddenPorts";
constexpr auto kFilterHiddenCalls = "MonitorFilter/HiddenCalls";
constexpr auto kShowMyLines = "Operating/ShowMyLines";
constexpr auto kKeepSendTarget = "Operating/KeepSendTarget";
constexpr auto kTimeStamps = "Operating/TimeStamps";
constexpr auto kNotifications = "Operating/Notifications";

// A value typed by hand with commas in it reads back as a list; it is the same text.
QString text(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Wexlo_Software")) {}

QStringList SettingsStore::dropOversizedValues() {
    m_settings.sync(); // as the file stands now
    QStringList dropped;
    // Every save writes the whole store: one huge value would stall each of them.
    for (const QString& key : m_settings.allKeys()) {
        if (text(m_settings.value(key)).size() > kMaxValueChars) {
            m_settings.remove(key);
            dropped.append(key);
        }
    }
    if (!dropped.isEmpty())
        m_settings.sync();
    return dropped;
}

QString SettingsStore::value(const QString& key, const QString& defaultValue) const {
    return text(m_settings.value(kSection + key, defaultValue));
}

bool SettingsStore::contains(const QString& key) const {
    return m_settings.contains(kSection + key);
}

void SettingsStore::setValue(const QString& key, const QString& value) {
    m_settings.setValue(kSection + key, value);
    m_settings.sync();
}

int SettingsStore::intValue(const QString& key, int defaultValue) const {
    bool ok = false;
    const int v = value(key).trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

quint8 SettingsStore::radioPort() const {
    const int v = intValue(kPortNo, 0);
    return v >= 0 && v <= 255 ? static_cast<quint8>(v) : 0;
}

int SettingsStore::conference() const {
    const int v = intValue(kConference, 0);
    return v == 1 ? 1 : 0; // the box knows no other values
}

int SettingsStore::announce() const {
    bool ok = false;
    const int v = m_settings.value(QLatin1String(kAnnounce)).toString().trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 2 ? v : 2;
}

void SettingsStore::setAnnounce(int level) {
    m_settings.setValue(QLatin1String(kAnnounce), QString::number(level));
    m_settings.sync();
}

int SettingsStore::textZoom() const {
    const int v = m_settings.value(QLatin1String(kTextZoom)).toString().trimmed().toInt();
    return qBound(-kMaxZoomSteps, v, kMaxZoomSteps);
}

void SettingsStore::setTextZoom(int steps) {
    m_settings.setValue(QLatin1String(kTextZoom), QString::number(steps));
    m_settings.sync();
}

QString SettingsStore::engineHost() const {
    const QString host = text(m_settings.value(kEngineHost)).trimmed();
    return host.isEmpty() ? QString::fromLatin1(kDefaultHost) : host;
}

quint16 SettingsStore::enginePort() const {
    bool ok = false;
    const int v = text(m_settings.value(kEnginePort)).trimmed().toInt(&ok);
    return ok && v > 0 && v <= 65535 ? static_cast<quint16>(v) : kDefaultEnginePort;
}

int SettingsStore::engineNumber(const char* key, int otherwise) const {
    bool ok = false;
    const int v = text(m_settings.value(QLatin1String(key))).trimmed().toInt(&ok);
    return ok ? v : otherwise;
}

EngineAddress SettingsStore::engineAddress() const {
    EngineAddress address;
    if (text(m_settings.value(kProtocol))
            .trimmed()
            .compare(QLatin1String("KISS"), Qt::CaseInsensitive) != 0) {
        address.host = engineHost();
        address.port = enginePort();
        return address;
    }
    address.protocol = EngineAddress::Protocol::Kiss;
    const QString host = text(m_settings.value(kKissHost)).trimmed();
    address.host = host.isEmpty() ? QString::fromLatin1(kDefaultHost) : host;
    const int port = engineNumber(kKissPort, 0);
    address.port = port > 0 && port <= 65535 ? quint16(port) : EngineAddress::kDefaultKissPort;
    address.device = text(m_settings.value(kKissDevice)).trimmed();
    const int baud = engineNumber(kKissBaud, 0);
    address.baud = baud >= 300 && baud <= 921600 ? baud : EngineAddress::kDefaultBaud;
    return address;
}

void SettingsStore::setEngineAddress(const EngineAddress& address) {
    const bool kiss = address.protocol == EngineAddress::Protocol::Kiss;
    m_settings.setValue(kProtocol, kiss ? QStringLiteral("KISS") : QStringLiteral("AGW"));
    if (!kiss) {
        m_settings.setValue(kEngineHost, address.host);
        m_settings.setValue(kEnginePort, QString::number(address.port));
    } else if (address.isSerial()) {
        m_settings.setValue(kKissDevice, address.device);
        m_settings.setValue(kKissBaud, QString::number(address.baud));
    } else {
        m_settings.setValue(kKissDevice, QString());
        m_settings.setValue(kKissHost, address.host);
        m_settings.setValue(kKissPort, QString::number(address.port));
    }
    m_settings.sync();
}

KissParameters SettingsStore::kissParameters() const {
    KissParameters p;
    const auto byte = [this](const char* key, quint8 otherwise) {
        const int v = engineNumber(key, otherwise);
        return v >= 0 && v <= 255 ? quint8(v) : otherwise;
    };
    p.txDelay = byte(kTxDelay, p.txDelay);
    p.persistence = byte(kPersistence, p.persistence);
    p.slotTime = byte(kSlotTime, p.slotTime);
    // Out of range is the default, as for the bytes above.
    const auto within = [this](const char* key, int low, int high, int otherwise) {
        const int v = engineNumber(key, otherwise);
        return v >= low && v <= high ? v : otherwise;
    };
    Ax25LinkParameters& link = p.link;
    link.maxFrame = within(kMaxFrame, 1, 7, link.maxFrame);
    link.retry = within(kRetry, 1, 100, link.retry);
    link.frackMs = 1000 * within(kFrack, 1, 60, link.frackMs / 1000);
    link.paclen = within(kPaclen, 1, 256, link.paclen);
    link.bitsPerSecond = within(kAirBaud, 0, 1000000, link.bitsPerSecond);
    link.txDelayMs = 10 * p.txDelay;
    p.init = text(m_settings.value(kKissInit));
    return p;
}

ReceiveOptions SettingsStore::receiveOptions() const {
    ReceiveOptions options;
    options.autoAccept = engineNumber("Files/AutoAccept", 0) == 1;
    if (const int most = engineNumber("Files/MaxReceive", 0); most > 0)
        options.maxBytes = most;
    return options;
}

MonitorFilterSettings SettingsStore::monitorFilter() const {
    // Only a stored 0 hides a kind of frame: anything unreadable shows it.
    const auto shown = [this](const char* key) {
        return m_settings.value(QLatin1String(key)).toString().trimmed() != QLatin1String("0");
    };
    MonitorFilterSettings filter;
    filter.information = shown(kFilterInformation);
    filter.supervisory = shown(kFilterSupervisory);
    filter.unnumbered = shown(kFilterUnnumbered);
    filter.sent = shown(kFilterSent);
    filter.hiddenPorts = MonitorFilterSettings::portsFromText(
        text(m_settings.value(QLatin1String(kFilterHiddenPorts))));
    filter.hiddenCalls = MonitorFilterSettings::callsFromText(
        text(m_settings.value(QLatin1String(kFilterHiddenCalls))));
    return filter;
}

void SettingsStore::setMonitorFilter(const MonitorFilterSettings& filter) {
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    m_settings.setValue(QLatin1String(kFilterInformation), flag(filter.information));
    m_settings.setValue(QLatin1String(kFilterSupervisory), flag(filter.supervisory));
    m_settings.setValue(QLatin1String(kFilterUnnumbered), flag(filter.unnumbered));
    m_settings.setValue(QLatin1String(kFilterSent), flag(filter.sent));
    m_settings.setValue(QLatin1String(kFilterHiddenPorts),
                        MonitorFilterSettings::portsText(filter.hiddenPorts));
    m_settings.setValue(QLatin1String(kFilterHiddenCalls),
                        MonitorFilterSettings::callsText(filter.hiddenCalls));
    m_settings.sync();
}

OperatingOptions SettingsStore::operating() const {
    const auto number = [this](const char* key, int lowest, int highest, int defaultValue) {
        bool ok = false;
        const int v = text(m_settings.value(QLatin1String(key))).trimmed().toInt(&ok);
        return ok && v >= lowest && v <= highest ? v : defaultValue;
    };
    OperatingOptions options;
    options.showMyLines = number(kShowMyLines, 1, 1, 0) == 1;
    options.keepSendTarget = number(kKeepSendTarget, 1, 1, 0) == 1;
    options.timeStamps = number(kTimeStamps, 1, 1, 0) == 1;
    options.notifications = number(kNotifications, OperatingOptions::NotifyOff,
                                   OperatingOptions::NotifyLines, OperatingOptions::NotifyConnects);
    return options;
}

void SettingsStore::setOperating(const OperatingOptions& options) {
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    m_settings.setValue(QLatin1String(kShowMyLines), flag(options.showMyLines));
    m_settings.setValue(QLatin1String(kKeepSendTarget), flag(options.keepSendTarget));
    m_settings.setValue(QLatin1String(kTimeStamps), flag(options.timeStamps));
    m_settings.setValue(QLatin1String(kNotifications), QString::number(options.notifications));
    m_settings.sync();
}
