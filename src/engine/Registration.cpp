#include "Registration.h"

#include "EngineLink.h"

#include <exception>

void Registration::connectToEngine() {
    try {
        if (m_ctx.state.callSign.isEmpty())
            callSignAction();

        const QByteArray call = m_ctx.state.callSign.toLatin1();
        const qint16 result = m_ctx.engine.startPoll(call, QByteArray(kAppName));
        if (result == 0) {
            m_ctx.prompts.messageBox(QString::fromLatin1(kFailureText),
                                     QString::fromLatin1(kMessageTitle));
            m_ctx.view.setRetryButtonVisible(true);
            return;
        }
        m_ctx.pollTimer.start();
        m_ctx.view.setRetryButtonVisible(false);
    } catch (const std::exception&) {
        // The link cannot be used at all: no message, just the way to retry.
        m_ctx.view.setRetryButtonVisible(true);
        m_ctx.pollTimer.stop();
    }
}

void Registration::callSignAction() {
    const QString prompt = QString::fromLatin1(kCallSignPrompt);
    const QString answer =
        m_ctx.prompts.inputBox(prompt, prompt, m_ctx.state.callSign.toUpper()).toUpper();
    if (answer.isEmpty())
        return;
    m_ctx.engine.close();
    m_ctx.state.callSign = answer.trimmed();
    m_ctx.store.setValue(SettingsStore::kCallSign, m_ctx.state.callSign);
    connectToEngine();
}
