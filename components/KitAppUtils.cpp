#include "KitAppUtils.h"

#include <windows.h>

#include "KitStrUtils.h"
#include "application.h"
#include "screen.h"
#include "str_to_int.h"
#include "sys_utils.h"

using namespace ui;

namespace {

std::string ProgramFileName() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, sizeof buf);
  return buf;
}

// Stored coordinates outside this range are damage: no window of the program lies there.
constexpr int kMaxCoordinate = 32767;

bool Plausible(const RECT& r) {
  auto ok = [](LONG v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; };
  return ok(r.left) && ok(r.top) && ok(r.right) && ok(r.bottom) && r.right > r.left && r.bottom > r.top;
}

int PosWord(const std::string& s, int n, int def) {
  return StrToIntDef(Trim(ExtractWord(n, s, " ,")), def);
}

std::string Resolution() { return Format("(%dx%d)", Screen().Width(), Screen().Height()); }

bool IsMainForm(TForm* form) { return !Application().MainForm() || Application().MainForm() == form; }

}  // namespace

std::string GetDefaultIniRegKey() {
  std::string name = ProgramFileName();
  size_t slash = name.find_last_of("\\/:");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return "Software\\" + name;
}

std::string GetDefaultIniName() {
  std::string name = ProgramFileName();
  size_t slash = name.find_last_of("\\/:");
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  return name + ".INI";
}

std::string GetDefaultSection(TComponent* component) {
  if (!component) return std::string();
  if (dynamic_cast<TForm*>(component)) return component->ClassName();
  std::string section = component->Name();
  if (auto* control = dynamic_cast<TControl*>(component)) {
    if (TForm* form = control->ParentForm())
      section = std::string(form->ClassName()) + section;
    else if (control->Parent())
      section = control->Parent()->Name() + section;
  } else if (auto* owner = dynamic_cast<TForm*>(component->Owner())) {
    section = Format("%s.%s", owner->ClassName(), section.c_str());
  }
  return section;
}

std::string IniReadString(TCustomIniStore* store, const std::string& section, const std::string& ident,
                          const std::string& def) {
  if (dynamic_cast<TRegIniFile*>(store) || dynamic_cast<TIniFile*>(store)) return store->ReadString(section, ident, def);
  return def;
}

void IniWriteString(TCustomIniStore* store, const std::string& section, const std::string& ident,
                    const std::string& value) {
  if (dynamic_cast<TRegIniFile*>(store)) {
    store->WriteString(section, ident, value);
  } else if (dynamic_cast<TIniFile*>(store)) {
    std::string s = value;
    // The profile functions strip one pair of quotes on reading.
    if (s.size() >= 2 && ((s.front() == '"' && s.back() == '"') || (s.front() == '\'' && s.back() == '\'')))
      s = "\"" + s + "\"";
    store->WriteString(section, ident, s);
  }
}

int IniReadInteger(TCustomIniStore* store, const std::string& section, const std::string& ident, int def) {
  if (dynamic_cast<TRegIniFile*>(store) || dynamic_cast<TIniFile*>(store))
    return store->ReadInteger(section, ident, def);
  return def;
}

void IniWriteInteger(TCustomIniStore* store, const std::string& section, const std::string& ident, int value) {
  IniWriteString(store, section, ident, Format("%d", value));
}

void IniEraseSection(TCustomIniStore* store, const std::string& section) {
  if (dynamic_cast<TRegIniFile*>(store) || dynamic_cast<TIniFile*>(store)) store->EraseSection(section);
}

std::string ReadPosStr(TCustomIniStore* store, const std::string& section, const std::string& ident) {
  std::string s = IniReadString(store, section, ident + Resolution(), std::string());
  if (s.empty()) s = IniReadString(store, section, ident, std::string());
  return s;
}

void WritePosStr(TCustomIniStore* store, const std::string& section, const std::string& ident,
                 const std::string& value) {
  IniWriteString(store, section, ident + Resolution(), value);
  IniWriteString(store, section, ident, value);
}

void WriteFormPlacement(TForm* form, TCustomIniStore* store, const std::string& section) {
  // Saving never makes a window.
  if (!form || !form->HandleAllocated()) return;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(form->Handle(), &wp)) return;
  if (form == Application().MainForm() && IsIconic(Application().Handle())) wp.showCmd = SW_SHOWMINIMIZED;
  IniWriteInteger(store, section, "Flags", int(wp.flags));
  IniWriteInteger(store, section, "ShowCmd", int(wp.showCmd));
  IniWriteInteger(store, section, "PixelsPerInch", Screen().PixelsPerInch());
  WritePosStr(store, section, "MinMaxPos",
              Format("%ld,%ld,%ld,%ld", long(wp.ptMinPosition.x), long(wp.ptMinPosition.y),
                     long(wp.ptMaxPosition.x), long(wp.ptMaxPosition.y)));
  WritePosStr(store, section, "NormPos",
              Format("%ld,%ld,%ld,%ld", long(wp.rcNormalPosition.left), long(wp.rcNormalPosition.top),
                     long(wp.rcNormalPosition.right), long(wp.rcNormalPosition.bottom)));
}

void ReadFormPlacement(TForm* form, TCustomIniStore* store, const std::string& section, bool loadState,
                       bool loadPosition) {
  if (!form || !(loadState || loadPosition)) return;
  if (loadPosition && form->HandleAllocated()) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (GetWindowPlacement(form->Handle(), &wp)) {
      if (!IsWindowVisible(form->Handle())) wp.showCmd = SW_HIDE;
      bool found = false;
      wp.flags = UINT(IniReadInteger(store, section, "Flags", int(wp.flags))) & (WPF_SETMINPOSITION |
                                                                                WPF_RESTORETOMAXIMIZED);
      std::string s = ReadPosStr(store, section, "MinMaxPos");
      if (!s.empty()) {
        found = true;
        wp.ptMinPosition = POINT{PosWord(s, 1, 0), PosWord(s, 2, 0)};
        wp.ptMaxPosition = POINT{PosWord(s, 3, 0), PosWord(s, 4, 0)};
      }
      s = ReadPosStr(store, section, "NormPos");
      if (!s.empty()) {
        found = true;
        wp.rcNormalPosition = RECT{PosWord(s, 1, form->Left()), PosWord(s, 2, form->Top()),
                                   PosWord(s, 3, form->Left() + form->Width()),
                                   PosWord(s, 4, form->Top() + form->Height())};
      }
      if (IniReadInteger(store, section, "PixelsPerInch", Screen().PixelsPerInch()) != Screen().PixelsPerInch())
        found = false;
      if (found) {
        RECT& r = wp.rcNormalPosition;
        if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin) {
          r.right = r.left + form->Width();
          r.bottom = r.top + form->Height();
        }
        // An empty or absurd rectangle would leave a caption-only or unreachable window.
        if (Plausible(r)) {
          if (form->Position() == poScreenCenter || form->Position() == poDesktopCenter)
            form->SetPosition(poDesigned);
          SetWindowPlacement(form->Handle(), &wp);
        }
      }
    }
  }
  if (loadState) {
    TWindowState state = wsNormal;
    if (IsMainForm(form) && form->FormStyle() != fsMDIForm && form->Position() == poDefault) state = wsMaximized;
    switch (IniReadInteger(store, section, "ShowCmd", SW_HIDE)) {
      case SW_SHOWNORMAL: case SW_SHOW: case SW_RESTORE: state = wsNormal; break;
      case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: state = wsMinimized; break;
      case SW_SHOWMAXIMIZED: state = wsMaximized; break;
      default: break;
    }
    if (state == wsMinimized && IsMainForm(form)) {
      // The whole program minimises, not the form.
      if (form->WindowState() != wsNormal) form->SetWindowState(wsNormal);
      PostMessageA(Application().Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    }
    if (form->WindowState() != state) form->SetWindowState(state);
  }
  if (form->HandleAllocated()) UpdateWindow(form->Handle());
}
