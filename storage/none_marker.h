#pragma once
// The text that stands where there is no name: a preset a SoundFont file lacks, the mapping
// name of preview presets, the answer to a name query without a route or item.
#include <string>

inline const std::string NoneMarker("\x01\x03\x03", 3);
