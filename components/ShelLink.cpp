#include "ShelLink.h"

#include <windows.h>
#include <shellapi.h>

using namespace ui;

UI_CLASSINFO(TShellLink, UI_PROP(String, "Link", Link, SetLink))

std::function<void(const std::string&, const std::string&)> ShellLinkOpen = [](const std::string& verb,
                                                                                const std::string& target) {
  ShellExecuteA(GetDesktopWindow(), verb.c_str(), target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
};

TShellLink::TShellLink(TComponent* owner) : TLabel(owner) { FFocusFont.Assign(Font()); }

void TShellLink::SetLink(const std::string& link) { FLink = link.substr(0, 255); }

void TShellLink::Click() {
  if (!FLink.empty() && ShellLinkOpen) ShellLinkOpen("open", FLink);
  TLabel::Click();
}

void TShellLink::MouseEnter() {
  // A second enter without a leave would save the hover font as the normal one.
  if (!FHovered) {
    FHovered = true;
    FSavedFont.Assign(Font());
    Font()->Assign(&FFocusFont);
  }
  TLabel::MouseEnter();
}

void TShellLink::MouseLeave() {
  if (FHovered) {
    FHovered = false;
    Font()->Assign(&FSavedFont);
  }
  TLabel::MouseLeave();
}
