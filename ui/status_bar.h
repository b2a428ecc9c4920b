#pragma once
// TStatusBar over the common status bar: one simple text, or panels of text.
#include <string>

#include <functional>

#include "collection.h"
#include "control.h"
#include "graphics.h"

namespace ui {

class TStatusBar;
class TStatusPanel;

enum TStatusPanelStyle { psText, psOwnerDraw };
// Paints an owner-drawn panel into rect on the bar's canvas.
using TDrawPanelEvent = std::function<void(TStatusBar* bar, TStatusPanel* panel, const RECT& rect)>;

class TStatusPanel : public TCollectionItem {
  UI_CLASS(TStatusPanel, TCollectionItem)
 public:
  explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}
  std::string Text() const { return FText; }
  void SetText(const std::string& v);
  // The last panel reaches the right edge whatever its width.
  int Width() const { return FWidth; }
  void SetWidth(int v);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  // psOwnerDraw: the bar's OnDrawPanel paints the panel.
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle v);
  std::string DisplayName() const override { return FText.empty() ? TCollectionItem::DisplayName() : FText; }
  void Assign(const TPersistent* source) override;

 private:
  std::string FText;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public TOwnedCollection {
  UI_CLASS(TStatusPanels, TOwnedCollection)
 public:
  explicit TStatusPanels(TStatusBar* owner);
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TStatusBar* FStatusBar;
};

class TStatusBar : public TWinControl {
  UI_CLASS(TStatusBar, TWinControl)
 public:
  explicit TStatusBar(TComponent* owner);

  TStatusPanels* Panels() { return &FPanels; }
  void SetPanels(TStatusPanels* v);
  // One text across the whole bar instead of the panels.
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool v);
  std::string SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& v);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool v);
  // The canvas an owner-drawn panel is painted on, during OnDrawPanel.
  TCanvas* Canvas() { return &FCanvas; }
  TDrawPanelEvent OnDrawPanel;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;

 private:
  friend class TStatusPanels;
  void UpdatePanels();
  void UpdatePanel(int index);
  void UpdateSimpleText();

  TStatusPanels FPanels;
  bool FSimplePanel = false;
  std::string FSimpleText;
  bool FSizeGrip = true;
  TCanvas FCanvas;
};

}  // namespace ui
