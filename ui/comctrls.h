#pragma once
// Common controls: page control with its tab sheets, up-down buttons, progress bar, rich-text pane.
#include "control.h"
#include "std_controls.h"

namespace ui {

class TPageControl;

// One page: a container shown while it is the active page.
class TTabSheet : public TWinControl {
  UI_CLASS(TTabSheet, TWinControl)
 public:
  explicit TTabSheet(TComponent* owner);
  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* pageControl);
  int PageIndex() const;
  void SetPageIndex(int index);
  void SetCaption(const std::string& caption) override;
};

class TPageControl : public TWinControl {
  UI_CLASS(TPageControl, TWinControl)
 public:
  explicit TPageControl(TComponent* owner);
  int PageCount() const { return int(FPages.size()); }
  TTabSheet* Pages(int index) const { return FPages.at(size_t(index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // Tabs light up under the mouse.
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool v);
  RECT ClientRect() const override;
  // The next page (or the one before), wrapping round at either end, chosen as a click on its tab would.
  void SelectNextPage(bool forward);

  // The user chose another tab: OnChanging may refuse, OnChange follows the change.
  std::function<void(TObject* sender, bool& allowChange)> OnChanging;
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;
  // Ctrl+Tab and Ctrl+PgDn go to the next page, Ctrl+Shift+Tab and Ctrl+PgUp to the one before.
  bool DialogKey(WORD key, TSet32 shift) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ControlListChange(TControl* control, bool inserting) override;

 private:
  friend class TTabSheet;
  void UpdateTabs();
  void MovePage(TTabSheet* page, int index);
  bool CanChange();
  void Change(int index);
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  bool FHotTrack = false;
  bool FChangeRefused = false;
};

enum TUDOrientation { udVertical, udHorizontal };
enum TUDBtnType { btNext, btPrev };

// Arrow buttons that step a position, shown in the associated edit.
class TUpDown : public TWinControl {
  UI_CLASS(TUpDown, TWinControl)
 public:
  explicit TUpDown(TComponent* owner);
  int Min() const { return FMin; }
  void SetMin(int v);
  int Max() const { return FMax; }
  void SetMax(int v);
  int Position() const;
  void SetPosition(int v);
  int Increment() const { return FIncrement; }
  void SetIncrement(int v);
  bool Wrap() const { return FWrap; }
  void SetWrap(bool v);
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation v);
  // The edit that shows the position; the buttons sit at its right.
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* control);

  std::function<void(TObject* sender, bool& allowChange)> OnChanging;
  std::function<void(TObject* sender, TUDBtnType button)> OnClick;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ApplyRange();
  int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
  bool FWrap = false;
  TUDOrientation FOrientation = udVertical;
  TWinControl* FAssociate = nullptr;
  int FLastDelta = 0;
};

class TProgressBar : public TWinControl {
  UI_CLASS(TProgressBar, TWinControl)
 public:
  explicit TProgressBar(TComponent* owner);
  int Min() const { return FMin; }
  void SetMin(int v);
  int Max() const { return FMax; }
  void SetMax(int v);
  int Position() const { return FPosition; }
  // Kept within Min and Max.
  void SetPosition(int v);
  int Step() const { return FStep; }
  void SetStep(int v) { FStep = v; }
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool v);
  void StepIt() { SetPosition(FPosition + FStep); }
  void StepBy(int delta) { SetPosition(FPosition + delta); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  int FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
  bool FSmooth = false;
};

// A read-only pane of text in its own colours, over the system's rich edit control.
class TRichEdit : public TMemo {
  UI_CLASS(TRichEdit, TMemo)
 public:
  explicit TRichEdit(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void FontChanged() override;
  void ColorChanged() override;

 private:
  void ApplyColors();
};

}  // namespace ui
