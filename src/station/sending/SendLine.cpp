#include "SendLine.h"

#include "ChannelTable.h"
#include "Channels.h"
#include "ConnectList.h"
#include "EngineLink.h"
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
    if (const QString why = whyNotSent(line); !why.isEmpty()) {
        // Keep the words: the operator can send them once there is somewhere to send them.
        m_beeper.beep();
        m_view.showNotice(why);
        m_notSentShown = true;
        return false;
    }
    if (line.startsWith(QLatin1Char(':')))
        command(line);
    else if (m_state.conference == 0)
        toSelectedStation(line);
    else
        toConference(line);
    return true;
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

void SendLine::command(const QString& line) {
    if (line.size() < 2) {
        m_beeper.beep(); // a lone ":" names no command
        return;
    }
    const QChar letter = line[1].toUpper();
    const QString argument = trimBlanks(line.mid(2));
    StationState& s = m_state;
    if (letter == u'D') {
        put(s.selectedCall, QByteArray(), Kind::Disconnect);
        m_view.setSelectedCallLabel(s.selectedCall);
    } else if (letter == u'C') {
        connect(argument);
    } else if (letter == u'U') {
        QString to;
        to = m_prompts.inputBox(QStringLiteral("To Whom? (CQ, Beacon, etc.)"),
                                QStringLiteral("To Whom?"), QString());
        put(to, argument.toLatin1() + '\r', Kind::Unproto);
    }
}

void SendLine::connect(const QString& argument) {
    StationState& s = m_state;
    s.connectTarget = argument.toUpper();
    // A station already on a channel is worked there: a second link to it would be the same.
    if (const int held =
            s.connectTarget.isEmpty() ? ChannelTable::kNone : s.channels.channelOf(s.connectTarget);
        held != ChannelTable::kNone) {
        m_tabs.select(held);
        return;
    }
    const int x = s.channels.firstFree();
    if (x != ChannelTable::kNone) {
        m_tabs.select(x);
        m_channels.assign(x, s.connectTarget);
        put(s.connectTarget, QByteArray(), Kind::ConnectRequest);
        put(s.connectTarget, QByteArray(), Kind::ConnectCompanion);
    }
    const QString list = ConnectList::path(s.programDir);
    m_notices.written(list, ConnectList::add(list, s.connectTarget));
}

void SendLine::toSelectedStation(const QString& line) {
    StationState& s = m_state;
    if (s.selectedCall.isEmpty() ||
        s.selectedCall.compare(ChannelTable::kOpenCaption, Qt::CaseInsensitive) == 0)
        return;
    put(s.selectedCall, line.toLatin1() + '\r', Kind::ConnectedData);
    if (const int n = s.channels.channelOf(s.selectedCall);
        s.operating.showMyLines && n != ChannelTable::kNone)
        m_channels.appendOwnLine(n, QString::fromLatin1(line.toLatin1())); // as it went out
    if (s.lastSpeaker.compare(s.callSign, Qt::CaseInsensitive) != 0) {
        echo(QStringLiteral("de ") + s.callSign + QStringLiteral(": ") + line + kCrLf);
        s.lastSpeaker = s.callSign;
    } else {
        echo(line + kCrLf);
    }
}

void SendLine::toConference(const QString& line) {
    StationState& s = m_state;
    const bool header = s.lastSpeaker.compare(s.callSign, Qt::CaseInsensitive) != 0;
    const QString text =
        header ? QStringLiteral("de ") + s.callSign + QStringLiteral(": ") + line : line;
    m_channels.relayToConference(text);
    echo(header ? kCrLf + text + kCrLf : line);
    if (header)
        s.lastSpeaker = s.callSign;
}

void SendLine::echo(const QString& text) {
    m_channels.appendToView(TextView::Conf, text);
}

void SendLine::put(const QString& destination, const QByteArray& data, int kind) {
    m_engine.putData(destination.toLatin1(), data, kind, int(data.size()), m_state.radioPort);
}

void SendLine::sendKeepAlive() {
    m_state.idleTicks = 0;
    if (m_state.selectedCall.isEmpty())
        return;
    put(m_state.selectedCall, QByteArray("\r"), Kind::ConnectedData);
}
