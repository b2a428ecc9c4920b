// The manager's commands on stored mappings: new, import, copy, rename, delete, edit and the integrity check.
// Each stored change happens whole or not at all; a refusal or failure leaves the list and the server as
// they were.
#include <memory>

#include "application.h"
#include "ipc.h"
#include "mapping_name.h"
#include "mapping_text_file.h"
#include "message_box.h"
#include "progress_form.h"
#include "registry_internal.h"
#include "stored_changes.h"
#include "string_list.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;

namespace {

const char* const Product = "tarnbel";

// Why the name cannot name a mapping's key, or empty. Besides the key's own rules, a control character
// would cut the server's order text and the combos' items, which 0x01 ends and marks.
std::string NameFormProblem(const std::string& name) {
  std::string problem = MappingNameProblem(name);
  if (!problem.empty()) return problem;
  for (unsigned char c : name)
    if (c < 0x20) return "Mapping name cannot contain control characters.";
  return std::string();
}

bool NameStored(const std::string& name) {
  std::vector<std::string> names;
  GetMappingNames(names);
  for (const std::string& stored : names)
    if (AnsiSameText(stored, name)) return true;
  return false;
}

// The editor opens CurrentEditorMapping next: it names the mapping by its new name, or "default" once it is
// deleted, so that no editor makes it again.
void FollowCurrentEditorMapping(const std::string& old, const std::string& now) {
  if (Settings && AnsiSameText(Settings->ReadString("CurrentEditorMapping", "default"), old))
    Settings->WriteString("CurrentEditorMapping", now);
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

void TMappingsManagerForm::StoredMappingsChanged(bool keepComboModified, const std::string& select) {
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
  if (!select.empty()) SelectMapping(select);
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
  StoredMappingsChanged(true, name);
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
  if (!AcceptMappingText(file, lines, Handle())) return;
  std::string name = AskNewMappingName(
      "Load file as...", "Enter name for new mapping:", FileNameWithoutExtension(file),
      "To import mapping from file over existing mapping use the Import command in Editor.", "");
  if (name.empty()) return;
  if (LONG error = CreateStoredMapping(name, &lines)) {
    ShowStoreFailure("Can't import mapping \"" + name + "\"", error);
    return;
  }
  StoredMappingsChanged(true, name);
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
  // The editor opens nothing meanwhile, the copy least of all.
  TMappingsForm::TStoredChange editor(name, false);
  if (!editor.Granted()) return;
  LONG error;
  {
    TChangeProgress progress(this, "Saving mapping \"" + name + "\" in registry...");
    error = CopyStoredMapping(source, name, progress.Step());
  }
  if (error) {
    ShowStoreFailure("Can't copy mapping \"" + source + "\"", error);
    return;
  }
  StoredMappingsChanged(true, name);
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
  TMappingsForm::TStoredChange editor(old, true);
  if (!editor.Granted()) return;
  LONG error;
  {
    TChangeProgress progress(this, "renaming mapping...");
    error = RenameStoredMapping(old, name, progress.Step());
  }
  editor.End(error ? old : name);
  if (error) {
    ShowStoreFailure("Can't rename mapping \"" + old + "\"", error);
    return;
  }
  FollowCurrentEditorMapping(old, name);
  StoredMappingsChanged(false, name);
}

void TMappingsManagerForm::DeleteMapping() {
  const std::string name = SelectedName();
  if (name.empty() || name == "default") return;
  if (ShowMessageBox("Really want to delete mapping \"" + name + "\" ?", "Confirmation",
                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, Handle()) != IDOK)
    return;
  TMappingsForm::TStoredChange editor(name, false);
  if (!editor.Granted()) return;
  LONG error;
  {
    TChangeProgress progress(this, "deleting mapping...");
    error = DeleteStoredMapping(name);
  }
  editor.End(error ? name : std::string());
  if (error) {
    ShowStoreFailure("Can't delete mapping \"" + name + "\"", error);
    return;
  }
  FollowCurrentEditorMapping(name, "default");
  StoredMappingsChanged(true, std::string());
}

void TMappingsManagerForm::EditMapping() {
  const std::string name = SelectedName();
  if (!name.empty() && Launcher) Launcher->EditMapping(name);
}

void TMappingsManagerForm::CheckIntegrity() {
  // Named as the window asked from: the check's boxes are the manager's.
  TIPCLink tools(TOOLS_WINDOW_TITLE, 0);
  tools.Post(WM_TB_CHECK_INTEGRITY, reinterpret_cast<WPARAM>(Handle()), 0);
}
