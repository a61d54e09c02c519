#include "Channels.h"

#include "EngineLink.h"
#include "TextRoutines.h"

Channels::Channels(StationState& state, MainWindowView& view, StationTexts& texts,
                   EngineLink& engine)
    : m_state(state), m_view(view), m_texts(texts), m_engine(engine) {
    m_atLineStart.fill(true);
}

void Channels::appendAllTraffic(QString& text) {
    text = expandLineBreaks(text);
    const qsizetype n = text.size();
    // Looks one pair before the end, so a text ending in CR LF still gets one.
    if (n > 3 && !(text[n - 4] == u'\r' && text[n - 3] == u'\n'))
        text += QStringLiteral("\r\n");
    m_texts.append(TextView::AllTraffic, text);
}

void Channels::relayToConference(const QString& text) {
    const QByteArray data = text.toLatin1();
    for (int n = 0; n < ChannelTable::kChannels; ++n) {
        // A channel whose link carries a binary file would take the text into the file.
        if (m_state.channels.isFree(n) || m_state.channels.transferring(n))
            continue;
        m_engine.send(LinkDataCommand{m_state.channels.call(n).toLatin1(), data,
                                      m_state.channels.route(n).port});
    }
}

void Channels::assign(int channel, const QString& call, const LinkRoute& route) {
    m_state.channels.assign(channel, call, route);
    m_view.showChannelCall(channel, call, m_state.linkWords(channel));
}

void Channels::release(int channel) {
    m_state.channels.release(channel);
    m_view.showChannelCall(channel, QString(), QString());
}

void Channels::bringToFront() {
    if (m_state.moveToFront)
        m_view.raiseWithoutFocus();
}

void Channels::appendToView(TextView view, const QString& text) {
    m_texts.append(view, text);
    if (const int n = int(view) - int(TextView::Channel0); n < ChannelTable::kChannels && n >= 0)
        m_atLineStart[n] = text.isEmpty() ? m_atLineStart[n] : text.endsWith(QLatin1Char('\n'));
}

void Channels::appendReceived(int channel, const QString& text, const QString& stamp) {
    appendToView(channelView(channel),
                 stamp.isEmpty() ? text : stampLines(text, stamp, m_atLineStart[channel]));
}

void Channels::appendOwnLine(int channel, const QString& line) {
    const QString own = (m_atLineStart[channel] ? QString() : QStringLiteral("\r\n")) +
                        QStringLiteral("> ") + line + QStringLiteral("\r\n");
    m_texts.appendOwn(channelView(channel), own);
    m_atLineStart[channel] = true;
}
