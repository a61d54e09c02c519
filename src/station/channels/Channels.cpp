#include "Channels.h"

#include "EngineLink.h"
#include "TextRoutines.h"

Channels::Channels(StationContext& ctx)
    : m_ctx(ctx), m_allTraffic(ctx.view, TextView::AllTraffic),
      m_allTrafficMirror(ctx.view, TextView::AllTrafficMirror) {}

void Channels::appendAllTraffic(QString& text) {
    text = expandLineBreaks(text);
    const qsizetype n = text.size();
    // Looks one pair before the end, so a text ending in CR LF still gets one.
    if (n > 3 && text.mid(n - 4, 2) != QLatin1String("\r\n"))
        text += QStringLiteral("\r\n");
    m_allTraffic.append(text);
    m_allTrafficMirror.append(text);
    if (m_allTraffic.text().size() > 4)
        m_ctx.view.setCaretBeforeEnd(TextView::AllTraffic, 3);
    m_ctx.view.moveCaretToEnd(TextView::AllTrafficMirror);
}

void Channels::relayToConference(const QString& text) {
    const QByteArray data = text.toLatin1();
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        if (m_ctx.state.channels.isFree(n))
            continue;
        m_ctx.engine.putData(m_ctx.state.channels.call(n).toLatin1(), data, Kind::ConnectedData,
                             int(data.size()), m_ctx.state.radioPort);
    }
}

void Channels::assign(int channel, const QString& call) {
    m_ctx.state.channels.assign(channel, call);
    m_ctx.view.showChannelCall(channel, call);
}

void Channels::release(int channel) {
    m_ctx.state.channels.release(channel);
    m_ctx.view.showChannelCall(channel, QString());
}

void Channels::bringToFront() {
    if (m_ctx.state.moveToFront)
        m_ctx.view.bringToFront();
}

void Channels::appendToView(TextView view, const QString& text) {
    m_ctx.view.appendText(view, text);
    m_ctx.view.moveCaretToEnd(view);
}
