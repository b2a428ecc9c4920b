#pragma once
// TRouteThread: one MIDI route (an input, an optional output fed by the input's thru connection, a
// SoundFont device). It owns the ports and the route's TTarnbelMIDIInput, handles the input's
// messages, answers the requests of the main thread and forwards the manager thread's reports to it.
// Its creator is the server's main thread.
#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "advanced_thread.h"
#include "osc_midi_output.h"
#include "sf_thread_messages.h"
#include "tarnbel_midi_in.h"

// The box text of a route input that could not be opened.
std::string CantOpenInputText(const std::string& inputName);

class TRouteThread : public TAdvancedThread {
 public:
  using TChannelPairs = std::array<TChannelPair, 16>;

  // Looks the ports up by name (a missing output that is not "[none]" gets its box). Start it with
  // TAdvancedThread::Make, WaitReady, then open it with a synchronous TM_ROUTE_OPEN.
  TRouteThread(const std::string& inputName, const std::string& deviceName, const std::string& outputName);
  ~TRouteThread() override;

  const std::string& InputName() const { return FInputName; }
  const std::string& OutputName() const { return FOutputName; }
  const std::string& DeviceName() const { return FDeviceName; }
  const std::string& Caption() const { return FCaption; }
  int InputIndex() const { return FInputIndex; }
  int OutputIndex() const { return FOutputIndex; }

  // Readable from any thread.
  bool HasSFThread() const { return FHasSFThread; }
  // The input started its own manager thread (rather than borrowing another route's).
  bool OwnsSFThread() const { return FOwnsSFThread; }
  bool InputOpen() const { return FInputOpen; }
  bool OutputOpen() const { return FOutputOpen; }
  bool ThruConnected() const { return FThruConnected; }
  int LoopbackIndex() const { return FLoopbackIndex; }

  // The route's thread, or the manager thread its input uses, has ended without being asked to:
  // the route no longer works. Readable from any thread.
  bool WorkersEndedUnasked() const;

  // For use on the route thread, or while it waits for nothing (tests after a synchronous request).
  TTarnbelMIDIInput* Input() const { return FInput.get(); }

 protected:
  void ProcessMessage(const MSG& msg) override;
  void DoStop() override;
  void DiscardMessage(const MSG& msg) override;
  bool CarriesObject(UINT id) const override;
  // Every other id of ours changes the route's state or reaches the main thread's boxes.
  bool OwnerOnly(UINT id) const override { return id >= WM_USER && !CarriesObject(id); }

 private:
  void OpenRoute();
  void CloseRoute();
  void ReopenPorts();
  void ConnectAndStart();
  TChannelPairs SaveChannels() const;
  void DropUncached(TChannelPairs& pairs);
  void RestoreChannels(const TChannelPairs& pairs);
  bool LoadByMapping(int bank, int program, int channel);
  void Reload();
  void WinampLoad(std::vector<BankProgramRecord> records);
  void AnswerSFThread(const MSG& msg);
  void AnswerWaitingSFRequests();
  void UnloadUnused();
  void PreviewSelect();
  void PublishState();
  // Watches the manager thread (none: stops watching), which must happen before the input lets it go.
  void WatchSFThread(const TSFManagerThread* thread);
  static void Reply(const MSG& msg);

  std::unique_ptr<TTarnbelMIDIInput> FInput;
  std::unique_ptr<TOSC_MIDIOutput> FOutput;
  std::string FDeviceName;
  std::string FOutputName;
  std::string FInputName;
  int FOutputIndex = -1;
  int FInputIndex = -1;
  std::atomic<bool> FInputOpen{false};
  std::atomic<bool> FOutputOpen{false};
  std::atomic<bool> FThruConnected{false};
  std::string FCaption;

  std::atomic<bool> FHasSFThread{false};
  std::atomic<bool> FOwnsSFThread{false};
  std::atomic<int> FLoopbackIndex{-1};
  // Until the route has been opened, questions for its manager thread wait here; once it was opened
  // (or closed) every question is answered at once.
  bool FOpenDone = false;
  std::vector<LPARAM> FWaitingSFRequests;
  // A handle of the manager thread the input uses, while it uses it.
  mutable std::mutex FWatchLock;
  HANDLE FSFThreadWatch = nullptr;
};
