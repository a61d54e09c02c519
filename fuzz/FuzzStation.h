#pragma once

#include "FuzzSupport.h"
#include "SettingsStore.h"
#include "Station.h"
#include "StationFakes.h"

#include <QTemporaryDir>
#include <memory>

// A whole station over the in-process fakes, in a fresh program folder per input: files
// one input leaves behind (pages, folders, the connect list) must not steer the next.
struct FuzzStation {
    FuzzStation() {
        state.programDir = programDir.path();
        state.programDrive = state.programDir.left(1);
        state.callSign = QStringLiteral("N0ME");
        state.beaconText = QStringLiteral("N0ME") + QString::fromLatin1(Station::kBeaconSuffix);
        QDir::setCurrent(programDir.path());
    }
    ~FuzzStation() {
        station.reset();
        FuzzEnv::restoreDir();
    }
    FuzzStation(const FuzzStation&) = delete;
    FuzzStation& operator=(const FuzzStation&) = delete;

    Station& make() {
        station = std::make_unique<Station>(
            StationContext{state, view, engine, prompts, beeper, clock, timer, store()});
        return *station;
    }

    // Created once, after FuzzEnv::init pointed the per-user store at scratch space.
    static SettingsStore& store() {
        static SettingsStore s;
        return s;
    }

    QTemporaryDir programDir;
    StationState state;
    FakeView view;
    RecordingEngine engine;
    ScriptedPrompts prompts;
    CountingBeeper beeper;
    FixedClock clock;
    FakePollTimer timer;
    std::unique_ptr<Station> station;
};

// A tab caption: free, or one of a few calls, or a call from the input.
inline QString fuzzCaption(FuzzReader& in) {
    switch (in.byte() % 4) {
    case 0:
        return QStringLiteral("Open");
    case 1:
        return QStringLiteral("N0BBB");
    case 2:
        return QStringLiteral("N0CCC");
    default:
        return QString::fromLatin1(in.text(16));
    }
}
