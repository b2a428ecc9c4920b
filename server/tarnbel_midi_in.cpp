#include "tarnbel_midi_in.h"

#include "abstract_sf_device.h"
#include "mapping_random.h"
#include "rw_lock.h"
#include "server_box.h"
#include "sf_thread_messages.h"
#include "tarnbel_globals.h"
#include "tarnbel_mappings_array.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"
#include "thread_post.h"
#include "tick_clock.h"

const std::string WildcardMappingName("\x01", 1);
const char* const LoopbackPrefix = "Tarnbel loopback ";

namespace {
const char* const NoDevice = "[none]";

void PostOrphanTick(uint32_t routeThreadId) {
  TAdvancedThread::PostAsOwner(static_cast<DWORD>(routeThreadId), TM_ROUTE_1064, 0, 0);
}

TLoadSource SourceOf(const TMappingInactiveItem& item) {
  TLoadSource source;
  source.FileName = item.GetSourceName();
  source.SourceBank = static_cast<int32_t>(item.SourceBank);
  source.SourcePreset = static_cast<int32_t>(item.SourceProgram);
  source.TargetBank = static_cast<int32_t>(item.TargetBank);
  source.TargetProgram = static_cast<int32_t>(item.TargetProgram);
  return source;
}

// The set of mappings under its write lock, or nothing when the server has none.
class TMappingsLock {
 public:
  TMappingsLock() : FSet(ServerMappings()) {
    if (FSet) FSet->BeginWrite();
  }
  ~TMappingsLock() {
    if (FSet) FSet->EndWrite();
  }
  TMappingsLock(const TMappingsLock&) = delete;
  TMappingsLock& operator=(const TMappingsLock&) = delete;
  TMappingsArray* Mappings() const { return FSet ? &FSet->Mappings() : nullptr; }

 private:
  TSafeMappingsArray* FSet;
};
}  // namespace

TTarnbelMIDIInput::TTarnbelMIDIInput(const std::string& deviceName, const std::string& inputName,
                                     DWORD mainThreadId)
    : MainThreadId(mainThreadId), RouteThreadId(GetCurrentThreadId()) {
  RefreshSettings();
  const size_t prefix = std::string(LoopbackPrefix).size();
  if (inputName.compare(0, prefix, LoopbackPrefix) == 0 && inputName.size() > prefix)
    LoopbackIndex = static_cast<unsigned char>(inputName[prefix]) - '1';

  FTimer.SetHandler(&PostOrphanTick);
  FTimer.SetUserValue(RouteThreadId);
  FTimer.SetPeriod(1000, 0xFFFFFFFFu);
  FTimer.Start();
  Ticks = TickCount();

  FSFThread = FindSFManagerThread(deviceName);
  if (!FSFThread && deviceName != NoDevice) {
    std::vector<std::string> names;
    {
      TAbstractSFDevice devices;
      devices.GetDeviceNames(names);
    }
    int found = -1;
    for (int i = static_cast<int>(names.size()) - 1; i >= 0 && found < 0; --i)
      if (names[static_cast<size_t>(i)] == deviceName) found = i;
    if (found < 0) {
      RequestServerBox(MainThreadId, "SoundFont device \"" + deviceName + "\" not found.");
    } else {
      std::unique_ptr<TSFManagerThread> thread = TAdvancedThread::Make<TSFManagerThread>(static_cast<uint32_t>(found));
      if (thread->WaitReady()) {
        FSFThread.reset(thread.release());
        SFDeviceIndex = found;
      }
    }
  }
  if (FSFThread)
    TAdvancedThread::PostAsOwner(FSFThread->ThreadID(), TM_SF_ADD_CLIENT, 0, static_cast<LPARAM>(GetCurrentThreadId()));
  ResetChannels();
}

TTarnbelMIDIInput::~TTarnbelMIDIInput() {
  // No callback may reach this object once it starts going.
  Stop();
  Close();
  FTimer.Stop();
  if (FSFThread)
    TAdvancedThread::PostAsOwner(FSFThread->ThreadID(), TM_SF_REMOVE_CLIENT, 0, static_cast<LPARAM>(RouteThreadId));
  // The last route holding the manager thread stops it.
  FSFThread.reset();
}

void TTarnbelMIDIInput::OnMessage(TOSC_MIDIMessage* message) {
  TLiveRequests::Add(message, TM_MIDI_EVENT);
  if (PostThreadUntilAccepted(RouteThreadId, TM_MIDI_EVENT, 0, reinterpret_cast<LPARAM>(message))) return;
  TLiveRequests::Remove(message);
  delete message;
}

void TTarnbelMIDIInput::RefreshSettings() { Settings = RouteSettings(); }

bool TTarnbelMIDIInput::RandomActive() const {
  return (Settings.RandomPresets || Settings.RandomBanks || Settings.RandomPrograms) &&
         (!Settings.RandomOnlyWinamp || WinampMode);
}

bool TTarnbelMIDIInput::APSDevice() const { return FSFThread && FSFThread->APSDevice(); }

void TTarnbelMIDIInput::TakeLock() {
  if (WriteLockHeld) RequestServerBox(MainThreadId, "Err#5937");
  FSFThread->Cache().BeginWrite();
  WriteLockHeld = 1;
}

void TTarnbelMIDIInput::ReleaseLock() {
  if (!WriteLockHeld) RequestServerBox(MainThreadId, "Err#3287");
  FSFThread->Cache().EndWrite();
  WriteLockHeld = 0;
}

int TTarnbelMIDIInput::FindCached(int32_t bank, int32_t program, const std::string& name) {
  const TPresetList& list = FSFThread->Cache().List();
  const bool anyMapping = name == WildcardMappingName;
  for (int i = list.Find(CacheBank(bank), program); i >= 0; i = list.FindNext(i, CacheBank(bank), program)) {
    if (list[i].Releasing) continue;
    if (anyMapping || list[i].MappingName == name) return i;
  }
  return -1;
}

void TTarnbelMIDIInput::Touch(int index) {
  TPresetData& entry = FSFThread->Cache().List()[index];
  if (!entry.Pending) entry.TimeStamp = Ticks;
}

TMapping* TTarnbelMIDIInput::MappingNamed(const std::string& name) {
  TSafeMappingsArray* set = ServerMappings();
  return set ? set->Mappings().GetOrCreateMapping(name) : nullptr;
}

template <class TPick>
bool TTarnbelMIDIInput::LookUpItem(const std::string& name, TLoadSource& item, std::string& mappingName, TPick pick) {
  TMappingsLock lock;
  TMapping* mapping = lock.Mappings() ? MappingNamed(name) : nullptr;
  if (!mapping) return false;
  const TMappingInactiveItem* slot = pick(static_cast<const TMapping&>(*mapping));
  if (!slot) return false;
  // A copy: the mapping may be reloaded once the lock is released.
  item = SourceOf(*slot);
  mappingName = mapping->Name;
  return true;
}

std::string TTarnbelMIDIInput::MappingNameFor(int bank, int program) {
  TMappingsLock lock;
  if (!lock.Mappings()) return std::string();
  TMapping* mapping = lock.Mappings()->FindMappingFor(bank, program);
  return mapping ? mapping->Name : std::string();
}

void TTarnbelMIDIInput::PostToMain(UINT id, WPARAM wParam, LPARAM lParam) {
  TAdvancedThread::PostAsOwner(MainThreadId, id, wParam, lParam);
}

void TTarnbelMIDIInput::ResetChannels() {
  for (size_t i = 0; i < Channels.size(); ++i) {
    TMidiChannel& channel = Channels[i];
    const bool drums = i == DrumChannel;
    channel.Bank = drums ? CacheDrumKitBank : 0;
    channel.Program = -1;
    channel.LoadedBank = drums ? CacheDrumKitBank : -1;
    channel.LoadedProgram = -1;
    channel.Loaded = 0;
    channel.UsedEntry = NoEntryId;
  }
}

void TTarnbelMIDIInput::ProcessMidiEvent(TOSC_MIDIMessage* message) {
  std::unique_ptr<TOSC_MIDIMessage> owned(message);
  if (!FSFThread) return;
  RefreshSettings();
  const TOSC_MIDIMessage& m = *message;
  const int ch = m.Channel();
  TMidiChannel& channel = Channels[static_cast<size_t>(ch)];
  if (Settings.SyncOperation) DisconnectThru();

  if (Monitored && !Suspended && m.IsNote())
    PostToMain(m.IsNoteOn() ? WM_TB_NOTE_ON_LAMP : WM_TB_NOTE_OFF_LAMP, static_cast<WPARAM>(ch),
               MAKELONG(channel.Program, channel.Bank));

  const bool live = Enabled && !PreviewMode && !Suspended;
  if (live && m.IsNoteOn() && Settings.ReloadOnFirstNote && ch != DrumChannel && !channel.Loaded &&
      channel.Program != -1) {
    if (RandomActive()) {
      TCacheWriteLock lock(*this);
      channel.Loaded = FindCached(channel.Bank, channel.Program, WildcardMappingName) != -1;
    }
    if (!channel.Loaded) ProgramChange(ch, channel.Program, MappingNameFor(channel.Bank, channel.Program));
  }

  if (m.IsBankSelect()) BankSelect(ch, m.Data2 & 127);

  TMidiChannel& drums = Channels[DrumChannel];
  if (live && !drums.Loaded && ch == DrumChannel && m.IsNote() && Settings.UseDefaultDrumPreset) {
    if (RandomActive()) {
      TCacheWriteLock lock(*this);
      drums.Loaded = FindCached(CacheDrumKitBank, drums.Program, WildcardMappingName) != -1;
    }
    if (!drums.Loaded) ProgramChange(DrumChannel, drums.Program, MappingNameFor(128, drums.Program));
  }

  if (live && m.IsNoteOn()) {
    std::string name = RandomActive() ? WildcardMappingName : MappingNameFor(channel.Bank, channel.Program);
    TCacheWriteLock lock(*this);
    int index = FindCached(channel.Bank, channel.Program, name);
    if (index >= 0) Touch(index);
  }

  if (m.IsProgramChange())
    ProgramChange(ch, m.Data1 & 127, MappingNameFor(channel.Bank, m.Data1 & 127));

  if (Settings.SyncOperation) ConnectThru();
}

void TTarnbelMIDIInput::BankSelect(int ch, int value) {
  TMidiChannel& channel = Channels[static_cast<size_t>(ch & 15)];
  if (Monitored && !Suspended && !(channel.Bank == value && channel.Loaded))
    PostToMain(WM_TB_PRESET_CHANGED, static_cast<WPARAM>(ch), static_cast<LPARAM>(value) * 65536 + channel.Program);
  if ((ch & 15) != DrumChannel) channel.Bank = value;
  if (channel.LoadedBank != value) channel.Loaded = 0;
}

void TTarnbelMIDIInput::ProgramChange(int ch, int program, const std::string& mappingName) {
  ch &= 15;
  TMidiChannel& channel = Channels[static_cast<size_t>(ch)];
  if (Monitored && !Suspended && !(channel.Program == program && channel.Loaded))
    PostToMain(WM_TB_PRESET_CHANGED, static_cast<WPARAM>(ch), static_cast<LPARAM>(channel.Bank) * 65536 + program);
  const int bank = MappingBankOf(channel.Bank);
  if ((WinampMode && !HasBankProgram(WinampList, bank, program)) || !Enabled || PreviewMode) {
    channel.Program = program;
    return;
  }
  const bool sync = Settings.SyncOperation;
  const bool plain = Settings.RandomOnlyWinamp || WinampMode;
  std::string name = mappingName;
  bool loaded = false;
  if (ch == DrumChannel) {
    int kit = program, slotProgram = -1;
    if (!plain) {
      TMappingsLock lock;
      if (lock.Mappings()) {
        TMapping* mapping = Settings.RandomPresets ? lock.Mappings()->GetRandomMapping(128, program)
                                                   : MappingNamed(name);
        if (mapping) {
          name = mapping->Name;
          if (Settings.RandomDrumBank) {
            kit = GetRandomDrumKit(*mapping);
            slotProgram = program;
          }
        }
      }
    }
    loaded = LoadDrumKit(kit, sync, slotProgram, name, ch);
  } else if (channel.Bank != -1) {
    int lookBank = channel.Bank, lookProgram = program, requestedBank = -1, requestedProgram = -1;
    if (!plain) {
      TMappingsLock lock;
      TMapping* mapping = nullptr;
      if (lock.Mappings())
        mapping = Settings.RandomPresets ? lock.Mappings()->GetRandomMapping(channel.Bank, program) : MappingNamed(name);
      if (mapping) {
        name = mapping->Name;
        if (Settings.RandomBanks && Settings.RandomPrograms) {
          requestedBank = channel.Bank;
          requestedProgram = program;
          GetRandomSlot(*mapping, lookBank, lookProgram);
          channel.Bank = lookBank;
        } else if (Settings.RandomBanks) {
          // A program no bank fills keeps the channel's bank rather than losing it.
          int randomBank = GetRandomBank(*mapping, program);
          if (randomBank != -1) {
            requestedBank = channel.Bank;
            lookBank = channel.Bank = randomBank;
          }
        } else if (Settings.RandomPrograms) {
          int randomProgram = GetRandomProgram(*mapping, channel.Bank);
          if (randomProgram != -1) {
            requestedProgram = program;
            lookProgram = randomProgram;
          }
        }
      }
    }
    loaded = LoadMelodic(lookBank, lookProgram, requestedProgram, requestedBank, name, ch, sync);
    if (!loaded && requestedBank != -1) channel.Bank = requestedBank;
  }
  if (loaded)
    ChannelLoaded(ch);
  else
    channel.Program = program;
}

void TTarnbelMIDIInput::ChannelLoaded(int ch) {
  TMidiChannel& channel = Channels[static_cast<size_t>(ch & 15)];
  channel.Loaded = 1;
  if (Settings.UnloadOrphanPreset) ReleaseOrphan(ch & 15);
  channel.LoadedProgram = channel.Program;
  channel.LoadedBank = channel.Bank;
}

bool TTarnbelMIDIInput::LoadMelodic(int bank, int program, int requestedProgram, int requestedBank,
                                    const std::string& name, int ch, bool synchronous) {
  TMidiChannel* channel = ch >= 0 ? &Channels[static_cast<size_t>(ch & 15)] : nullptr;
  if (channel) bank = channel->Bank;
  if (bank == -1 || !FSFThread) return false;
  if (requestedProgram == -1 && requestedBank == -1 && !Reloading &&
      UseCached(bank, program, WildcardMappingName, ch)) {
    if (channel) channel->Program = program;
    return true;
  }
  TLoadSource item;
  std::string mappingName = name;
  const bool found = LookUpItem(name, item, mappingName, [&](const TMapping& mapping) {
    const TMappingInactiveItem* slot = mapping.Slot(bank, program);
    if (!slot && Settings.UseDefaultMelodicBank) slot = mapping.Slot(static_cast<int>(mapping.DefaultMelodicBank), program);
    return slot;
  });
  if (!found) return false;
  const int32_t loadBank = requestedBank != -1 ? requestedBank : bank;
  const int32_t loadProgram = requestedProgram != -1 ? requestedProgram : item.TargetProgram;
  UseOrRequest(item, loadBank, loadProgram, ch, synchronous, mappingName);
  if (channel) {
    channel->Program = loadProgram;
    channel->Bank = loadBank;
  }
  return true;
}

bool TTarnbelMIDIInput::LoadDrumKit(int kit, bool synchronous, int slotProgram, const std::string& name, int ch) {
  if (!FSFThread) return false;
  TMidiChannel& drums = Channels[DrumChannel];
  if (slotProgram == -1 && !Reloading && kit != -1 && UseCached(CacheDrumKitBank, kit, WildcardMappingName, ch)) {
    drums.Program = kit;
    return true;
  }
  TLoadSource item;
  std::string mappingName = name;
  const bool found = LookUpItem(name, item, mappingName, [&](const TMapping& mapping) {
    const TMappingInactiveItem* slot = kit != -1 ? mapping.Slot(128, kit) : nullptr;
    if (!slot && Settings.UseDefaultDrumPreset) slot = mapping.Slot(128, static_cast<int>(mapping.DefaultDrumBank));
    if (kit == -1) kit = static_cast<int>(mapping.DefaultDrumBank);
    return slot;
  });
  if (!found) return false;
  const int32_t loadProgram = slotProgram != -1 ? slotProgram : kit;
  UseOrRequest(item, CacheDrumKitBank, loadProgram, ch, synchronous, mappingName);
  drums.Program = loadProgram;
  return true;
}

bool TTarnbelMIDIInput::UseCached(int32_t bank, int32_t program, const std::string& name, int ch) {
  TCacheWriteLock lock(*this);
  int index = FindCached(bank, program, name);
  if (index < 0) return false;
  Touch(index);
  CountUse(ch, FSFThread->Cache().List()[index]);
  return true;
}

void TTarnbelMIDIInput::CountUse(int ch, TPresetData& entry) {
  if (ch < 0) {
    entry.NoChannelWaits = true;
    return;
  }
  TMidiChannel& channel = Channels[static_cast<size_t>(ch & 15)];
  if (channel.UsedEntry == entry.Id) return;
  entry.AddUse();
  TPresetList& list = FSFThread->Cache().List();
  const int previous = channel.UsedEntry == NoEntryId ? -1 : list.FindUses(channel.UsedEntry);
  if (previous >= 0) list[previous].DropUse();
  channel.UsedEntry = entry.Id;
}

void TTarnbelMIDIInput::UseOrRequest(const TLoadSource& item, int32_t loadBank, int32_t loadProgram, int ch,
                                     bool synchronous, const std::string& mappingName) {
  // While mappings reload every preset is asked for afresh, as the mappings now say.
  if (Reloading || !UseCached(loadBank, loadProgram, mappingName, ch))
    Request(item, loadBank, loadProgram, ch, synchronous, mappingName, EchoLoads != 0);
}

void TTarnbelMIDIInput::Request(const TLoadSource& item, int32_t loadBank, int32_t loadProgram, int ch,
                                bool synchronous, const std::string& mappingName, bool echo) {
  if (!FSFThread) return;
  loadBank = CacheBank(loadBank);
  uint32_t id;
  {
    TCacheWriteLock lock(*this);
    TPresetList& list = FSFThread->Cache().List();
    TPresetData& entry = list[list.Add(loadBank, loadProgram, item.TargetProgram, item.TargetBank, mappingName,
                                       PendingTimeStamp)];
    entry.Pending = true;
    CountUse(ch, entry);
    id = entry.Id;
  }
  const bool aps = APSDevice();
  const DWORD target = FSFThread->ThreadID();
  if (synchronous || aps) {
    if (aps) DisconnectThru();
    TLoadPresetSyncMessage request(target, item.FileName, item.SourceBank, item.SourcePreset, loadBank, loadProgram, ch,
                                   static_cast<int32_t>(id), echo);
    request.Send();
    if (aps) ConnectThru();
  } else {
    TLoadPresetMessage(target, item.FileName, item.SourceBank, item.SourcePreset, loadBank, loadProgram, ch,
                       static_cast<int32_t>(id), echo)
        .Send();
  }
}

void TTarnbelMIDIInput::ClearPreset(int32_t bank, int32_t program, bool synchronous, bool echo, bool force,
                                    uint32_t id) {
  if (!FSFThread) return;
  bank = CacheBank(bank);
  uint32_t clearId = NoEntryId;
  {
    TCacheWriteLock lock(*this);
    TPresetList& list = FSFThread->Cache().List();
    int index = list.Find(bank, program, id);
    if (index >= 0 && id != NoEntryId) {
      // Walk on from the entry with that id through the entries of its own slot.
      bank = list[index].Bank;
      program = list[index].Program;
    }
    for (; index >= 0; index = list.FindNext(index, bank, program)) {
      TPresetData& entry = list[index];
      if ((force || entry.UseCount() == 0) && !entry.Releasing) {
        entry.Releasing = true;
        clearId = entry.Id;
        break;
      }
    }
  }
  if (clearId == NoEntryId) return;
  const bool aps = APSDevice();
  if (!synchronous && !aps) {
    TClearPresetMessage(FSFThread->ThreadID(), bank, program, static_cast<int32_t>(clearId), echo).Send();
    return;
  }
  if (aps) DisconnectThru();
  TClearPresetSyncMessage(FSFThread->ThreadID(), bank, program, static_cast<int32_t>(clearId), echo).Send();
  if (aps) ConnectThru();
}

void TTarnbelMIDIInput::ClearAll() {
  for (int program = 0; program < 128; ++program) ClearPreset(CacheDrumKitBank, program, false, true, true);
  for (int bank = 0; bank < 128; ++bank)
    for (int program = 0; program < 128; ++program) ClearPreset(bank, program, false, true, true);
}

bool TTarnbelMIDIInput::ChannelPlays(int32_t bank, int32_t program) const {
  for (const TMidiChannel& channel : Channels)
    if (CacheBank(channel.Bank) == CacheBank(bank) && channel.Program == program) return true;
  return false;
}

void TTarnbelMIDIInput::ReleaseOrphan(int ch) {
  const TMidiChannel& channel = Channels[static_cast<size_t>(ch)];
  for (int i = LimboList.Find(CacheBank(channel.Bank), channel.Program); i >= 0;
       i = LimboList.Find(CacheBank(channel.Bank), channel.Program))
    LimboList.Delete(i);
  const int32_t bank = channel.LoadedBank, program = channel.LoadedProgram;
  if (bank == -1 || program == -1) return;
  if (CacheBank(bank) == CacheBank(channel.Bank) && program == channel.Program) return;
  if (ChannelPlays(bank, program)) return;
  bool clearNow = false;
  {
    TCacheWriteLock lock(*this);
    int index = FindCached(bank, program, WildcardMappingName);
    if (index >= 0 && FSFThread->Cache().List()[index].UseCount() == 0) {
      if (Settings.UnloadOrphanTime != 0)
        LimboList.Add(CacheBank(bank), program, program, bank, "limbo", Ticks);
      else
        clearNow = true;
    }
  }
  if (clearNow) ClearPreset(bank, program, Settings.SyncOperation, true, false);
}

void TTarnbelMIDIInput::OnOrphanTick() {
  Ticks = TickCount();
  if (!Settings.UnloadOrphanPreset) return;
  const uint32_t limit = static_cast<uint32_t>(Settings.UnloadOrphanTime < 0 ? 0 : Settings.UnloadOrphanTime) * 1000u;
  for (int i = LimboList.Count() - 1; i >= 0; --i) {
    const TPresetData& entry = LimboList[i];
    if (TickAge(Ticks, entry.TimeStamp) <= limit) continue;
    const int32_t bank = entry.Bank, program = entry.Program;
    LimboList.Delete(i);
    if (!ChannelPlays(bank, program)) ClearPreset(bank, program, Settings.SyncOperation, true, false);
    return;
  }
}

void TTarnbelMIDIInput::OnPresetUnloaded(int32_t bank, int32_t program) {
  for (TMidiChannel& channel : Channels)
    if (CacheBank(channel.Bank) == CacheBank(bank) && channel.Program == program) channel.Loaded = 0;
  if (LoopbackIndex >= 0 && Opened)
    MidiApi().InMessage(Handle, LoopbackPresetUnloadedMessage, static_cast<DWORD_PTR>(bank),
                        static_cast<DWORD_PTR>(program));
}

void TTarnbelMIDIInput::OnDrumsUnloaded() {
  Channels[DrumChannel].Loaded = 0;
  if (LoopbackIndex >= 0 && Opened) MidiApi().InMessage(Handle, LoopbackDrumsUnloadedMessage, 0, 0);
}

unsigned TTarnbelMIDIInput::StartInput() {
  if (LoopbackIndex >= 0 && Opened)
    MidiApi().InMessage(Handle, LoopbackStartMessage, LoopbackStartMessage, LoopbackStartMessage);
  return Start();
}

void TTarnbelMIDIInput::SendBankAndProgram(int ch, int program, int bank) {
  if (!ThruOutput) return;
  if (bank != -1) ThruOutput->ShortMsg(static_cast<uint8_t>(0xB0 + (ch & 15)), 0, static_cast<uint8_t>(bank & 127));
  ThruOutput->ShortMsg(static_cast<uint8_t>(0xC0 + (ch & 15)), static_cast<uint8_t>(program & 127), 0);
}

void TTarnbelMIDIInput::DisconnectThru() {
  if (ThruOutput && ThruOutput->Opened && Opened) Disconnect(ThruOutput->Handle);
}

void TTarnbelMIDIInput::ConnectThru() {
  if (ThruOutput && ThruOutput->Opened && Opened) Connect(ThruOutput->Handle);
}
