#pragma once

#include <functional>

class QObject;

// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C) close the station the way the
// operator's own Exit does, from the event loop; a second one ends the process at once. Does
// nothing where the system has no such signals. What it watches with belongs to `owner`.
void closeOnTerminationSignals(QObject* owner, std::function<void()> close);
