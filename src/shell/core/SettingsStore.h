#pragma once

#include <QSettings>
#include <QString>

// The per-user store. Every value is text; reads name their default.
class SettingsStore {
public:
    static constexpr auto kCallSign = "UserPacketCallSign";
    static constexpr auto kGeneralCallSign = "UserCallSign";
    static constexpr auto kPortNo = "UserPacketPortNo";
    static constexpr auto kHtmlClear = "UserPacketHTMLClear";
    static constexpr auto kBrowserOnStart = "UserPacketBrowserOnStart";
    static constexpr auto kConference = "UserPacketConference";

    SettingsStore();

    QString value(const QString& key, const QString& defaultValue = {}) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QString& value);

    // Conversions that never fail: anything unusable gives the default.
    int intValue(const QString& key, int defaultValue) const;
    quint8 portValue(const QString& key, quint8 defaultValue) const;

    QString engineHost() const;
    quint16 enginePort() const;
    void setEngineAddress(const QString& host, quint16 port);

    QString fileName() const { return m_settings.fileName(); }
    // Forgets every value; for a fresh start in tests.
    void clearAll() {
        m_settings.clear();
        m_settings.sync();
    }

private:
    QSettings m_settings;
};
