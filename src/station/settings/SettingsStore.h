#pragma once

#include "EngineAddress.h"
#include "KissParameters.h"
#include "MonitorFilterSettings.h"
#include "OperatingOptions.h"

#include <QSettings>
#include <QString>

#include <optional>
#include <utility>

// The per-user store: typed values with their defaults. Every value is kept as text; anything
// unusable reads as the default.
class SettingsStore {
public:
    static constexpr auto kCallSign = "UserPacketCallSign";
    static constexpr auto kGeneralCallSign = "UserCallSign";
    static constexpr auto kPortNo = "UserPacketPortNo";
    static constexpr auto kHtmlClear = "UserPacketHTMLClear";
    static constexpr auto kBrowserOnStart = "UserPacketBrowserOnStart";
    static constexpr auto kConference = "UserPacketConference";
    static constexpr auto kLogSessions = "LogSessions";

    // A value longer than this is not one of ours: it is dropped from the store when read.
    static constexpr qsizetype kMaxValueChars = 64 * 1024;

    SettingsStore();
    // Drops the values past that size and names their keys (with their section).
    QStringList dropOversizedValues();

    QString callSign() const { return value(kCallSign); }
    void setCallSign(const QString& call) { setValue(kCallSign, call); }
    // The call sign other programs of the same maker keep; read only.
    QString generalCallSign() const { return value(kGeneralCallSign); }
    quint8 radioPort() const;
    void setRadioPort(quint8 port) { setValue(kPortNo, QString::number(port)); }
    // "Clear Data on New Page", on unless stored otherwise.
    bool clearHtmlData() const { return intValue(kHtmlClear, 1) == 1; }
    void setClearHtmlData(bool on) { setFlag(kHtmlClear, on); }
    bool browserOnStart() const { return intValue(kBrowserOnStart, 0) == 1; }
    void setBrowserOnStart(bool on) { setFlag(kBrowserOnStart, on); }
    // The conference box: 0 or 1, anything else reads 0.
    int conference() const;
    void setConference(bool on) { setFlag(kConference, on); }
    // Settings > Log Sessions, off unless stored as 1.
    bool logSessions() const { return intValue(kLogSessions, 0) == 1; }
    void setLogSessions(bool on) { setFlag(kLogSessions, on); }

    // The stored text under a key of section Settings, as it stands in the file.
    QString value(const QString& key, const QString& defaultValue = {}) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QString& value);

    // Section Accessibility: what is announced (0 off, 1 connects and notices, 2 also channel
    // lines; anything else reads 2) and the views' text size in steps from the designed one.
    int announce() const;
    void setAnnounce(int level);
    int textZoom() const;
    void setTextZoom(int steps);

    // Section Engine: Protocol AGW (the default) or KISS; Host and Port for AGW; KissHost and
    // KissPort, or KissDevice and KissBaud, for KISS; each kind keeps its own while the other is
    // in use. TxDelay, Persistence and SlotTime (0 to 255) and KissInit for the TNC.
    QString engineHost() const;
    quint16 enginePort() const;
    EngineAddress engineAddress() const;
    void setEngineAddress(const EngineAddress& address);
    KissParameters kissParameters() const;

    // Section Files: AutoAccept 1 takes offered files unasked; MaxReceive in bytes (from 1).
    ReceiveOptions receiveOptions() const;

    // Section MonitorFilter; nothing stored shows every frame.
    MonitorFilterSettings monitorFilter() const;
    void setMonitorFilter(const MonitorFilterSettings& filter);

    // Section Operating: the flags read 1 only when stored as 1, Notifications 0 to 2 (else 1).
    OperatingOptions operating() const;
    void setOperating(const OperatingOptions& options);

    QString fileName() const { return m_settings.fileName(); }
    // Forgets every value; for a fresh start in tests.
    void clearAll() {
        m_settings.clear();
        m_settings.sync();
    }

private:
    int intValue(const QString& key, int defaultValue) const;
    int engineNumber(const char* key, int otherwise) const; // outside the Settings section
    void setFlag(const QString& key, bool on) {
        setValue(key, on ? QStringLiteral("1") : QStringLiteral("0"));
    }

    QSettings m_settings;
};
