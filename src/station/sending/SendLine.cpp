#include "SendLine.h"

#include "CallSign.h"
#include "ChannelTable.h"
#include "Channels.h"
#include "ConnectList.h"
#include "ConnectRequest.h"
#include "EnginePorts.h"
#include "TabSelection.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Blanks only, as typed; other white space is part of the text.
QString trimBlanks(const QString& text) {
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}
} // namespace

QString SendLine::whyNotSent(const QString& line) const {
    const StationState& s = m_state;
    if (s.engineLost || !m_engine.isAttached())
        return QStringLiteral("Not sent: no packet engine");
    if (line.startsWith(QLatin1Char(':')) || s.conference != 0 || line.isEmpty())
        return {};
    if (s.selectedCall.isEmpty() ||
        s.selectedCall.compare(ChannelTable::kOpenCaption, Qt::CaseInsensitive) == 0)
        return QStringLiteral("Not sent: no station selected");
    if (s.channels.channelOf(s.selectedCall) == ChannelTable::kNone)
        return QStringLiteral("Not sent: the link to %1 has ended").arg(s.selectedCall);
    return {};
}

bool SendLine::sendCommandLine() {
    const QString line = m_view.sendLineText();
    QString why = whyNotSent(line);
    if (why.isEmpty() && line.startsWith(QLatin1Char(':')))
        why = command(line);
    if (!why.isEmpty()) {
        refuse(why);
        return false;
    }
    if (line.startsWith(QLatin1Char(':')))
        return true;
    if (m_state.conference == 0)
        toSelectedStation(line);
    else
        toConference(line);
    return true;
}

void SendLine::refuse(const QString& why) {
    // Keep the words: the operator can send them once there is somewhere to send them.
    m_beeper.beep();
    m_view.showNotice(why);
    m_notSentShown = true;
}

bool SendLine::onEnter() {
    if (!sendCommandLine())
        return false;
    m_view.setSendLineText(QString());
    return true;
}

QString SendLine::onTextChanged() {
    if (m_notSentShown) {
        m_notSentShown = false;
        m_view.showNotice(QString()); // the operator has taken note and goes on
    }
    const QString text = m_view.sendLineText();
    if (text.size() <= kWrapColumn || !text.endsWith(QLatin1Char(' ')))
        return {};
    m_view.setSendLineText(text.chopped(1));
    if (!sendCommandLine())
        return {};
    m_view.setSendLineText(QString());
    return text.chopped(1);
}

QString SendLine::command(const QString& line) {
    if (line.size() < 2) {
        m_beeper.beep(); // a lone ":" names no command
        return {};
    }
    const QChar letter = line[1].toUpper();
    const QString argument = trimBlanks(line.mid(2));
    StationState& s = m_state;
    if (letter == u'D') {
        m_engine.send(DisconnectCommand{s.selectedCall.toLatin1(), s.portOf(s.selectedCall)});
        m_view.setSelectedCallLabel(s.selectedCall);
    } else if (letter == u'C') {
        return connect(argument);
    } else if (letter == u'U') {
        return unproto(argument);
    }
    return {};
}

QString SendLine::unproto(const QString& text) {
    const QString answer = m_prompts.inputBox(QStringLiteral("To Whom? (CQ, Beacon, etc.)"),
                                              QStringLiteral("To Whom?"), QString());
    QString why;
    const QString to = CallSign::normalized(trimBlanks(answer), &why);
    if (to.isNull())
        return QStringLiteral("Not sent: ") + why;
    if (QString refusal = portRefusal(m_state.radioPort); !refusal.isEmpty())
        return QStringLiteral("Not sent: ") + refusal + QStringLiteral(" (Settings > Port)");
    m_engine.send(UnprotoCommand{to.toLatin1(), text.toLatin1() + '\r', {}, m_state.radioPort});
    return {};
}

QString SendLine::connect(const QString& argument) {
    StationState& s = m_state;
    QString why;
    const std::optional<ConnectRequest> request = ConnectRequest::parse(argument, &why);
    if (!request)
        return QStringLiteral("Not connected: ") + why;
    // The engine cannot address a link from nobody, and would never end it either.
    if (!CallSign::isValid(s.callSign))
        return QStringLiteral("Not connected: this station has no call sign (Settings > Call "
                              "Sign)");
    s.connectTarget = request->call;
    // One channel a station: a second link to it would be found by the same call.
    if (const int held = s.channels.channelOf(s.connectTarget); held != ChannelTable::kNone) {
        m_tabs.select(held);
        const LinkRoute& holding = s.channels.route(held);
        if ((request->port && *request->port != holding.port) ||
            (!request->via.isEmpty() && request->via != holding.via))
            return QStringLiteral("Not connected: %1 is already on channel %2, as %3")
                .arg(s.connectTarget)
                .arg(held + 1)
                .arg(s.linkWords(held));
        return {};
    }
    const LinkRoute route{request->port.value_or(s.radioPort), request->via};
    if (QString refusal = portRefusal(route.port); !refusal.isEmpty())
        return QStringLiteral("Not connected: ") + refusal;
    const QString list = ConnectList::path(s.programDir);
    m_notices.written(list, ConnectList::add(list, request->text()));
    const int x = s.channels.firstFree();
    if (x == ChannelTable::kNone)
        return QStringLiteral("Not connected: all %1 channels are busy")
            .arg(ChannelTable::kChannels);
    m_tabs.select(x);
    m_channels.assign(x, s.connectTarget, route);
    QList<QByteArray> via;
    for (const QString& digi : route.via)
        via.append(digi.toLatin1());
    m_engine.send(ConnectCommand{s.connectTarget.toLatin1(), via, route.port});
    return {};
}

QString SendLine::portRefusal(quint8 port) const {
    const EnginePorts ports = m_engine.ports();
    if (engineOffersPort(ports, port))
        return {};
    return QStringLiteral("the engine has no port %1; it has %2")
        .arg(port)
        .arg(enginePortsInWords(ports));
}

void SendLine::toSelectedStation(const QString& line) {
    StationState& s = m_state;
    if (s.selectedCall.isEmpty() ||
        s.selectedCall.compare(ChannelTable::kOpenCaption, Qt::CaseInsensitive) == 0)
        return;
    sendOnLink(s.selectedCall, line.toLatin1() + '\r');
    if (const int n = s.channels.channelOf(s.selectedCall);
        s.operating.showMyLines && n != ChannelTable::kNone)
        m_channels.appendOwnLine(n, QString::fromLatin1(line.toLatin1())); // as it went out
    if (s.conferenceTurn.take(s.callSign)) {
        echo(QStringLiteral("de ") + s.callSign + QStringLiteral(": ") + line + kCrLf);
    } else {
        echo(line + kCrLf);
    }
}

void SendLine::toConference(const QString& line) {
    StationState& s = m_state;
    const bool header = s.conferenceTurn.take(s.callSign);
    const QString text =
        header ? QStringLiteral("de ") + s.callSign + QStringLiteral(": ") + line : line;
    m_channels.relayToConference(text);
    echo(header ? kCrLf + text + kCrLf : line);
}

void SendLine::echo(const QString& text) {
    m_channels.appendToView(TextView::Conf, text);
}

void SendLine::sendOnLink(const QString& call, const QByteArray& data) {
    if (m_state.channels.transferringTo(call)) {
        QByteArray& held = m_held[call.toUpper()];
        if (held.size() + data.size() > kMaxHeldBytes) {
            m_beeper.beep();
            m_view.showNotice(QStringLiteral("Not sent: a file transfer holds the link to %1, and "
                                             "enough text already waits for it")
                                  .arg(call));
            return;
        }
        held += data;
        m_view.showNotice(
            QStringLiteral("Your text to %1 waits until the file transfer ends").arg(call));
        return;
    }
    m_engine.send(LinkDataCommand{call.toLatin1(), data, m_state.portOf(call)});
}

void SendLine::releaseHeld(const QString& call) {
    const QByteArray held = m_held.take(call.toUpper());
    if (!held.isEmpty() && m_state.channels.channelOf(call) != ChannelTable::kNone)
        sendOnLink(call, held);
}

void SendLine::sendKeepAlive() {
    m_state.idle.activity();
    // A CR would land inside the file.
    if (m_state.selectedCall.isEmpty() || m_state.channels.transferringTo(m_state.selectedCall))
        return;
    sendOnLink(m_state.selectedCall, QByteArray("\r"));
}
