#include "route_thread.h"

#include "live_requests.h"
#include "none_marker.h"
#include "route_settings.h"
#include "server_box.h"
#include "mapping_random.h"
#include "tarnbel_globals.h"
#include "tarnbel_mappings_array.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"
#include "thread_post.h"
#include "tick_clock.h"

namespace {
const char* const NoPort = "[none]";
// The server runs a thread per route, so each reserves only what it needs. Its deepest road (opening
// the ports and the device, a Winamp load under the mappings' lock) takes under 8 KB; the rest is
// room for what runs on it that we cannot measure: the vendor's device query, a card's MIDI driver,
// other programs' message hooks.
constexpr SIZE_T RouteThreadStack = 256 * 1024;
}  // namespace

std::string CantOpenInputText(const std::string& inputName) {
  return "Can't open MIDI Input:  \"" + inputName + "\"";
}

TRouteThread::TRouteThread(const std::string& inputName, const std::string& deviceName, const std::string& outputName)
    : TAdvancedThread(RouteThreadStack),
      FDeviceName(deviceName),
      FOutputName(outputName),
      FInputName(inputName),
      FCaption(inputName + " --> " + outputName + " --> " + deviceName) {
  {
    TOSC_MIDIInput probe;
    int index = -1;
    if (probe.IndexOf(inputName, index) == MIDI_RESULT_OK) FInputIndex = index;
  }
  {
    TOSC_MIDIOutput probe;
    int index = -1;
    if (probe.IndexOf(outputName, index) == MIDI_RESULT_OK)
      FOutputIndex = index;
    else if (outputName != NoPort)
      RequestServerBox(CreatorThreadID(), "MIDI Out device \"" + outputName + "\" not found.");
  }
}

TRouteThread::~TRouteThread() {
  Stop();
  WatchSFThread(nullptr);
}

void TRouteThread::Reply(const MSG& msg) {
  if (msg.lParam) TAbstractMessage::FromParam(msg.lParam)->Reply();
}

void TRouteThread::WatchSFThread(const TSFManagerThread* thread) {
  HANDLE watch = thread ? OpenThread(SYNCHRONIZE, FALSE, thread->ThreadID()) : nullptr;
  std::lock_guard<std::mutex> lock(FWatchLock);
  if (FSFThreadWatch) CloseHandle(FSFThreadWatch);
  FSFThreadWatch = watch;
}

bool TRouteThread::WorkersEndedUnasked() const {
  if (EndedUnasked()) return true;
  std::lock_guard<std::mutex> lock(FWatchLock);
  return FSFThreadWatch && WaitForSingleObject(FSFThreadWatch, 0) == WAIT_OBJECT_0;
}

void TRouteThread::PublishState() {
  TSFManagerThread* thread = FInput ? FInput->SFThread() : nullptr;
  WatchSFThread(thread);
  FHasSFThread = thread != nullptr;
  FOwnsSFThread = thread != nullptr && FInput->SFDeviceIndex != -1;
  FLoopbackIndex = FInput ? FInput->LoopbackIndex : -1;
}

void TRouteThread::OpenRoute() {
  if (FInputIndex != -1) {
    FInput.reset(new TTarnbelMIDIInput(FDeviceName, FInputName, CreatorThreadID()));
    PublishState();
    FInputOpen = FInput->Open(FInputIndex) == MIDI_RESULT_OK;
  }
  if (!FInputOpen) RequestServerBox(CreatorThreadID(), CantOpenInputText(FInputName));
  if (FOutputIndex != -1) {
    FOutput.reset(new TOSC_MIDIOutput);
    FOutputOpen = FOutput->Open(FOutputIndex) == MIDI_RESULT_OK;
    if (FInput) FInput->ThruOutput = FOutput.get();
    if (!FOutputOpen) RequestServerBox(CreatorThreadID(), "Can't open MIDI Output:  \"" + FOutputName + "\"");
  }
  if (FInputOpen && FOutputOpen) FThruConnected = FInput->Connect(FOutput->Handle) == MIDI_RESULT_OK;
  if (FInputOpen) FInput->StartInput();
  if (FInput) FInput->Enabled = 1;
  FOpenDone = true;
  AnswerWaitingSFRequests();
}

void TRouteThread::CloseRoute() {
  if (FInput) FInput->Enabled = 0;
  if (FInputOpen) FInput->Stop();
  if (FThruConnected) FInput->Disconnect(FOutput->Handle);
  FThruConnected = false;
  if (FOutputOpen) FOutput->Close();
  FOutputOpen = false;
  if (FInput) FInput->ThruOutput = nullptr;
  FOutput.reset();
  if (FInputOpen) FInput->Close();
  FInputOpen = false;
  FHasSFThread = false;
  FOwnsSFThread = false;
  // Its end, when this route was the last to use it, is asked for: no longer watched.
  WatchSFThread(nullptr);
  FInput.reset();
  PublishState();
  FOpenDone = true;
  AnswerWaitingSFRequests();
}

void TRouteThread::DoStop() { CloseRoute(); }

void TRouteThread::AnswerSFThread(const MSG& msg) {
  if (!FOpenDone) {
    FWaitingSFRequests.push_back(msg.lParam);
    return;
  }
  auto* request = static_cast<TGetSFManagerThreadMessage*>(TAbstractMessage::FromParam(msg.lParam));
  // A route whose input never opened answers "none" rather than keeping its asker waiting.
  if (FInputOpen && FInput && FInput->SFThread()) {
    request->Thread = FInput->SharedSFThread();
    request->ThreadId = FInput->SFThread()->ThreadID();
  }
  request->Reply();
}

void TRouteThread::AnswerWaitingSFRequests() {
  std::vector<LPARAM> waiting;
  waiting.swap(FWaitingSFRequests);
  for (LPARAM request : waiting) {
    MSG msg{};
    msg.message = TM_GET_SF_THREAD;
    msg.lParam = request;
    AnswerSFThread(msg);
  }
}

void TRouteThread::ReopenPorts() {
  if (FInputOpen) FInput->Stop();
  if (FThruConnected) FInput->Disconnect(FOutput->Handle);
  FThruConnected = false;
  if (FOutput) FOutput->Close();
  FOutputOpen = false;
  if (FInput) FInput->Close();
  FInputOpen = false;
  if (FInputIndex != -1 && FInput) FInputOpen = FInput->Open(FInputIndex) == MIDI_RESULT_OK;
  if (FOutputIndex != -1 && FOutput) FOutputOpen = FOutput->Open(FOutputIndex) == MIDI_RESULT_OK;
}

void TRouteThread::ConnectAndStart() {
  if (FInputOpen && FOutputOpen) FThruConnected = FInput->Connect(FOutput->Handle) == MIDI_RESULT_OK;
  if (FInputOpen) FInput->Start();
}

TRouteThread::TChannelPairs TRouteThread::SaveChannels() const {
  TChannelPairs pairs{};
  for (size_t i = 0; i < pairs.size(); ++i) {
    pairs[i].Bank = FInput ? FInput->Channels[i].Bank : 0;
    pairs[i].Program = FInput ? FInput->Channels[i].Program : -1;
  }
  return pairs;
}

void TRouteThread::DropUncached(TChannelPairs& pairs) {
  if (!FInput || !FInput->SFThread()) return;
  TGetListOfCachedPresetsMessage request(FInput->SFThread()->ThreadID());
  if (!request.Send()) return;
  for (TChannelPair& pair : pairs)
    if (pair.Program != -1 && !request.List->Contains(CacheBank(pair.Bank), pair.Program)) pair.Program = -1;
}

bool TRouteThread::LoadByMapping(int bank, int program, int channel) {
  std::string name;
  if (TSafeMappingsArray* set = ServerMappings()) {
    TWriteLock lock(*set);
    TMapping* mapping = set->Mappings().FindMappingFor(bank, program);
    if (mapping) name = mapping->Name;
  }
  bank = MappingBankOf(bank);
  if (bank == 128) return FInput->LoadDrumKit(program, false, program, name, channel);
  return FInput->LoadMelodic(bank, program, program, bank, name, channel, false);
}

void TRouteThread::RestoreChannels(const TChannelPairs& pairs) {
  if (!FInput) return;
  for (int ch = 0; ch < 16; ++ch) {
    int bank = pairs[static_cast<size_t>(ch)].Bank;
    const int program = pairs[static_cast<size_t>(ch)].Program;
    if (bank == -1) bank = 0;
    if (program == -1) continue;
    if (ch == DrumChannel) bank = 128;
    if (LoadByMapping(bank, program, ch)) FInput->ChannelLoaded(ch);
    if (!FOutput) continue;
    if (ch != DrumChannel) FOutput->ShortMsg(static_cast<uint8_t>(0xB0 + ch), 0, static_cast<uint8_t>(bank & 127));
    FOutput->ShortMsg(static_cast<uint8_t>(0xC0 + ch), static_cast<uint8_t>(program & 127), 0);
  }
}

void TRouteThread::Reload() {
  if (!FInput) return;
  const uint8_t enabled = FInput->Enabled;
  FInput->Enabled = 0;
  FInput->Reloading = 1;
  TChannelPairs saved = SaveChannels();
  if (!FInput->WinampMode && FInput->SFThread()) {
    std::vector<std::pair<int32_t, int32_t>> unused;
    {
      TCacheWriteLock lock(*FInput);
      const TPresetList& list = FInput->SFThread()->Cache().List();
      for (int i = list.Count() - 1; i >= 0; --i)
        if (list[i].UseCount() == 0 && !list[i].Releasing && !list[i].Pending)
          unused.emplace_back(list[i].Bank, list[i].Program);
    }
    for (size_t i = unused.size(); i-- > 0;) LoadByMapping(unused[i].first, unused[i].second, -1);
  } else if (FInput->WinampMode) {
    WinampLoad(FInput->WinampList);
    for (TChannelPair& pair : saved)
      if (!HasBankProgram(FInput->WinampList, pair.Bank, pair.Program)) pair = TChannelPair{-1, -1};
  }
  RestoreChannels(saved);
  PostAsOwner(CreatorThreadID(), TM_ECHO, 0, 0);
  FInput->Reloading = 0;
  FInput->Enabled = enabled;
}

void TRouteThread::UnloadUnused() {
  if (!FInput || !FInput->Enabled || !FInput->SFThread()) return;
  const DWORD target = FInput->SFThread()->ThreadID();
  const int32_t limit = FInput->Settings.UnloadTime * 1000;
  if (FInput->APSDevice()) {
    FInput->DisconnectThru();
    TUnloadUnusedSyncMessage(target, TickCount(), limit).Send();
    FInput->ConnectThru();
  } else {
    TUnloadUnusedMessage(target, TickCount(), limit).Send();
  }
}

void TRouteThread::PreviewSelect() {
  if (!FInput) return;
  const uint8_t enabled = FInput->Enabled;
  FInput->Enabled = 0;
  FInput->OnMessage(new TOSC_MIDIMessage(0, 0xB0, 0, 0));
  FInput->OnMessage(new TOSC_MIDIMessage(0, 0xC0, 0, 0));
  if (FOutput) {
    FOutput->ShortMsg(0xB0, 0, 0);
    FOutput->ShortMsg(0xC0, 0, 0);
  }
  FInput->Enabled = enabled;
}

void TRouteThread::ProcessMessage(const MSG& msg) {
  if (msg.message < TM_LOAD_PRESET || msg.message > TM_MIDI_EVENT) return;
  if (FInput) FInput->RefreshSettings();
  TTarnbelMIDIInput* input = FInput.get();
  switch (msg.message) {
    case TM_LOAD_PRESET: {
      std::unique_ptr<TLoadRecord> record(TLoadPresetMessage::RecordOf(msg.lParam));
      if (input && record) {
        TLoadSource source;
        source.FileName = record->FileName;
        source.SourceBank = record->SourceBank;
        source.SourcePreset = record->SourcePreset;
        source.TargetBank = MappingBankOf(record->Bank);
        source.TargetProgram = record->Program;
        input->Request(source, record->Bank, record->Program, record->Channel, false, NoneMarker, record->Echo != 0);
      }
      break;
    }
    case TM_CLEAR_PRESET: {
      std::unique_ptr<TClearRecord> record(TClearPresetMessage::RecordOf(msg.lParam));
      if (input && record)
        input->ClearPreset(record->Bank, record->Program, false, true, true, static_cast<uint32_t>(record->EntryId));
      break;
    }
    case TM_CLEAR_PRESET_SYNC: {
      auto* request = TClearPresetSyncMessage::FromParam(msg.lParam);
      if (input && request->Record()) {
        const TClearRecord& record = *request->Record();
        input->ClearPreset(record.Bank, record.Program, true, true, true, static_cast<uint32_t>(record.EntryId));
      }
      request->FreeRecord();
      request->Reply();
      break;
    }
    case TM_ROUTE_OPEN:
      OpenRoute();
      Reply(msg);
      break;
    case TM_ROUTE_CLOSE:
      CloseRoute();
      break;
    case TM_ROUTE_1044:
      if (input && FInputIndex != -1) input->ClearAll();
      break;
    case TM_CLEAR_ALL_LOADED:
      // A manager thread that is gone takes nothing: the record stays ours to free.
      if (!input || !input->SFThread() || !ForwardTo(input->SFThread()->ThreadID()))
        delete TClearAllLoadedSFMessage::RecordOf(msg.lParam);
      if (input) input->Channels[DrumChannel].Loaded = 0;
      break;
    case TM_GET_CACHED_LIST:
      // Answered here when no manager thread can: its sender must not wait on this live thread for good.
      if (!input || !input->SFThread() || !ForwardTo(input->SFThread()->ThreadID())) Reply(msg);
      break;
    case TM_1050:
      if (input) input->OnDrumsUnloaded();
      break;
    case WM_TB_SERVER_BUSY:
    case WM_TB_SERVER_IDLE:
    case WM_TB_SERVER_ERROR:
    case TM_UNSUPPORTED_WAVE:
    case TM_PRESET_TOO_BIG:
    case TM_PRESET_NOT_FOUND:
      ForwardTo(CreatorThreadID());
      break;
    case TM_GET_SF_THREAD:
      AnswerSFThread(msg);
      break;
    case TM_UNLOAD_UNUSED:
      UnloadUnused();
      break;
    case TM_MIDI_RESET: {
      ReopenPorts();
      TChannelPairs pairs = SaveChannels();
      DropUncached(pairs);
      RestoreChannels(pairs);
      ConnectAndStart();
      break;
    }
    case TM_MONITOR_ON:
    case TM_MONITOR_OFF:
      if (input) input->Monitored = msg.message == TM_MONITOR_ON;
      break;
    case TM_ROUTE_1063:
      if (FInputOpen) input->Stop();
      if (FThruConnected) input->Disconnect(FOutput->Handle);
      FThruConnected = false;
      Reply(msg);
      break;
    case TM_ROUTE_1064:
      if (input) input->OnOrphanTick();
      break;
    case TM_GET_CHANNELS: {
      auto* request = static_cast<TGetChannelsMessage*>(TAbstractMessage::FromParam(msg.lParam));
      request->Channels = SaveChannels();
      if (request->Flag) DropUncached(request->Channels);
      request->Reply();
      break;
    }
    case TM_1120:
      if (input) input->OnPresetUnloaded(static_cast<int32_t>(msg.wParam & 0xFFFF), static_cast<int32_t>(msg.lParam));
      break;
    case TM_MM_LOAD_PRESETS:
    case TM_MM_LOAD_DRUMS:
      Reply(msg);
      break;
    case TM_DRIVER_1140:
      if (input) input->BankSelect(static_cast<int>(msg.wParam), static_cast<int>(msg.lParam));
      break;
    case TM_WINAMP_LOAD_PRESETS: {
      auto* request = static_cast<TWinampLoadPresetsMessage*>(TAbstractMessage::FromParam(msg.lParam));
      if (input && input->SFThread()) {
        const uint8_t enabled = input->Enabled;
        input->Enabled = 0;
        input->Suspended = 0;
        WinampLoad(request->Records);
        input->Enabled = enabled;
      }
      request->Reply();
      break;
    }
    case TM_WINAMP_1146:
      ReopenPorts();
      if (input) {
        for (TMidiChannel& channel : input->Channels) channel.Bank = 0;
        input->Channels[DrumChannel].Bank = CacheDrumKitBank;
      }
      ConnectAndStart();
      break;
    case TM_WINAMP_MODE_ON:
      if (input) {
        input->WinampMode = 1;
        input->Suspended = 0;
      }
      Reply(msg);
      break;
    case TM_WINAMP_MODE_OFF:
      if (input) input->WinampMode = 0;
      break;
    case TM_PREVIEW_SELECT:
      PreviewSelect();
      break;
    case TM_RELOAD_MAPPINGS:
      Reload();
      break;
    case TM_PREVIEW_ON:
    case TM_PREVIEW_OFF:
      if (input) input->PreviewMode = msg.message == TM_PREVIEW_ON;
      break;
    case WM_TB_WINAMP_1195:
    case WM_TB_WINAMP_1196:
      if (input) input->Suspended = msg.message == WM_TB_WINAMP_1195;
      break;
    case TM_MIDI_EVENT:
      TLiveRequests::Remove(reinterpret_cast<const void*>(msg.lParam));
      if (input)
        input->ProcessMidiEvent(reinterpret_cast<TOSC_MIDIMessage*>(msg.lParam));
      else
        delete reinterpret_cast<TOSC_MIDIMessage*>(msg.lParam);
      break;
    default:
      break;
  }
}

void TRouteThread::DiscardMessage(const MSG& msg) {
  switch (msg.message) {
    case TM_MIDI_EVENT:
      TLiveRequests::Remove(reinterpret_cast<const void*>(msg.lParam));
      delete reinterpret_cast<TOSC_MIDIMessage*>(msg.lParam);
      break;
    case TM_LOAD_PRESET: delete TLoadPresetMessage::RecordOf(msg.lParam); break;
    case TM_CLEAR_PRESET: delete TClearPresetMessage::RecordOf(msg.lParam); break;
    case TM_CLEAR_ALL_LOADED: delete TClearAllLoadedSFMessage::RecordOf(msg.lParam); break;
    default: break;
  }
}

bool TRouteThread::CarriesObject(UINT id) const {
  switch (id) {
    case TM_LOAD_PRESET: case TM_CLEAR_PRESET: case TM_CLEAR_PRESET_SYNC: case TM_ROUTE_OPEN:
    case TM_CLEAR_ALL_LOADED: case TM_GET_CACHED_LIST: case TM_GET_SF_THREAD: case TM_ROUTE_1063:
    case TM_GET_CHANNELS: case TM_MM_LOAD_PRESETS: case TM_MM_LOAD_DRUMS: case TM_WINAMP_LOAD_PRESETS:
    case TM_WINAMP_MODE_ON: case TM_MIDI_EVENT:
      return true;
    default:
      return false;
  }
}

namespace {
bool IsDrumRecord(const BankProgramRecord& record) { return MappingBankOf(record.Bank) == 128; }

void SetRequested(BankProgramRecord& record, int bank, int program) {
  const uint32_t high = bank == -1 ? NoRequestedHalf : static_cast<uint16_t>(bank);
  const uint32_t low = program == -1 ? NoRequestedHalf : static_cast<uint16_t>(program);
  record.RequestedPair = (high << 16) | low;
}

// The program a drum record asks for: the requested one when given.
int RequestedKit(const BankProgramRecord& record) {
  return RequestedProgram(record) != -1 ? RequestedProgram(record) : record.Program;
}
}  // namespace

void TRouteThread::WinampLoad(std::vector<BankProgramRecord> records) {
  if (!FInput || !FInput->SFThread()) return;
  TSafeMappingsArray* set = ServerMappings();
  if (!set) return;
  const TRouteSettings& settings = FInput->Settings;
  // Held throughout, the loads included: the main thread's mapping commands wait meanwhile.
  TWriteLock mappingsLock(*set);
  TMappingsArray& mappings = set->Mappings();

  std::vector<TMapping*> chosen(records.size(), nullptr);
  TMapping* shared = settings.RandomMapping ? mappings.GetRandomMapping(-1, -1) : nullptr;
  for (size_t i = 0; i < records.size(); ++i) {
    BankProgramRecord& r = records[i];
    chosen[i] = settings.RandomMapping ? shared : mappings.FindMappingFor(r.Bank, r.Program);
    if (settings.RandomPresets) chosen[i] = mappings.GetRandomMapping(r.Bank, r.Program);
    TMapping& mapping = *chosen[i];
    if (!IsDrumRecord(r)) {
      if (r.Program == -1) r.Program = 0;
      if (r.Bank == -1) r.Bank = static_cast<int32_t>(mapping.DefaultMelodicBank);
      if (settings.RandomBanks && settings.RandomPrograms) {
        SetRequested(r, r.Bank, r.Program);
        int bank = r.Bank, program = r.Program;
        GetRandomSlot(mapping, bank, program);
        r.Bank = bank;
        r.Program = program;
      } else if (settings.RandomBanks) {
        int bank = GetRandomBank(mapping, r.Program);
        if (bank != -1) {
          SetRequested(r, r.Bank, -1);
          r.Bank = bank;
        }
      } else if (settings.RandomPrograms) {
        int program = GetRandomProgram(mapping, r.Bank);
        if (program != -1) {
          SetRequested(r, -1, r.Program);
          r.Program = program;
        }
      }
    } else if (settings.RandomDrumBank) {
      std::vector<int> filled;
      for (int p = 0; p < 128; ++p)
        if (mapping.SlotFilled(128, p)) filled.push_back(p);
      const int requested = r.Program == -1 ? 0 : r.Program;
      SetRequested(r, -1, requested);
      r.Program = filled.empty() ? static_cast<int32_t>(mapping.DefaultDrumBank)
                                 : filled[static_cast<size_t>(RandomBelow(static_cast<int>(filled.size())))];
    }
    if (IsDrumRecord(r)) {
      if (r.Program == -1) r.Program = static_cast<int32_t>(mapping.DefaultDrumBank);
    } else {
      if (r.Bank == -1) r.Bank = static_cast<int32_t>(mapping.DefaultMelodicBank);
      if (r.Program == -1) r.Program = 0;
    }
  }

  if (settings.WinampResetCache) {
    TGetListOfCachedPresetsMessage request(FInput->SFThread()->ThreadID());
    if (request.Send()) {
      TPresetList& list = *request.List;
      for (size_t i = 0; i < records.size(); ++i) {
        const BankProgramRecord& r = records[i];
        if (r.RequestedPair != NoRequestedPair) continue;
        const TMappingInactiveItem* item = chosen[i]->Slot(r.Bank, r.Program);
        for (int k = list.Count() - 1; k >= 0; --k) {
          const TPresetData& entry = list[k];
          if (entry.Bank == CacheBank(MappingBankOf(r.Bank)) && entry.Program == r.Program &&
              entry.MappingName == chosen[i]->Name && item &&
              entry.SlotBank == static_cast<int32_t>(item->TargetBank) &&
              entry.SlotProgram == static_cast<int32_t>(item->TargetProgram))
            list.Delete(k);
        }
      }
      for (int k = list.Count() - 1; k >= 0; --k)
        FInput->ClearPreset(list[k].Bank, list[k].Program, true, false, true, list[k].Id);
    }
  }

  // Drum records in ascending order of the kit they ask for, their mappings moving with them.
  std::vector<size_t> drums;
  for (size_t i = 0; i < records.size(); ++i)
    if (IsDrumRecord(records[i])) drums.push_back(i);
  for (size_t end = drums.size(); end > 1; --end) {
    size_t largest = 0;
    for (size_t k = 1; k < end; ++k)
      if (RequestedKit(records[drums[k]]) > RequestedKit(records[drums[largest]])) largest = k;
    std::swap(records[drums[largest]], records[drums[end - 1]]);
    std::swap(chosen[drums[largest]], chosen[drums[end - 1]]);
  }

  FInput->EchoLoads = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    BankProgramRecord& r = records[i];
    const int requestedBank = RequestedBank(r), requestedProgram = RequestedProgram(r);
    if (IsDrumRecord(r)) {
      FInput->LoadDrumKit(r.Program, true, requestedProgram, chosen[i]->Name);
      if (requestedProgram != -1) r.Program = requestedProgram;
    } else {
      FInput->LoadMelodic(r.Bank, r.Program, requestedProgram, requestedBank, chosen[i]->Name, -1, true);
      if (requestedBank != -1) r.Bank = requestedBank;
      if (requestedProgram != -1) r.Program = requestedProgram;
    }
  }
  FInput->EchoLoads = 1;
  FInput->WinampList = records;
}
