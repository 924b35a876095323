// Requests from outside to end the program (SIGTERM, SIGINT, SIGHUP), delivered to the event
// loop instead of ending the process on the spot.
#pragma once

#include <functional>

namespace Platform {

// From now on SIGTERM, SIGINT and SIGHUP leave the process running and call the handler from
// the event loop with the signal's number, once per signal received. A second call replaces
// the handler. False, with errno, when the signals stay as they were.
bool WatchTerminationSignals(std::function<void(int)> handler);
// The signals end the process again; nothing is called any more.
void StopWatchingTerminationSignals();

} // namespace Platform
