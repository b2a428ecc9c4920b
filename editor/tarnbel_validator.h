#pragma once
// The integrity checker: walks the entries of one mapping, or of every stored mapping, finds entries whose
// source file is gone or whose SF2 file no longer holds the preset, asks the user where the file is now
// and rewrites the entries.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "component.h"

class TMapping;
class TMappingInactiveItem;
class TphdrChunk;
class TProgressForm;
class TValidatorDialog;

class TValidator {
 public:
  // owner: the window that owns the dialog and the boxes.
  explicit TValidator(ui::TComponent* owner);
  ~TValidator();
  TValidator(const TValidator&) = delete;
  TValidator& operator=(const TValidator&) = delete;

  ui::TComponent* Owner;
  // Set as soon as one problem entry is met.
  bool ProblemsFound = false;

  // With a mapping (loaded and kept by the caller): checks it and returns whether entries were rewritten.
  // A rewrite replaces entries (and may free file cells) of the mapping: every pointer to its entries or
  // cells taken before the call is stale when it returns true. Without a mapping: checks every stored
  // mapping, stores those it rewrote, and returns true.
  bool CheckAll(TMapping* mapping);
  // "No problems encountered." when the check found nothing.
  void ShowResult();

  // True while a check runs (its loops serve the message queue).
  bool Running() const { return FRun != nullptr; }

 private:
  enum TProblem { pbFileMissing, pbPresetMissing };
  struct TRun;

  void CheckStoredMappings();
  void CheckStoredMapping(const std::string& name);
  void CheckMapping(TMapping& mapping);
  // Whether the slot's entry must be checked again.
  bool CheckSlot(TMapping& mapping, int bank, int program);
  bool PresetPresent(const std::string& file, const TMappingInactiveItem& item);
  bool ReportProblem(TMapping& mapping, const TMappingInactiveItem& item, TProblem problem);
  bool RedirectFromFoundFolders(TMapping& mapping, const TMappingInactiveItem& item);
  void FillDialog(const TMapping& mapping, const TMappingInactiveItem& item, TProblem problem);
  void RedirectFile(TMapping& mapping, const TMappingInactiveItem& item, const std::string& newName,
                    bool allEntries);
  bool RedirectAllEntries(TMapping& mapping, const std::string& oldName, const std::string& newName);
  void RewriteEntry(TMapping& mapping, const TMappingInactiveItem& item, const std::string& newName);
  void MarkChanged();

  std::unique_ptr<TRun> FRun;
};
