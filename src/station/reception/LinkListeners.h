#pragma once

#include "Announcer.h"
#include "MainWindowView.h"
#include "StationState.h"
#include "TabSelection.h"

#include <QString>

// Hears what happened on the links, told once, by the dispatcher, as it happens.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    virtual void linkOpened(const QString& call, int channel) = 0;
    virtual void linkEnded(const QString& call, int channel, const QString& why) = 0;
    // Data a connected station sent its channel.
    virtual void dataReceived(const QString& call, int channel, const QString& data) = 0;
};

// Takes a station's data off its channel while something else owns the link.
class LinkDataTaker {
public:
    virtual ~LinkDataTaker() = default;
    // True when it took the data: none of it is text for the channel.
    virtual bool takeData(int channel, const QString& call, const QString& data) = 0;
};

// The screen reader: links opened and ended, and lines at the level the operator chose.
class AnnouncerListener : public LinkListener {
public:
    AnnouncerListener(Announcer& announcer, const StationState& state)
        : m_announcer(announcer), m_state(state) {}
    void linkOpened(const QString& call, int channel) override {
        m_announcer.connected(call, channel);
    }
    void linkEnded(const QString& call, int, const QString& why) override {
        m_announcer.linkEnded(call, why);
    }
    void dataReceived(const QString& call, int channel, const QString& data) override {
        if (m_announcer.wantsLines())
            m_announcer.lineReceived(call, data, m_state.currentTab == channel);
    }

private:
    Announcer& m_announcer;
    const StationState& m_state;
};

// The send line names a link that ended while its station is selected.
class SendLineListener : public LinkListener {
public:
    explicit SendLineListener(TabSelection& tabs) : m_tabs(tabs) {}
    void linkOpened(const QString&, int) override {}
    void linkEnded(const QString& call, int, const QString& why) override {
        m_tabs.linkEnded(call, why);
    }
    void dataReceived(const QString&, int, const QString&) override {}

private:
    TabSelection& m_tabs;
};

// The desktop's notifications, as far as the operator asked for them; the window decides whether
// the operator is looking.
class NotificationListener : public LinkListener {
public:
    NotificationListener(MainWindowView& view, const StationState& state)
        : m_view(view), m_state(state) {}
    void linkOpened(const QString& call, int channel) override {
        if (m_state.operating.notifications >= OperatingOptions::NotifyConnects)
            m_view.noteActivity(channel, call, QString());
    }
    void linkEnded(const QString&, int, const QString&) override {}
    void dataReceived(const QString& call, int channel, const QString& data) override {
        if (!data.isEmpty() && m_state.operating.notifications >= OperatingOptions::NotifyLines)
            m_view.noteActivity(channel, call, data);
    }

private:
    MainWindowView& m_view;
    const StationState& m_state;
};
