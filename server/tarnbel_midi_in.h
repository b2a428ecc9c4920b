#pragma once
// TTarnbelMIDIInput: the MIDI input of one route, where the mappings meet live MIDI. Its callback
// only posts each message to the route thread; there bank selects and program changes pick the preset
// each channel must sound (set of mappings, defaults, random options) and the route's SoundFont manager
// thread is asked to load it unless it is cached. Notes keep presets fresh, the monitor gets lamps, and
// presets that no channel plays any more are unloaded (at once or after a time in limbo).
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "osc_midi_input.h"
#include "osc_midi_output.h"
#include "osc_timer.h"
#include "preset_list.h"
#include "route_settings.h"
#include "tarnbel_types.h"

class TSFManagerThread;
class TMapping;

// A cache lookup with this name matches an entry of any mapping.
extern const std::string WildcardMappingName;
// Names beginning with this are the loopback ports of the companion driver.
extern const char* const LoopbackPrefix;

// Driver messages to a loopback port's input device.
constexpr UINT LoopbackStartMessage = 0x200C;
constexpr UINT LoopbackDrumsUnloadedMessage = 0x200D;
constexpr UINT LoopbackPresetUnloadedMessage = 0x200E;

constexpr int DrumChannel = 9;

struct TMidiChannel {
  int32_t Bank = 0;
  int32_t Program = -1;  // -1: none yet
  int32_t LoadedBank = -1;
  int32_t LoadedProgram = -1;
  uint8_t Loaded = 0;
  uint32_t UsedEntry = NoEntryId;  // the cache entry that counts this channel's use
};

// What a load needs of a mapping entry, copied while the set of mappings is locked.
struct TLoadSource {
  std::string FileName;  // a wave: folder and file
  int32_t SourceBank = 0;
  int32_t SourcePreset = 0;
  int32_t TargetBank = 0;
  int32_t TargetProgram = 0;
};

class TTarnbelMIDIInput : public TOSC_MIDIInput {
 public:
  // Made on the route thread: finds or starts the SoundFont manager thread of deviceName and registers
  // with it. Boxes go to mainThreadId.
  TTarnbelMIDIInput(const std::string& deviceName, const std::string& inputName, DWORD mainThreadId);
  ~TTarnbelMIDIInput() override;

  void OnMessage(TOSC_MIDIMessage* message) override;
  // Takes the current settings; the route thread calls it before each piece of work.
  void RefreshSettings();

  void ProcessMidiEvent(TOSC_MIDIMessage* message);
  void BankSelect(int channel, int value);
  void ProgramChange(int channel, int program, const std::string& name);
  // Channel -1: not for a channel (no use is counted, the channels are left alone).
  bool LoadMelodic(int bank, int program, int requestedProgram, int requestedBank, const std::string& name,
                   int channel, bool synchronous);
  bool LoadDrumKit(int kit, bool synchronous, int slotProgram, const std::string& name, int channel = -1);
  // echo: the manager thread reports the load done (TM_ECHO), so the monitor is sent the new list.
  void Request(const TLoadSource& item, int32_t loadBank, int32_t loadProgram, int channel, bool synchronous,
               const std::string& mappingName, bool echo);
  // echo as for Request, once the preset has left the card.
  void ClearPreset(int32_t bank, int32_t program, bool synchronous, bool echo, bool force,
                   uint32_t id = NoEntryId);
  void ClearAll();
  // After a channel's load: releases the orphan, remembers what it plays.
  void ChannelLoaded(int channel);
  void OnOrphanTick();
  void OnPresetUnloaded(int32_t bank, int32_t program);
  void OnDrumsUnloaded();
  void ResetChannels();
  void SendBankAndProgram(int channel, int program, int bank);
  void DisconnectThru();
  void ConnectThru();
  // Starts the port; a loopback port's driver is told first.
  unsigned StartInput();

  // Under the cache's write lock: the first entry of (bank, program) not being released, of that mapping
  // unless the name is the wildcard; -1 when none.
  int FindCached(int32_t bank, int32_t program, const std::string& name);
  std::string MappingNameFor(int bank, int program);
  bool RandomActive() const;
  bool APSDevice() const;

  TSFManagerThread* SFThread() const { return FSFThread.get(); }
  const std::shared_ptr<TSFManagerThread>& SharedSFThread() const { return FSFThread; }

  uint8_t Monitored = 0;
  DWORD MainThreadId;
  DWORD RouteThreadId;
  int32_t SFDeviceIndex = -1;  // device list index when this input started its own manager thread
  int32_t LoopbackIndex = -1;
  uint8_t WinampMode = 0;
  uint8_t PreviewMode = 0;
  uint8_t Suspended = 0;
  uint8_t Reloading = 0;
  std::vector<BankProgramRecord> WinampList;
  TOSC_MIDIOutput* ThruOutput = nullptr;
  uint8_t WriteLockHeld = 0;
  std::array<TMidiChannel, 16> Channels;
  TPresetList LimboList;
  uint32_t Ticks = 0;
  uint8_t Enabled = 1;
  // Whether the loads of LoadMelodic and LoadDrumKit are echoed. The player plug-in's load turns it
  // off: the server sends the list once at the end of that request.
  uint8_t EchoLoads = 1;
  TRouteSettings Settings;

 private:
  friend class TCacheWriteLock;
  void TakeLock();
  void ReleaseLock();
  void Touch(int index);
  // Under the cache lock: touches the cached entry (and gives it the channel's use); false when it is
  // not cached.
  bool UseCached(int32_t bank, int32_t program, const std::string& name, int channel);
  // Under the cache lock: the channel's one use moves to the entry from the one it had (which may have
  // left the cache meanwhile, its use with it). Without a channel the entry is marked as awaited.
  void CountUse(int channel, TPresetData& entry);
  // The cached entry when there is one (not while reloading), else a load request.
  void UseOrRequest(const TLoadSource& item, int32_t loadBank, int32_t loadProgram, int channel, bool synchronous,
                    const std::string& mappingName);
  void PostToMain(UINT id, WPARAM wParam, LPARAM lParam);
  void ReleaseOrphan(int channel);
  bool ChannelPlays(int32_t bank, int32_t program) const;
  // Under the write lock of the set of mappings: the mapping of that name (or "default").
  TMapping* MappingNamed(const std::string& name);
  // Under the write lock of the set of mappings: copies the entry that pick chooses in the mapping of
  // that name; false when there is none.
  template <class TPick>
  bool LookUpItem(const std::string& name, TLoadSource& item, std::string& mappingName, TPick pick);

  std::shared_ptr<TSFManagerThread> FSFThread;
  TOSC_Timer FTimer;
};

// The input's hold on its manager thread's cache.
class TCacheWriteLock {
 public:
  explicit TCacheWriteLock(TTarnbelMIDIInput& input) : FInput(input) { FInput.TakeLock(); }
  ~TCacheWriteLock() { FInput.ReleaseLock(); }
  TCacheWriteLock(const TCacheWriteLock&) = delete;
  TCacheWriteLock& operator=(const TCacheWriteLock&) = delete;

 private:
  TTarnbelMIDIInput& FInput;
};
