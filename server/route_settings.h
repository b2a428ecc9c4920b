#pragma once
// The settings the routes read (their MIDI inputs and route threads), starting from the stored
// defaults. The server program fills them from its settings and again whenever one changes; the
// routes take a copy for each piece of work.
#include <cstdint>

#include "server_setting_defs.h"

struct TRouteSettings {
  bool UseDefaultDrumPreset = FlagDefault<server_setting::UseDefaultDrumPreset>();
  bool UseDefaultMelodicBank = FlagDefault<server_setting::UseDefaultMelodicBank>();
  int32_t UnloadTime = IntegerDefault<server_setting::UnloadTime>();  // seconds
  bool UnloadOrphanPreset = FlagDefault<server_setting::UnloadOrphanPreset>();
  int32_t UnloadOrphanTime = IntegerDefault<server_setting::UnloadOrphanTime>();  // seconds
  bool ReloadOnFirstNote = FlagDefault<server_setting::ReloadOnFirstNote>();
  bool RandomMapping = FlagDefault<server_setting::RandomMapping>();
  bool RandomDrumBank = FlagDefault<server_setting::RandomDrumBank>();
  bool RandomPresets = FlagDefault<server_setting::RandomPresets>();
  bool RandomBanks = FlagDefault<server_setting::RandomBanks>();
  bool RandomPrograms = FlagDefault<server_setting::RandomPrograms>();
  bool SyncOperation = FlagDefault<server_setting::SyncOperation>();
  bool RandomOnlyWinamp = FlagDefault<server_setting::RandomOnlyWinamp>();
  bool WinampResetCache = FlagDefault<server_setting::WinampResetCache>();
};

// A copy of the current values; safe from any thread.
TRouteSettings RouteSettings();
void SetRouteSettings(const TRouteSettings& settings);
