#include "TabSelection.h"

void TabSelection::select(int tab) {
    m_view.setCurrentTab(tab);
    onSelected(tab);
}

void TabSelection::onSelected(int tab) {
    m_state.currentTab = tab;
    if (tab < ChannelTable::kChannels) {
        if (!m_state.channels.isFree(tab)) {
            m_state.selectedCall = m_state.channels.call(tab);
            m_view.setSelectedCallLabel(m_state.selectedCall);
        }
        m_view.setBrowserDisplayChecked(m_state.channels.paneShown(tab));
        m_panes.refreshIfShown(tab);
        m_state.channels.setUnseen(tab, false);
        m_view.setTabMarker(tab, false);
    } else {
        m_view.setSelectedCallLabel(QStringLiteral("NA"));
        m_view.setTabMarker(tab, false);
    }
    describeSendLine();
    m_view.focusSendLine();
}

void TabSelection::describeSendLine() {
    const QString& call = m_state.selectedCall;
    const int channel = call.isEmpty() ? ChannelTable::kNone : m_state.channels.channelOf(call);
    const bool linked = channel != ChannelTable::kNone;
    // The indicator names the station a line reaches: none once its link has ended.
    const QString target = m_state.conference != 0 ? QStringLiteral("the conference")
                           : linked                ? m_state.linkWords(channel)
                                                   : QStringLiteral("no station");
    m_view.showSendTarget(m_state.conference != 0 ? QStringLiteral("conference") : target);
    if (target != m_target)
        m_targetChanged(target);
    m_target = target;
    if (m_state.conference != 0)
        m_view.describeSendLine(QStringLiteral("Send to the conference"));
    else if (call.isEmpty() || call.compare(ChannelTable::kOpenCaption, Qt::CaseInsensitive) == 0)
        m_view.describeSendLine(QStringLiteral("Send: no station selected"));
    else if (!linked && call.compare(m_endedCall, Qt::CaseInsensitive) == 0)
        m_view.describeSendLine(QStringLiteral("Link to %1 ended: %2").arg(call, m_endedWhy));
    else
        m_view.describeSendLine(QStringLiteral("Send to ") + (linked ? target : call));
}

void TabSelection::linkEnded(const QString& call, const QString& why) {
    m_endedCall = call;
    m_endedWhy = why;
}
