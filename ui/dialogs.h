#pragma once
// The common dialogs (open, save, colour) and the one-line input query. Each runs through one replaceable
// function, as the message box does, so tests can answer them.
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "component.h"
#include "graphics.h"

namespace ui {

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofAllowMultiSelect, ofPathMustExist,
  ofFileMustExist, ofCreatePrompt, ofNoReadOnlyReturn, ofEnableSizing
};

// What a file dialog asks, and after a true answer what the user chose.
struct TFileDialogRequest {
  bool Save = false;
  HWND Owner = nullptr;
  std::string Title;
  // "Mapping files (*.txt)|*.txt|All files (*.*)|*.*"
  std::string Filter;
  int FilterIndex = 1;
  // Added to a typed name without an extension.
  std::string DefaultExt;
  std::string InitialDir;
  TSet32 Options = 0;
  std::string FileName;
  std::vector<std::string> Files;  // every chosen file (one unless ofAllowMultiSelect)
  // Called by the dialog when the user confirms, with FileName the file chosen (default extension added);
  // false keeps the dialog open.
  std::function<bool(TFileDialogRequest& request)> FileOk;
};

using TFileDialogHandler = std::function<bool(TFileDialogRequest& request)>;
// Installs a handler (an empty one restores the system's dialogs); returns the previous one.
TFileDialogHandler SetFileDialogHandler(TFileDialogHandler handler);
// The system's open or save dialog.
bool RunSystemFileDialog(TFileDialogRequest& request);

class TOpenDialog : public TComponent {
  UI_CLASS(TOpenDialog, TComponent)
 public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& v) { FFileName = v; }
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& v) { FFilter = v; }
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int v) { FFilterIndex = v; }
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& v) { FDefaultExt = v; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& v) { FInitialDir = v; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& v) { FTitle = v; }
  TSet32 Options() const { return FOptions; }
  void SetOptions(TSet32 v) { FOptions = v; }
  const std::vector<std::string>& Files() const { return FFiles; }
  // Shows the dialog owned by the active form; true when the user chose a file.
  virtual bool Execute();

  // When the user confirms, with FileName the file chosen; canClose false keeps the dialog open.
  std::function<void(TObject* sender, bool& canClose)> OnCanClose;

 protected:
  virtual bool IsSave() const { return false; }

 private:
  std::string FFileName, FFilter, FDefaultExt, FInitialDir, FTitle;
  int FFilterIndex = 1;
  TSet32 FOptions = (1u << ofHideReadOnly) | (1u << ofEnableSizing);
  std::vector<std::string> FFiles;
};

class TSaveDialog : public TOpenDialog {
  UI_CLASS(TSaveDialog, TOpenDialog)
 public:
  using TOpenDialog::TOpenDialog;
  // For the next Execute: the proposed file (InitialDir, else the current folder, + FileName) is replaced
  // unasked; any other existing file the user settles on, picked or typed, is asked about. Uses OnCanClose.
  void AskOverwriteOnlyAfterChange();

 protected:
  bool IsSave() const override { return true; }
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdSolidColor, cdAnyColor };

struct TColorDialogRequest {
  HWND Owner = nullptr;
  TColor Color = clBlack;
  TSet32 Options = 0;
  // The dialog's sixteen custom colours, kept by the component between runs.
  std::array<COLORREF, 16> CustomColors{};
};

using TColorDialogHandler = std::function<bool(TColorDialogRequest& request)>;
TColorDialogHandler SetColorDialogHandler(TColorDialogHandler handler);
bool RunSystemColorDialog(TColorDialogRequest& request);

class TColorDialog : public TComponent {
  UI_CLASS(TColorDialog, TComponent)
 public:
  explicit TColorDialog(TComponent* owner);
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  TSet32 Options() const { return FOptions; }
  void SetOptions(TSet32 v) { FOptions = v; }
  bool Execute();

 private:
  TColor FColor = clBlack;
  TSet32 FOptions = 0;
  std::array<COLORREF, 16> FCustomColors;
};

using TInputQueryHandler =
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)>;
TInputQueryHandler SetInputQueryHandler(TInputQueryHandler handler);
// A small modal form with the prompt, an edit holding value, OK and Cancel; true (and the new value) on OK.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace ui
