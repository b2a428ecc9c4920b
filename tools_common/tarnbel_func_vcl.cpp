#include "tarnbel_func_vcl.h"

#include <windows.h>

#include <memory>

#include "KitGraph.h"
#include "KitWinUtils.h"
#include "action.h"
#include "folders.h"
#include "message_box.h"
#include "string_list.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "text_compare.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

// An icon file that exists but does not load counts as missing.
bool LoadIconFile(const std::string& path, TIcon& icon) {
  if (!FileExistsNotDir(path)) return false;
  try {
    icon.LoadFromFile(path);
    return true;
  } catch (const ui::Exception&) {
    return false;
  }
}

const TColor GreyBack = 0x101010;  // stays itself in grey, so it can be the transparent colour again

std::unique_ptr<TBitmap> GreyCopy(TIcon& icon) {
  std::unique_ptr<TBitmap> bmp(CreateBitmapFromIcon(icon, GreyBack));
  GrayscaleBitmap(*bmp);
  return bmp;
}

// A copy of the list's own size goes in as a masked bitmap; another size as an icon, which the list scales.
int AddGrey(TImageList* grey, TBitmap* bmp) {
  if (!bmp || bmp->Empty()) return -1;
  if (bmp->Width() == grey->Width() && bmp->Height() == grey->Height()) return grey->AddMasked(*bmp, GreyBack);
  std::unique_ptr<TIcon> icon(CreateIconFromBitmap(*bmp, GreyBack));
  return icon ? grey->AddIcon(*icon) : -1;
}

// Adds the icon to the colour list and its counterpart to the grey list, keeping both in step.
// Returns the colour list's index, or -1 when nothing was added.
int AddPair(TImageList* colour, TImageList* grey, TIcon& icon, TBitmap* greyBitmap) {
  int index = colour->AddIcon(icon);
  if (index < 0 || !grey) return index;
  bool added = AddGrey(grey, greyBitmap) >= 0 || grey->AddIcon(icon) >= 0;
  if (!added) {
    colour->Delete(index);
    return -1;
  }
  return index;
}

}  // namespace

namespace {
bool ReportWriteFailure(const std::string& fileName, unsigned long error) {
  ShowMessageBox("Can't write " + fileName + ": " + SysErrorMessage(error), "tarnbel", MB_OK | MB_ICONERROR);
  return false;
}
}  // namespace

bool SaveTextFile(const std::string& fileName, const std::vector<std::string>& lines) {
  unsigned long error = 0;
  return SaveStringsReplacing(fileName, lines, error) || ReportWriteFailure(fileName, error);
}

bool SaveBinaryFile(const std::string& fileName, const std::string& bytes) {
  unsigned long error = 0;
  return SaveBytesReplacing(fileName, bytes, error) || ReportWriteFailure(fileName, error);
}

void PrepareOutputFolder(std::string& folder, const std::string& fallback) {
  ForceDirectories(folder);
  if (folder.empty()) folder = ProgramFolder();
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if ((folder.empty() || folder.back() != ':') && !DirectoryOrDriveExists(folder)) {
    std::string instead = fallback.empty() ? ProgramFolder() : fallback;
    if (!instead.empty() && instead.back() == '\\') instead.pop_back();
    // The fallback is named only when it is another folder and it is there.
    bool fallsBack = !AnsiSameText(instead, folder);
    if (fallsBack) {
      ForceDirectories(instead);
      fallsBack = DirectoryOrDriveExists(instead);
    }
    ShowMessageBox("Can't create directory: " + folder +
                       (fallsBack ? "\r\nWriting into " + IncludeTrailingBackslash(instead) + " instead." : ""),
                   "tarnbel", MB_OK | MB_ICONWARNING);
    if (fallsBack) folder = instead;
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
}

void LoadActionImages(TForm* form, const std::string& subfolder, const std::vector<std::string>& names,
                      int lastIndex) {
  if (!form) return;
  auto* colour = dynamic_cast<TImageList*>(form->FindComponent("ActionsImageList"));
  auto* grey = dynamic_cast<TImageList*>(form->FindComponent("GrayActionsImageList"));
  if (!colour) return;  // no index could be given
  std::string folder = ProgramFolder() + "icons\\" + (subfolder.empty() ? "" : IncludeTrailingBackslash(subfolder));
  if (lastIndex >= int(names.size())) lastIndex = int(names.size()) - 1;
  int defaultIndex = -1;
  for (int i = -1; i <= lastIndex; ++i) {
    std::string file = i < 0 ? "default.ico" : names[size_t(i)] + ".ico";
    TAction* action = i < 0 ? nullptr : dynamic_cast<TAction*>(form->FindComponent(names[size_t(i)] + "Action"));
    TIcon icon;
    int index = -1;
    if (LoadIconFile(folder + file, icon)) {
      std::unique_ptr<TBitmap> greyBitmap = GreyCopy(icon);
      index = AddPair(colour, grey, icon, greyBitmap.get());
    }
    if (index >= 0) {
      if (i < 0) defaultIndex = index;
      if (action) action->SetImageIndex(index);
      continue;
    }
    if (i < 0) {
      std::unique_ptr<TIcon> main(MakeIcon("MAINICON"));
      if (main) defaultIndex = AddPair(colour, grey, *main, nullptr);
    } else if (action && defaultIndex >= 0) {
      action->SetImageIndex(defaultIndex);
    }
  }
}

void LoadIconList(TImageList* list, const std::string& subfolder, const std::vector<std::string>& names,
                  int lastIndex) {
  if (!list) return;
  std::string folder = ProgramFolder() + "icons\\" + subfolder + "\\";
  if (lastIndex >= int(names.size())) lastIndex = int(names.size()) - 1;
  for (int i = 0; i <= lastIndex; ++i) {
    TIcon icon;
    if (LoadIconFile(folder + names[size_t(i)] + ".ico", icon)) {
      list->AddIcon(icon);
    } else if (std::unique_ptr<TIcon> main{MakeIcon("MAINICON")}) {
      list->AddIcon(*main);
    }
  }
}

std::string ColorToHtml(TColor color) {
  COLORREF rgb = ColorToRGB(color);
  return Format("#%02X%02X%02X", unsigned(GetRValue(rgb)), unsigned(GetGValue(rgb)), unsigned(GetBValue(rgb)));
}
