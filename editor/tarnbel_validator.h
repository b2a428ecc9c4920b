#pragma once
// The integrity checker: walks the entries of one mapping, or of every stored mapping, finds entries whose
// source file is gone or whose SF2 file no longer holds the preset, asks the user where the file is now
// and rewrites the entries.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "component.h"

class TMapping;
class TMappingInactiveItem;

class TValidator {
 public:
  // owner: the window that owns the dialog and the boxes; it is disabled while a check runs.
  explicit TValidator(ui::TComponent* owner);
  ~TValidator();
  TValidator(const TValidator&) = delete;
  TValidator& operator=(const TValidator&) = delete;

  ui::TComponent* Owner;
  // Set as soon as one problem entry is met.
  bool ProblemsFound = false;
  // Told of each entry a rewrite replaces, at once, before the queue is served again: with done false the
  // slot's entry is still there and about to be freed; with done true the slot holds its successor (or
  // nothing, when the mapping refused it). A window that shows the entries lets go of the old one here.
  std::function<void(int bank, int program, bool done)> OnSlotRewrite;

  // With a mapping (loaded and kept by the caller): checks it and returns whether entries were rewritten.
  // A rewrite replaces entries (and may free file cells) of the mapping: every pointer to its entries or
  // cells taken before the call is stale when it returns true. Without a mapping: checks every stored
  // mapping, stores those it rewrote, and returns true.
  // The walk serves the message queue; meanwhile the owner and the program's other windows are disabled.
  // A request that would free the checked mapping must wait until AnyRunning() is false.
  bool CheckAll(TMapping* mapping);
  // "No problems encountered." when the check found nothing.
  void ShowResult();

  // True while a check of this program runs.
  static bool AnyRunning();

 private:
  enum TProblem { pbFileMissing, pbPresetMissing };
  // What a question is about, copied: a rewrite frees the entry itself.
  struct TEntry {
    std::string SourceName;  // the file, for a wave entry the folder and the wave file's name
    bool Wave;
    uint32_t SourceBank, SourceProgram, TargetBank, TargetProgram, Tag;
    std::string Name;
    std::string PresetName;
  };
  static TEntry Snapshot(const TMappingInactiveItem& item);
  struct TRun;

  void CheckStoredMappings();
  void CheckStoredMapping(const std::string& name);
  void CheckMapping(TMapping& mapping);
  void ServeMessages();
  // Whether the slot must be checked again.
  bool CheckSlot(TMapping& mapping, int bank, int program);
  bool PresetPresent(const std::string& file, const TMappingInactiveItem& item);
  bool ReportProblem(TMapping& mapping, const TEntry& entry, TProblem problem);
  bool RedirectToFoundFolder(TMapping& mapping, const TEntry& entry);
  void FillDialog(const TMapping& mapping, const TEntry& entry, TProblem problem);
  void ActOnAnswer(TMapping& mapping, const TEntry& entry, TProblem problem, int answer, bool& checkAgain);
  void RedirectFile(TMapping& mapping, const TEntry& entry, const std::string& newName, bool allEntries);
  void RewriteEntry(TMapping& mapping, const TEntry& entry, const std::string& newName);
  void MarkChanged();
  void ShowProgress(bool show);

  std::unique_ptr<TRun> FRun;
};

// Registers the check that the launcher runs on WM_TB_CHECK_INTEGRITY. A request that comes while a check
// runs is run once that check has ended, as a WM_TB_CHECK_INTEGRITY posted back to the requesting window.
void RegisterIntegrityChecker();
