#pragma once
// The settings the routes read (their MIDI inputs and route threads), with the defaults the server
// starts from. The server program fills them from its settings and again whenever one changes; the
// routes take a copy for each piece of work.
#include <cstdint>

struct TRouteSettings {
  bool UseDefaultDrumPreset = true;
  bool UseDefaultMelodicBank = true;
  int32_t UnloadTime = 300;        // seconds
  bool UnloadOrphanPreset = false;
  int32_t UnloadOrphanTime = 0;    // seconds
  bool ReloadOnFirstNote = false;
  bool RandomMapping = false;
  bool RandomDrumBank = false;
  bool RandomPresets = false;
  bool RandomBanks = false;
  bool RandomPrograms = false;
  bool SyncOperation = false;
  bool RandomOnlyWinamp = true;
  bool WinampResetCache = true;
};

// A copy of the current values; safe from any thread.
TRouteSettings RouteSettings();
void SetRouteSettings(const TRouteSettings& settings);
