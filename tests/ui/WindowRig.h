#pragma once

// The real window over a station and an in-process engine, and a person's keys and clicks.

#include "MainWindow.h"
#include "QtPlatform.h"
#include "StationHarness.h"
#include "StationWiring.h"

#include <QtTest>
#include <QtWidgets>

using namespace QTest;

inline namespace window_rig {

// Runs `act` on the next modal dialog once it is shown and active.
template <typename Act> void onNextModal(Act act) {
    QTimer::singleShot(20, [act] {
        if (QWidget* modal = QApplication::activeModalWidget(); !modal)
            onNextModal(act);
        else if (modal->activateWindow(); qWaitForWindowActive(modal))
            act(modal);
    });
}

inline void press(QWidget* to, std::initializer_list<QKeyCombination> keys) {
    for (QKeyCombination key : keys)
        keyClick(to, key.key(), key.keyboardModifiers());
}
inline void type(QWidget* to, const QString& text,
                 std::initializer_list<QKeyCombination> then = {}) {
    keyClicks(to, text);
    press(to, then);
}
const auto click = [](QWidget* on, QPoint at = {}) { mouseClick(on, Qt::LeftButton, {}, at); };

// Finds every frame gone out whenever asked, so a paced send goes on at each tick.
struct EmptyingEngine : RecordingEngine {
    bool reportsOutstanding() const override { return true; }
    std::optional<quint32> takeOutstanding(const QByteArray&) override { return 0; }
};

// The window over a station; `scripted` swaps in scripted prompts and the emptying engine.
struct Rig {
    explicit Rig(bool scripted = false)
        : e(scripted ? paced : h.engine), p(scripted ? static_cast<Prompts&>(h.prompts) : prompts) {
        prompts.setParentWidget(&w);
        h.store.setCallSign("N0AAA");
        connectWindowToStation(w, station);
    }
    bool up() { return station.startUp(), qWaitForWindowActive(&w); }
    void arrive(char kind, const QByteArray& call, const QByteArray& data) { // and is taken
        e.queue(kind, call, data), receive();
    }
    void receive(int ticks = 0) { // at least that many ticks, and until all frames are taken
        for (int i = 0; i < ticks || !e.incoming.empty(); ++i)
            station.tick();
    }
    StationHarness h;
    EmptyingEngine paced;
    RecordingEngine& e;
    MainWindow w;
    QtPrompts prompts;
    Prompts& p;
    Station station{StationContext{h.state, w, e, p, h.beeper, h.clock, h.timer, h.store}};
};

} // namespace window_rig
