#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Which monitored frames the All Traffic views show, as the operator chose and the per-user
// store keeps it. The default shows everything.
struct MonitorFilterSettings {
    static constexpr int kMaxCalls = 200;
    static constexpr int kMaxCallLength = 12;

    bool information = true;
    bool supervisory = true;
    bool unnumbered = true;
    bool sent = true;        // frames the engine transmitted for this station
    QList<int> hiddenPorts;  // counted from 0, as Settings > Port counts them; sorted
    QStringList hiddenCalls; // upper case; a call without SSID stands for all its SSIDs

    bool operator==(const MonitorFilterSettings&) const = default;
    bool showsEverything() const { return *this == MonitorFilterSettings(); }

    // The lists as the operator types them and the store keeps them: separated by blanks or
    // commas. What is not a port or a call is left out.
    static QList<int> portsFromText(const QString& text);
    static QStringList callsFromText(const QString& text);
    static QString portsText(const QList<int>& ports);
    static QString callsText(const QStringList& calls) { return calls.join(QLatin1Char(' ')); }
};
