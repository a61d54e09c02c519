#pragma once

#include <functional>

// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C) close the station the way the
// operator's own Exit does, from the event loop; a second one ends the process at once. Does
// nothing where the system has no such signals.
void closeOnTerminationSignals(std::function<void()> close);
