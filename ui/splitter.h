#pragma once
// TSplitter: a bar between aligned controls; dragging it resizes the neighbour aligned on the same side.
#include "control.h"

namespace ui {

class TSplitter : public TGraphicControl {
  UI_CLASS(TSplitter, TGraphicControl)
 public:
  explicit TSplitter(TComponent* owner);
  // Neither the neighbour nor the space left beyond the splitter gets smaller than this.
  int MinSize() const { return FMinSize; }
  void SetMinSize(int v) { FMinSize = v < 1 ? 1 : v; }
  void SetAlign(TAlign align) override;
  // After a drag that changed the neighbour's size.
  TNotifyEvent OnMoved;

 protected:
  void MouseDown(TMouseButton button, TSet32 shift, int x, int y) override;
  void MouseMove(TSet32 shift, int x, int y) override;
  void MouseUp(TMouseButton button, TSet32 shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  TControl* FindNeighbour() const;
  int SizeOf(TControl* c) const { return Horizontal() ? c->Width() : c->Height(); }
  // The cursor's place along the splitter's axis, in the parent's coordinates.
  int ParentPos(int x, int y) const { return Horizontal() ? x + Left() : y + Top(); }
  void Resize(int size);
  int FMinSize = 30;
  TControl* FNeighbour = nullptr;
  int FDownPos = 0, FStartSize = 0, FMaxSize = 0;
};

}  // namespace ui
