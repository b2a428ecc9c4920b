#include "dialogs.h"

#include <commdlg.h>

#include <memory>

#include "application.h"
#include "form.h"
#include "graphic_controls.h"
#include "screen.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "text_compare.h"

namespace ui {

UI_CLASSINFO(TOpenDialog, UI_PROP(String, "FileName", FileName, SetFileName),
             UI_PROP(String, "Filter", Filter, SetFilter), UI_PROP(Integer, "FilterIndex", FilterIndex, SetFilterIndex),
             UI_PROP(String, "DefaultExt", DefaultExt, SetDefaultExt),
             UI_PROP(String, "InitialDir", InitialDir, SetInitialDir), UI_PROP(String, "Title", Title, SetTitle),
             UI_PROP_SET("Options", Options, SetOptions, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly",
                         "ofNoChangeDir", "ofAllowMultiSelect", "ofPathMustExist", "ofFileMustExist",
                         "ofCreatePrompt", "ofNoReadOnlyReturn", "ofEnableSizing"))
UI_CLASSINFO(TSaveDialog)
UI_CLASSINFO(TColorDialog, UI_PROP(Integer, "Color", Color, SetColor),
             UI_PROP_SET("Options", Options, SetOptions, "cdFullOpen", "cdPreventFullOpen", "cdSolidColor",
                         "cdAnyColor"))

namespace {

TFileDialogHandler& FileHandler() {
  static TFileDialogHandler handler;
  return handler;
}

TColorDialogHandler& ColorHandler() {
  static TColorDialogHandler handler;
  return handler;
}

TInputQueryHandler& QueryHandler() {
  static TInputQueryHandler handler;
  return handler;
}

// The window a dialog belongs to: the active form of the program.
HWND DialogOwner() {
  HWND active = GetActiveWindow();
  if (active) return active;
  return Screen().ActiveForm() && Screen().ActiveForm()->HandleAllocated() ? Screen().ActiveForm()->Handle() : nullptr;
}

// "a|b|c|d" as the system's list of pairs: "a\0b\0c\0d\0\0".
std::string SystemFilter(const std::string& filter) {
  std::string s = filter;
  for (char& c : s)
    if (c == '|') c = '\0';
  s.push_back('\0');
  s.push_back('\0');
  return s;
}

struct TOptionFlag {
  TOpenOption Option;
  DWORD Value;
};
const TOptionFlag OptionFlags[] = {
    {ofReadOnly, OFN_READONLY},           {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},   {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST}, {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN}, {ofEnableSizing, OFN_ENABLESIZING}};

// The system flags of the options, in place of the ones the options stand for.
DWORD WithOptions(DWORD flags, TSet32 options) {
  for (TOptionFlag f : OptionFlags) {
    flags &= ~f.Value;
    if (options & (1u << f.Option)) flags |= f.Value;
  }
  return flags;
}

// The hook's child dialog hears the user's confirmation and asks the request's handler; a refusal keeps
// the dialog open.
UINT_PTR CALLBACK ConfirmHook(HWND hook, UINT msg, WPARAM, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hook, GWLP_USERDATA, l);
    return TRUE;
  }
  if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(l)->code != CDN_FILEOK) return 0;
  auto* ofn = reinterpret_cast<OPENFILENAMEA*>(GetWindowLongPtrA(hook, GWLP_USERDATA));
  if (!ofn) return 0;
  auto* request = reinterpret_cast<TFileDialogRequest*>(ofn->lCustData);
  bool accepted = true;
  try {
    request->FileName = ofn->lpstrFile;
    accepted = request->FileOk(*request);
  } catch (...) {
    Application().HandleException(nullptr);
    accepted = false;
  }
  if (accepted) return 0;
  SetWindowLongPtrA(hook, DWLP_MSGRESULT, 1);
  return TRUE;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 4] = {};
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? std::string(full) : path;
}

}  // namespace

TFileDialogHandler SetFileDialogHandler(TFileDialogHandler handler) {
  TFileDialogHandler previous = FileHandler();
  FileHandler() = std::move(handler);
  return previous;
}

bool RunSystemFileDialog(TFileDialogRequest& r) {
  std::string filter = SystemFilter(r.Filter);
  std::vector<char> buffer(r.Options & (1u << ofAllowMultiSelect) ? 65536 : MAX_PATH * 4, '\0');
  r.FileName.copy(buffer.data(), buffer.size() - 1);
  std::string ext = r.DefaultExt;
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = r.Owner;
  ofn.lpstrFilter = r.Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(r.FilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = r.InitialDir.empty() ? nullptr : r.InitialDir.c_str();
  ofn.lpstrTitle = r.Title.empty() ? nullptr : r.Title.c_str();
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = WithOptions(OFN_EXPLORER, r.Options);
  if (r.FileOk) {
    ofn.Flags |= OFN_ENABLEHOOK;
    ofn.lpfnHook = &ConfirmHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&r);
  }
  BOOL ok = r.Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return false;
  r.FilterIndex = int(ofn.nFilterIndex);
  r.Files.clear();
  // Several files: the folder, then each name, each ended by a zero.
  std::string first(buffer.data());
  const char* next = buffer.data() + first.size() + 1;
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) && *next) {
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    for (; *next; next += strlen(next) + 1) r.Files.push_back(folder + next);
  } else {
    r.Files.push_back(first);
  }
  r.FileName = r.Files.front();
  return true;
}

bool TOpenDialog::Execute() {
  TFileDialogRequest r;
  r.Save = IsSave();
  r.Owner = DialogOwner();
  r.Title = FTitle;
  r.Filter = FFilter;
  r.FilterIndex = FFilterIndex;
  r.DefaultExt = FDefaultExt;
  r.InitialDir = FInitialDir;
  r.Options = FOptions;
  r.FileName = FFileName;
  if (OnCanClose)
    r.FileOk = [this](TFileDialogRequest& request) {
      FFileName = request.FileName;
      bool canClose = true;
      OnCanClose(this, canClose);
      return canClose;
    };
  const std::string proposed = FFileName;
  bool ok;
  {
    TSystemModalLoop loop;
    ok = FileHandler() ? FileHandler()(r) : RunSystemFileDialog(r);
  }
  if (!ok) {
    FFileName = proposed;
    return false;
  }
  FFileName = r.FileName;
  FFilterIndex = r.FilterIndex;
  FFiles = r.Files.empty() ? std::vector<std::string>{r.FileName} : r.Files;
  return true;
}

// Decided on the file the user settles on, however it was chosen. Should the dialog start elsewhere than
// assumed here, the proposed file is asked about too: asking once too often is the safe side.
void TSaveDialog::AskOverwriteOnlyAfterChange() {
  std::string folder = InitialDir();
  if (folder.empty()) {
    char current[MAX_PATH * 4] = {};
    GetCurrentDirectoryA(sizeof current, current);
    folder = current;
  }
  const std::string proposed = FullPath(IncludeTrailingBackslash(folder) + FileName());
  SetOptions(Options() & ~(1u << ofOverwritePrompt));
  OnCanClose = [this, proposed](TObject*, bool& canClose) {
    const std::string chosen = FullPath(FileName());
    const DWORD attributes = GetFileAttributesA(chosen.c_str());
    if (AnsiSameText(chosen, proposed) || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return;
    // The dialog's own question, as the system asks it: not one of the program's boxes.
    canClose = MessageBoxA(GetActiveWindow(), (chosen + " already exists.\r\nDo you want to replace it?").c_str(),
                           Title().empty() ? "Save As" : Title().c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
  };
}

TColorDialogHandler SetColorDialogHandler(TColorDialogHandler handler) {
  TColorDialogHandler previous = ColorHandler();
  ColorHandler() = std::move(handler);
  return previous;
}

bool RunSystemColorDialog(TColorDialogRequest& r) {
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = r.Owner;
  cc.rgbResult = ColorToRGB(r.Color);
  cc.lpCustColors = r.CustomColors.data();
  cc.Flags = CC_RGBINIT;
  if (r.Options & (1u << cdFullOpen)) cc.Flags |= CC_FULLOPEN;
  if (r.Options & (1u << cdPreventFullOpen)) cc.Flags |= CC_PREVENTFULLOPEN;
  if (r.Options & (1u << cdSolidColor)) cc.Flags |= CC_SOLIDCOLOR;
  if (r.Options & (1u << cdAnyColor)) cc.Flags |= CC_ANYCOLOR;
  if (!ChooseColorA(&cc)) return false;
  r.Color = TColor(cc.rgbResult);
  return true;
}

TColorDialog::TColorDialog(TComponent* owner) : TComponent(owner) { FCustomColors.fill(RGB(255, 255, 255)); }

bool TColorDialog::Execute() {
  TColorDialogRequest r;
  r.Owner = DialogOwner();
  r.Color = FColor;
  r.Options = FOptions;
  r.CustomColors = FCustomColors;
  bool ok;
  {
    TSystemModalLoop loop;
    ok = ColorHandler() ? ColorHandler()(r) : RunSystemColorDialog(r);
  }
  FCustomColors = r.CustomColors;
  if (ok) FColor = r.Color;
  return ok;
}

TInputQueryHandler SetInputQueryHandler(TInputQueryHandler handler) {
  TInputQueryHandler previous = QueryHandler();
  QueryHandler() = std::move(handler);
  return previous;
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  if (QueryHandler()) {
    // The stand-in of the query's own modal form.
    TSystemModalLoop loop;
    return QueryHandler()(caption, prompt, value);
  }
  std::unique_ptr<TForm, TFreeDeleter> form(new TForm(nullptr));
  form->SetBorderStyle(bsDialog);
  form->SetCaption(caption);
  form->SetPosition(poScreenCenter);
  form->SetBounds(0, 0, 280, 130);
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetBounds(8, 8, 250, 16);
  label->SetCaption(prompt);
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(8, 28, 256, 21);
  edit->SetText(value);
  auto* ok = new TButton(form.get());
  ok->SetParent(form.get());
  ok->SetBounds(108, 60, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = new TButton(form.get());
  cancel->SetParent(form.get());
  cancel->SetBounds(189, 60, 75, 25);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  form->SetActiveControl(edit);
  form->OnShow = [edit](TObject*) { edit->SelectAll(); };  // typing replaces the old value
  if (form->ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}

}  // namespace ui
