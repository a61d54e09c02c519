#include "Conference.h"

#include "EngineLink.h"

namespace Conference {

QString welcomeText(const StationState& s, const QString& call) {
    if (call.compare(s.connectTarget, Qt::CaseInsensitive) == 0)
        return {};
    QString text =
        QStringLiteral("Welcome to ") + s.callSign + QStringLiteral("'s Packet Station!\r\n");
    if (s.conference == 1) {
        text +=
            QStringLiteral("You are currently in conference with the following station(s):\r\n");
        text += s.callSign + QLatin1Char(' ');
        for (int n = 0; n < ChannelTable::kChannels; ++n) {
            if (!s.channels.isFree(n))
                text += s.channels.call(n) + QLatin1Char(' ');
        }
        text += QLatin1Char('\r');
    }
    return text;
}

void sendWelcome(const StationState& state, EngineLink& engine, const QString& call) {
    const QString text = welcomeText(state, call);
    if (text.isEmpty() || state.channels.transferringTo(call))
        return;
    engine.send(LinkDataCommand{call.toLatin1(), text.toLatin1(), state.portOf(call)});
}

QString announcement(const QString& callSign, int conference) {
    return callSign + (conference == 0 ? QStringLiteral(" conference has been disabled.")
                                       : QStringLiteral(" conference has been enabled."));
}

} // namespace Conference
