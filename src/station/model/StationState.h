#pragma once

#include "ChannelTable.h"
#include "OperatingOptions.h"

#include <QString>
#include <QtGlobal>
#include <array>

// Everything the station remembers while it runs. Subsystems share this one
// struct by reference; the widgets only show it.
struct StationState {
    // Fixed when the main window starts to load.
    QString programDir;
    QString programDrive;

    // Operator settings.
    QString callSign;
    quint8 radioPort = 0;
    bool clearHtmlData = true; // "Clear Data on New Page"
    bool browserOnStart = false;
    bool beaconOn = true;
    bool weatherOn = false;
    bool moveToFront = true;
    bool logSessions = false; // Settings > Log Sessions
    int textZoom = 0;         // steps above the designed text size
    int conference = 0;       // value of the conference box
    QString beaconText;
    QString weatherPath;
    OperatingOptions operating;

    // True while a registered engine has gone away and the station re-attaches.
    bool engineLost = false;

    // Conversation state.
    ChannelTable channels;
    QString selectedCall;
    QString lastSpeaker;
    QString connectTarget;
    float idleTicks = 0;
    float beaconTicks = 0;
};
