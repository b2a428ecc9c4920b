#pragma once
// TShellLink: a label that looks like a hyperlink; its font changes while the mouse is over it, and a
// click opens its Link through the shell.
#include <functional>
#include <string>

#include "graphic_controls.h"
#include "graphics.h"

// The shell's "open" (verb, target): ShellExecuteA by default; tests put their own here.
extern std::function<void(const std::string& verb, const std::string& target)> ShellLinkOpen;

class TShellLink : public ui::TLabel {
  UI_CLASS(TShellLink, ui::TLabel)
 public:
  explicit TShellLink(ui::TComponent* owner);
  const std::string& Link() const { return FLink; }
  // At most 255 characters are kept.
  void SetLink(const std::string& link);
  ui::TFont* FocusFont() { return &FFocusFont; }
  void SetFocusFont(const ui::TFont* font) { FFocusFont.Assign(font); }
  bool Hovered() const { return FHovered; }
  void Click() override;

 protected:
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  std::string FLink;
  ui::TFont FFocusFont;
  ui::TFont FSavedFont;
  bool FHovered = false;
};
