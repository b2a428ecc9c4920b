// The manager's commands on stored mappings: new, import, copy, rename, delete, edit and the integrity check.
// Each stored change happens whole or not at all; a refusal or failure leaves the list and the server as
// they were.
#include <memory>

#include "application.h"
#include "ipc.h"
#include "message_box.h"
#include "progress_form.h"
#include "registry_internal.h"
#include "stored_changes.h"
#include "string_list.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;

namespace {

const char* const Product = "tarnbel";
// Longer names are no registry key names.
constexpr size_t MaxMappingNameLength = 255;

// Why the name cannot name a mapping's key, or empty. A backslash would reach another key; a control
// character would cut the server's order text and the combos' items, which 0x01 ends and marks.
std::string NameFormProblem(const std::string& name) {
  if (name.find('\\') != std::string::npos) return "Mapping name cannot contain a \"\\\" character.";
  for (unsigned char c : name)
    if (c < 0x20) return "Mapping name cannot contain control characters.";
  if (name.size() > MaxMappingNameLength)
    return "Mapping name cannot be longer than " + std::to_string(MaxMappingNameLength) + " characters.";
  return std::string();
}

bool NameStored(const std::string& name) {
  std::vector<std::string> names;
  GetMappingNames(names);
  for (const std::string& stored : names)
    if (AnsiSameText(stored, name)) return true;
  return false;
}

std::string FileNameWithoutExtension(const std::string& fileName) {
  std::string name = fileName.substr(ExtractFilePath(fileName).size());
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The small progress window of a long change; it lets the message loop run between the keys it writes.
class TChangeProgress {
 public:
  TChangeProgress(TComponent* owner, const std::string& caption) : FForm(new TProgressForm(owner)) {
    FForm->SetText(caption);
    FForm->SetMax(100);
    FForm->SetProgress(100);
  }
  std::function<void()> Step() const {
    return [] { Application().ProcessMessages(); };
  }

 private:
  std::unique_ptr<TProgressForm, TFreeDeleter> FForm;
};

}  // namespace

bool TMappingsManagerForm::MappingExists(const std::string& name, const std::string& hint) {
  TRegKey key(StoredMappingPath(name), false);
  key.FlushOnDestroy = false;
  if (!key.Opened()) return false;
  std::string text = "Mapping \"" + name + "\" already exists. Choose another name.";
  if (!hint.empty()) text += "\r\n\r\n" + hint;
  ShowMessageBox(text, Product, MB_OK | MB_ICONERROR, Handle());
  return true;
}

std::string TMappingsManagerForm::AskNewMappingName(const std::string& caption, const std::string& prompt,
                                                    const std::string& proposal, const std::string& hint,
                                                    const std::string& source) {
  std::string name = proposal;
  if (!InputQuery(caption, prompt, name) || name.empty()) return std::string();
  if (!source.empty() && name == source) return std::string();
  // The form of the name first: a name that can be no key is not looked for among the keys.
  std::string problem = NameFormProblem(name);
  if (!problem.empty()) {
    ShowMessageBox(problem, Product, MB_OK | MB_ICONINFORMATION, Handle());
    return std::string();
  }
  return MappingExists(name, hint) ? std::string() : name;
}

void TMappingsManagerForm::ShowStoreFailure(const std::string& what, long error) {
  ShowMessageBox(what + ": " + SysErrorMessage(static_cast<unsigned long>(error)), Product, MB_OK | MB_ICONERROR,
                 Handle());
}

void TMappingsManagerForm::StoredMappingsChanged(bool keepComboModified) {
  const bool modified = ComboModified;
  FOwnReload = true;
  if (Launcher) {
    Launcher->PostMappingsChanged();
  } else {
    ReloadMappings();
    if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
  }
  FOwnReload = false;
  if (keepComboModified) ComboModified = modified;
}

void TMappingsManagerForm::NewMapping() {
  std::string name = AskNewMappingName("New mapping", "Enter new mapping name:", "",
                                       "You might also delete existing mapping before creating the new one with "
                                       "the same name.",
                                       "");
  if (name.empty()) return;
  if (LONG error = CreateStoredMapping(name, nullptr)) {
    ShowStoreFailure("Can't create mapping \"" + name + "\"", error);
    return;
  }
  StoredMappingsChanged(true);
}

void TMappingsManagerForm::ImportMapping() {
  MappingOpenDialog->SetInitialDir(Settings ? Settings->ReadString("DialogMappingPath", "") : std::string());
  if (!MappingOpenDialog->Execute()) return;
  const std::string file = MappingOpenDialog->FileName();
  if (Settings) Settings->WriteString("DialogMappingPath", ExtractFilePath(file));
  // Read before anything is made: a file that is gone or unreadable makes no empty mapping.
  std::vector<std::string> lines;
  unsigned long readError = 0;
  if (!LoadStringsFromFile(file, lines, readError)) {
    ShowStoreFailure("Can't read " + file, static_cast<long>(readError));
    return;
  }
  std::string name = AskNewMappingName(
      "Load file as...", "Enter name for new mapping:", FileNameWithoutExtension(file),
      "To import mapping from file over existing mapping use the Import command in Editor.", "");
  if (name.empty()) return;
  if (LONG error = CreateStoredMapping(name, &lines)) {
    ShowStoreFailure("Can't import mapping \"" + name + "\"", error);
    return;
  }
  StoredMappingsChanged(true);
}

void TMappingsManagerForm::CopyMapping() {
  const std::string source = SelectedName();
  if (source.empty()) return;
  std::string name = AskNewMappingName(
      "Copy mapping", "Enter name for new mapping:", "",
      "You might also delete existing mapping before copying another mapping to this name.", source);
  if (name.empty()) return;
  if (NameStored(name)) {
    ShowMessageBox("Can't copy mapping. \"" + name + "\" already exists.", Product, MB_OK | MB_ICONINFORMATION,
                   Handle());
    return;
  }
  LONG error;
  {
    TChangeProgress progress(this, "Saving mapping \"" + name + "\" in registry...");
    error = CopyStoredMapping(source, name, progress.Step());
  }
  if (error) {
    ShowStoreFailure("Can't copy mapping \"" + source + "\"", error);
    return;
  }
  StoredMappingsChanged(true);
}

void TMappingsManagerForm::RenameMapping() {
  const std::string old = SelectedName();
  if (old.empty() || old == "default") return;
  std::string name = AskNewMappingName("Rename mapping", "Enter new name for mapping \"" + old + "\" :", "", "", old);
  if (name.empty()) return;
  if (NameStored(name)) {
    ShowMessageBox("Can't rename mapping. \"" + name + "\" already exists.", Product, MB_OK | MB_ICONINFORMATION,
                   Handle());
    return;
  }
  LONG error;
  {
    TChangeProgress progress(this, "renaming mapping...");
    error = RenameStoredMapping(old, name, progress.Step());
  }
  if (error) {
    ShowStoreFailure("Can't rename mapping \"" + old + "\"", error);
    return;
  }
  StoredMappingsChanged(false);
}

void TMappingsManagerForm::DeleteMapping() {
  const std::string name = SelectedName();
  if (name.empty() || name == "default") return;
  if (ShowMessageBox("Really want to delete mapping \"" + name + "\" ?", "Confirmation",
                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, Handle()) != IDOK)
    return;
  LONG error;
  {
    TChangeProgress progress(this, "deleting mapping...");
    error = DeleteStoredMapping(name);
  }
  if (error) {
    ShowStoreFailure("Can't delete mapping \"" + name + "\"", error);
    return;
  }
  StoredMappingsChanged(true);
}

void TMappingsManagerForm::EditMapping() {
  const std::string name = SelectedName();
  if (!name.empty() && Launcher) Launcher->EditMapping(name);
}

void TMappingsManagerForm::CheckIntegrity() {
  TIPCLink tools(TOOLS_WINDOW_TITLE, 0);
  tools.Notify(WM_TB_CHECK_INTEGRITY);
}
