#pragma once
// The stored profile with which the real server plays through one route of the virtual MIDI bus.
#include <string>

namespace testsupport {

// The mapping (stored already) active with priority 1; the route Keys --> Synth --> SB Live!, active and
// current; the server starts its routes at once and shows only the monitor, when asked.
void StoreOneRouteProfile(const std::string& mapping, bool showMonitor);

}  // namespace testsupport
