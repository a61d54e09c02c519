#include "Registration.h"

#include "Announcer.h"
#include "CallSign.h"
#include "EnginePorts.h"

#include <cmath>

void Registration::connectToEngine() {
    m_attaching = false; // a registration of its own replaces any attach under way
    if (m_ctx.state.callSign.isEmpty())
        callSignAction();

    const QByteArray call = m_ctx.state.callSign.toLatin1();
    const qint16 result = m_ctx.engine.startPoll(call, QByteArray(kAppName));
    if (result == 0) {
        showStatus(QStringLiteral("no answer"));
        // Where it looked and why it failed, so a first start can be mended without a manual.
        const QString why = m_ctx.engine.lastError();
        m_ctx.prompts.messageBox(
            QString::fromLatin1(kFailureText) +
                QStringLiteral("\n\nTried %1%2.\nThe address is set in Settings > Engine Address.")
                    .arg(m_ctx.engine.address(),
                         why.isEmpty() ? QString() : QStringLiteral(": ") + why),
            QString::fromLatin1(kMessageTitle));
        m_ctx.view.setRetryButtonVisible(true);
        return;
    }
    m_ctx.pollTimer.start();
    m_ctx.view.setRetryButtonVisible(false);
    m_registered = true;
    m_ctx.state.engineLost = false;
    m_retryMs = kFirstRetryMs;
    showStatus(QStringLiteral("registered as ") + m_ctx.state.callSign);
}

void Registration::callSignAction(const QString& shown) {
    const QString prompt = QString::fromLatin1(kCallSignPrompt);
    QString offered = shown.isNull() ? m_ctx.state.callSign.toUpper() : shown;
    QString call;
    while (call.isNull()) {
        const QString answer = m_ctx.prompts.inputBox(prompt, prompt, offered).toUpper();
        if (answer.isEmpty())
            return;
        QString why;
        call = CallSign::normalized(answer.trimmed(), &why);
        if (call.isNull()) {
            // Asked again with the answer to mend: the engine would take anything and the air
            // would carry it.
            m_ctx.beeper.beep();
            m_ctx.view.showNotice(QStringLiteral("Call sign not changed: ") + why);
            offered = answer;
        }
    }
    m_ctx.engine.close();
    m_ctx.state.callSign = call;
    m_ctx.store.setCallSign(call);
    connectToEngine();
}

void Registration::watchLink() {
    watchPorts();
    StationState& s = m_ctx.state;
    if (!m_registered || (!s.engineLost && m_ctx.engine.isAttached()))
        return;
    // Only a lost link needs the time: local time costs more than the rest of a tick.
    const QDateTime now = m_ctx.clock.now();
    if (!s.engineLost) {
        s.engineLost = true;
        m_retryMs = kFirstRetryMs;
        m_nextAttempt = now.addMSecs(m_retryMs);
        m_ctx.view.setRetryButtonVisible(true);
        showStatus(QStringLiteral("connection lost, trying again"));
        // Said once, in words; each retry only changes the status line.
        m_announcer.engineStatus(QStringLiteral("Packet engine lost"));
        return;
    }
    if (!m_attaching) {
        if (now < m_nextAttempt)
            return;
        m_attaching = true;
        m_attemptBegan = now;
        m_ctx.engine.beginAttach(s.callSign.toLatin1(), QByteArray(kAppName));
    }
    const std::optional<qint16> result = m_ctx.engine.attachResult();
    if (!result)
        return; // still under way; the next tick looks again
    m_attaching = false;
    if (*result != 0 && m_ctx.engine.isAttached()) {
        s.engineLost = false;
        m_retryMs = kFirstRetryMs;
        m_ctx.view.setRetryButtonVisible(false);
        showStatus(QStringLiteral("registered again as ") + s.callSign);
        m_announcer.engineStatus(QStringLiteral("Packet engine back"));
        return;
    }
    m_retryMs = qMin(2 * m_retryMs, kMaxRetryMs);
    // Counted from the try's start: its refusal is only seen a tick later, and counting from
    // there left an engine that came back just after a try up to two seconds unfound.
    m_nextAttempt = m_attemptBegan.addMSecs(m_retryMs);
    showStatus(QStringLiteral("connection lost, next try in %1 s").arg(m_retryMs / 1000));
}

void Registration::showStatus(const QString& state) {
    m_linkState = state;
    const QString where = m_ctx.engine.address();
    QString port;
    if (m_portsShown && !m_portsShown->isEmpty()) {
        const int number = m_ctx.state.radioPort;
        const EnginePort* named = findEnginePort(m_portsShown, number);
        port = named ? QStringLiteral("; port %1: %2").arg(number).arg(named->description)
                     : QStringLiteral("; port %1 is not one of the engine's").arg(number);
    }
    m_ctx.view.setEngineStatus(QStringLiteral("Packet engine") +
                               (where.isEmpty() ? QString() : QStringLiteral(" at ") + where) +
                               QStringLiteral(": ") + state + port);
}

void Registration::watchPorts() {
    EnginePorts ports = m_ctx.engine.ports();
    if (ports == m_portsShown)
        return;
    m_portsShown = std::move(ports);
    m_ctx.state.enginePortCount = m_portsShown ? int(m_portsShown->size()) : 0;
    showStatus(m_linkState);
    if (!engineOffersPort(m_portsShown, m_ctx.state.radioPort))
        m_ctx.view.showNotice(QStringLiteral("Frames go out on port %1, which the engine does not "
                                             "have; it has %2 (Settings > Port)")
                                  .arg(m_ctx.state.radioPort)
                                  .arg(enginePortsInWords(m_portsShown)));
}

void Registration::portAction() {
    StationState& s = m_ctx.state;
    const QString answer =
        m_ctx.prompts.inputBox(QStringLiteral("Please enter the port.  0 is default."),
                               QStringLiteral("Select Port"), QString::number(s.radioPort));
    bool ok = false;
    const double number = answer.trimmed().toDouble(&ok);
    const double rounded = std::nearbyint(number); // halves go to the even neighbour
    QString why;
    if (!ok || !std::isfinite(number) || rounded < 0 || rounded > 255)
        why = QStringLiteral("a port is a number from 0 to 255");
    else if (!engineOffersPort(m_portsShown, int(rounded)))
        why = QStringLiteral("the engine has ") + enginePortsInWords(m_portsShown);
    if (why.isEmpty()) {
        s.radioPort = static_cast<quint8>(rounded);
    } else if (!answer.isEmpty()) { // Cancel is no answer to refuse
        m_ctx.beeper.beep();
        m_ctx.view.showNotice(QStringLiteral("Port \"%1\" refused: %2").arg(answer.trimmed(), why));
    }
    m_ctx.store.setRadioPort(s.radioPort);
    showStatus(m_linkState);
}

void Registration::addressChanged() {
    if (!m_registered) {
        connectToEngine(); // the operator is mending a first start: try it now
        return;
    }
    if (!m_ctx.state.engineLost)
        return; // the engine in use stays until its link goes
    m_attaching = false;
    m_nextAttempt = m_ctx.clock.now();
}
