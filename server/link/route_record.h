#pragma once
// Stored forms of the routes, the editor's preview route and the list of SoundFont devices that share one
// sample memory.
#include <string>
#include <vector>

extern const char RouteSeparator;          // 0x01
extern const char* const RouteNone;        // "[none]": no device in that column
extern const char* const RouteActive;      // "[active]"
extern const char* const RoutePassive;     // "[passive]"
extern const char* const RoutesPath;       // "Software\tarnbel\routes"
extern const char* const ShareMemoryPath;  // "Software\tarnbel\ShareMemory"
extern const char* const PreviewRouteValue;  // "PreviewRoute", a value under "Software\tarnbel"

// One route: MIDI input, MIDI output and SoundFont device names (an empty name is stored as "[none]")
// and its state word.
struct RouteRecord {
  std::string Input;
  std::string Output;
  std::string Device;
  std::string State;  // "[active]" or "[passive]" as stored; empty in the preview route

  bool IsActive() const;
};

// A name as stored and as the server's routes use it: "[none]" for an unused port or device.
std::string StoredRouteName(const std::string& name);

// input 0x01 output 0x01 device 0x01 "[active]"/"[passive]".
std::string RouteRecordToString(const RouteRecord& route);
// Splits at the first three 0x01 characters; the rest is the state. False (and route emptied) for a string
// with fewer than three separators.
bool ParseRouteRecord(const std::string& text, RouteRecord& route);

// The first three fields as far as the text has them (a damaged route has fewer than three).
std::vector<std::string> RouteFields(const std::string& text);

// The text up to and including its third 0x01 followed by "[active]" or "[passive]"; a text with fewer
// than three separators comes back unchanged.
std::string RouteWithState(const std::string& text, bool active);

// The preview route: the three names, each followed by 0x01, and no state.
std::string PreviewRouteToString(const RouteRecord& route);
bool ParsePreviewRoute(const std::string& text, RouteRecord& route);
// Read and written under "Software\tarnbel"; reading a missing value writes the empty default back.
bool ReadPreviewRoute(RouteRecord& route);
void WritePreviewRoute(const RouteRecord& route);

// Shared sample memory list: devices given in the order of the device list; stored from its end to its
// start, and only when at least two devices share (else the list is left empty).
std::vector<std::string> MakeShareMemoryList(const std::vector<std::string>& devicesInListOrder);
void SaveShareMemoryList(const std::vector<std::string>& devicesInListOrder);
std::vector<std::string> LoadShareMemoryList();
