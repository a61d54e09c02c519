#pragma once

// In-memory stand-ins for the main window and the platform seams, so station
// behaviour runs headless, deterministic and without a person.

#include "EngineLink.h"
#include "MainWindowView.h"
#include "Seams.h"
#include "TextFollower.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>

class FakeView : public MainWindowView, public TextFollower {
public:
    FakeView() { captions.fill(QStringLiteral("Open")); }
    void fitToWorkArea() override {}
    void showWindow() override { shown = true; }
    bool isWindowShown() const override { return shown; }
    bool isMinimizedOrMaximized() const override { return false; }
    void restoreNormal() override { ++restoreCount; }
    void bringToFront() override { ++bringToFrontCount; }
    // Counted as one: which raise takes the keyboard shows only on a real display.
    void raiseWithoutFocus() override { ++bringToFrontCount; }
    void processPendingEvents() override {}
    void setRetryButtonVisible(bool visible) override { retryVisible = visible; }
    bool isRetryButtonVisible() const override { return retryVisible; }
    void showChannelCall(int channel, const QString& call, const QString& link) override {
        captions[channel] = call.isEmpty() ? QStringLiteral("Open") : call;
        links[channel] = link;
    }
    void setCurrentTab(int tab) override { current = tab; }
    void setTabMarker(int tab, bool unseen) override { markers[tab] = unseen; }
    void appended(TextView view, const QString& text) override { texts[view] += text; }
    void appendedOwn(TextView view, const QString& text) override { texts[view] += text; }
    void cutFront(TextView view, const QString& removed) override {
        QString& t = texts[view];
        t = t.startsWith(removed) ? t.mid(removed.size()) : QStringLiteral("<cutFront mismatch>");
    }
    void setSelectedCallLabel(const QString& text) override { label2 = text; }
    QString sendLineText() const override { return sendLine; }
    void setSendLineText(const QString& text) override { sendLine = text; }
    void describeSendLine(const QString& name) override { sendLineName = name; }
    void showSendTarget(const QString&) override {}
    void setTextZoom(int) override {}
    bool focusSendLine() override { return ++focusCount, shown; }
    void showBrowser(int channel, bool shown) override { browserVisible[channel] = shown; }
    void loadBrowserPage(int channel, const QString& path) override {
        browserLoads.append({channel, path});
    }
    void appendToBrowserPage(int, const QString&, const QString&) override {}
    bool isMonitorVisible() const override { return monitorVisible; }
    void showMonitorValues(const QString& result, const QString& from, const QString&,
                           const QString&, const QString&, const QString&) override {
        monitorShown << result + ' ' + QString(from).remove(QChar(0));
    }
    void setEngineStatus(const QString& text) override { engineStatus = text; }
    void showNotice(const QString& text) override { notices.append(text); }
    void noteActivity(int, const QString&, const QString&) override {}
    void setConferenceChecked(bool checked) override { conferenceChecked = checked; }
    void setBrowserDisplayChecked(bool checked) override { browserDisplayChecked = checked; }
    void setMenuChecked(MenuCheck item, bool checked) override { menuChecks[item] = checked; }

    QString text(TextView view) const { return texts.value(view); }

    bool shown = false, retryVisible = false, monitorVisible = false;
    bool conferenceChecked = false, browserDisplayChecked = false;
    int restoreCount = 0, bringToFrontCount = 0, current = 0, focusCount = 0;
    std::array<QString, 7> captions;
    std::array<QString, 7> links;
    std::array<bool, 7> browserVisible{};
    QMap<TextView, QString> texts;
    QString label2 = QStringLiteral("Open"), sendLine, sendLineName, engineStatus;
    std::array<bool, kTabCount> markers{};
    QList<QPair<int, QString>> browserLoads;
    QStringList notices, monitorShown;
    QMap<MenuCheck, bool> menuChecks;
};

// Answers input boxes from a queue (empty = Cancel) and records every question.
class ScriptedPrompts : public Prompts {
public:
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override {
        inputs.append({prompt, title, defaultAnswer});
        if (onInput)
            onInput();
        return answers.empty() ? QString() : takeFront(answers);
    }
    void messageBox(const QString& text, const QString& title) override {
        messages.append({text, title, true});
    }
    void notify(const QString& text, const QString& title, const QString&) override {
        messages.append({text, title, false});
    }
    QString openFile(const QString&, const QString&) override {
        return files.empty() ? QString() : takeFront(files);
    }

    QString chooseConnection(const QStringList& entries) override {
        connectLists.append(entries);
        return connectPicks.empty() ? QString() : takeFront(connectPicks); // nothing picked
    }
    std::optional<QString> enterData(const QString&, const QString&) override {
        return dataAnswers.empty() ? std::nullopt : takeFront(dataAnswers);
    }

    struct Question {
        QString prompt, title, defaultAnswer;
    };
    struct Message {
        QString text, title;
        bool modal = true;
    };
    std::deque<QString> answers, files;
    QList<QStringList> connectLists;
    std::deque<QString> connectPicks;
    std::deque<std::optional<QString>> dataAnswers;
    QList<Question> inputs;
    QList<Message> messages;
    std::function<void()> onInput;

private:
    template <class T> static T takeFront(std::deque<T>& q) {
        T v = std::move(q.front());
        return q.pop_front(), v;
    }
};

class CountingBeeper : public Beeper {
public:
    void beep() override { ++count; }
    int count = 0;
};

class FixedClock : public Clock {
public:
    QDateTime now() const override { return when; }
    QDateTime when{QDate(2026, 12, 5), QTime(9, 18, 31)};
};

class FakePollTimer : public PollTimer {
public:
    void start() override { active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    bool active = false;
};

// What the engine hands over for a letter of its client library: c and d the link notices, D
// connected data, I S U T frames heard.
inline EngineEvent engineEvent(char kind, const QByteArray& sender, const QByteArray& data,
                               int port = 0) {
    using Class = EngineEvent::FrameClass;
    const QString call = QString::fromLatin1(sender), text = QString::fromLatin1(data);
    const QMap<char, Class> heard{{'I', Class::Information},
                                  {'S', Class::LinkControl},
                                  {'U', Class::Unproto},
                                  {'T', Class::Transmitted}};
    if (heard.contains(kind))
        return EngineEvent::monitored(heard[kind], call, parseMonitoredFrame(text, port));
    EngineEvent event;
    event.type = kind == 'c'   ? EngineEvent::Type::Connected
                 : kind == 'd' ? EngineEvent::Type::Disconnected
                 : kind == 'R' ? EngineEvent::Type::Refused
                               : EngineEvent::Type::StationData;
    event.call = call;
    event.text = text;
    event.port = port;
    return event;
}

// An engine in the same process: scripted registration results, queued frames, and a record of
// every call.
class RecordingEngine : public EngineLink {
public:
    // A command as the AGW engine would put it on the wire: its frame's letter, to whom, what;
    // digipeaters written out, comma separated (a 'V' frame's before its data, in brackets).
    struct Sent {
        QByteArray destination, data;
        int kind, length;
        quint8 port;
        bool operator==(const Sent&) const = default;
        static Sent of(const ConnectCommand& c) {
            return c.via.isEmpty() ? Sent{c.call, {}, 'C', 0, c.port}
                                   : Sent{c.call, c.via.join(','), 'v', -1, c.port};
        }
        static Sent of(const DisconnectCommand& d) { return {d.call, {}, 'd', 0, d.port}; }
        static Sent of(const LinkDataCommand& l) {
            return {l.call, l.data, 'D', int(l.data.size()), l.port};
        }
        static Sent of(const UnprotoCommand& u) {
            if (u.via.isEmpty())
                return {u.destination, u.data, 'M', int(u.data.size()), u.port};
            const QByteArray data = '[' + u.via.join(',') + ']' + u.data;
            return {u.destination, data, 'V', int(data.size()), u.port};
        }
    };

    qint16 startPoll(const QByteArray& callSign, const QByteArray& appName) override {
        registrations.append(callSign);
        lastAppName = appName;
        if (onStartPoll)
            onStartPoll();
        return defaultStartResult;
    }
    std::optional<EngineEvent> nextEvent() override {
        if (incoming.empty())
            return std::nullopt;
        std::optional<EngineEvent> out(std::move(incoming.front()));
        incoming.pop_front();
        return out;
    }
    qint16 send(const EngineCommand& command) override {
        sent.append(std::visit([](const auto& c) { return Sent::of(c); }, command));
        return 1;
    }
    void close() override { ++closes; }
    bool isAttached() const override { return attached; }
    quint64 skippedMonitorFrames() const override { return skipped; }
    void setAddress(const EngineAddress& address) override { where = address.text(); }
    QString address() const override { return where; }
    std::optional<QList<EnginePort>> ports() const override { return enginePorts; }

    // Queues what the engine would hand over, by the letter (see engineEvent).
    void queue(char kind, const QByteArray& sender, const QByteArray& data, int port = 0) {
        incoming.push_back(engineEvent(kind, sender, data, port));
    }

    std::function<void()> onStartPoll;
    qint16 defaultStartResult = 1;
    bool attached = true;
    quint64 skipped = 0;
    std::optional<QList<EnginePort>> enginePorts;
    QString where = QStringLiteral("127.0.0.1:8000");
    QList<QByteArray> registrations;
    QByteArray lastAppName;
    std::deque<EngineEvent> incoming;
    QList<Sent> sent;
    int closes = 0;
};
