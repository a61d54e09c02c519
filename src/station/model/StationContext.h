#pragma once

#include "MainWindowView.h"
#include "Seams.h"
#include "SettingsStore.h"
#include "StationState.h"

class EngineLink;

// What a subsystem gets by reference: the shared state, the window it shows
// on, and the platform seams.
struct StationContext {
    StationState& state;
    MainWindowView& view;
    EngineLink& engine;
    Prompts& prompts;
    Beeper& beeper;
    Clock& clock;
    PollTimer& pollTimer;
    SettingsStore& store;
};
