#include "Registration.h"

#include "EngineLink.h"

void Registration::connectToEngine() {
    m_attaching = false; // a registration of its own replaces any attach under way
    if (m_ctx.state.callSign.isEmpty())
        callSignAction();

    const QByteArray call = m_ctx.state.callSign.toLatin1();
    const qint16 result = m_ctx.engine.startPoll(call, QByteArray(kAppName));
    if (result == 0) {
        showStatus(QStringLiteral("no answer"));
        m_ctx.prompts.messageBox(QString::fromLatin1(kFailureText),
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

void Registration::callSignAction() {
    const QString prompt = QString::fromLatin1(kCallSignPrompt);
    const QString answer =
        m_ctx.prompts.inputBox(prompt, prompt, m_ctx.state.callSign.toUpper()).toUpper();
    if (answer.isEmpty())
        return;
    m_ctx.engine.close();
    m_ctx.state.callSign = answer.trimmed();
    m_ctx.store.setCallSign(m_ctx.state.callSign);
    connectToEngine();
}

void Registration::watchLink() {
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
        return;
    }
    m_retryMs = qMin(2 * m_retryMs, kMaxRetryMs);
    // Counted from the try's start: its refusal is only seen a tick later, and counting from
    // there left an engine that came back just after a try up to two seconds unfound.
    m_nextAttempt = m_attemptBegan.addMSecs(m_retryMs);
    showStatus(QStringLiteral("connection lost, next try in %1 s").arg(m_retryMs / 1000));
}

void Registration::showStatus(const QString& state) {
    const QString where = m_ctx.engine.address();
    m_ctx.view.setEngineStatus(QStringLiteral("Packet engine") +
                               (where.isEmpty() ? QString() : QStringLiteral(" at ") + where) +
                               QStringLiteral(": ") + state);
}
