#pragma once

#include "SettingsStore.h"
#include "Station.h"
#include "StationFakes.h"
#include "TestFiles.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <memory>

// Points the per-user store at a scratch folder. Call once per test program,
// before anything makes a QSettings (Qt caches the path).
inline QTemporaryDir& useScratchConfigHome() {
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    return dir;
}

// The same, with dates and numbers written as the expected texts are, whatever the machine's
// language.
inline void useScratchConfigHomeInEnglish() {
    useScratchConfigHome();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

// A whole station over in-process fakes, started in a fresh program directory.
struct StationHarness {
    StationHarness() {
        SettingsStore().clearAll();
        QDir::setCurrent(programDir.path());
    }

    Station& station() {
        if (!m_station) {
            m_station = std::make_unique<Station>(
                StationContext{state, view, *link, prompts, beeper, clock, timer, store});
            m_station->texts().setFollower(&view);
        }
        return *m_station;
    }
    void startUp() { station().startUp(); }
    void start(const char* call = "N0ME") {
        store.setCallSign(QString::fromLatin1(call));
        startUp();
    }
    // The file Send File's dialog will answer with.
    bool offerFile(const QByteArray& bytes) {
        prompts.files.push_back(programDir.filePath(QStringLiteral("upload.bin")));
        return writeFileBytes(prompts.files.back(), bytes);
    }

    QTemporaryDir programDir;
    StationState state;
    FakeView view;
    RecordingEngine engine;
    EngineLink* link = &engine; // set before the first station() for another engine
    ScriptedPrompts prompts;
    CountingBeeper beeper;
    FixedClock clock;
    FakePollTimer timer;
    SettingsStore store;

private:
    std::unique_ptr<Station> m_station;
};
