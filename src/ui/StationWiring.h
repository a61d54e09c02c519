#pragma once

class MainWindow;
class Station;

// The one place where the window's events reach the station; the station answers through the
// window's view interface.
void connectWindowToStation(MainWindow& window, Station& station);
