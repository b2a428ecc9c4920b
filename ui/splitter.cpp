#include "splitter.h"

#include <algorithm>

namespace ui {

UI_CLASSINFO(TSplitter, UI_PROP(Integer, "MinSize", MinSize, SetMinSize))

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 3;
  FHeight = 100;
  FClickEvents = false;
  SetAlign(alLeft);
}

void TSplitter::SetAlign(TAlign align) {
  TGraphicControl::SetAlign(align);
  SetCursor(Horizontal() ? crHSplit : crVSplit);
}

TControl* TSplitter::FindNeighbour() const {
  if (!Parent()) return nullptr;
  // The point just outside the splitter's edge on the neighbour's side.
  POINT p{Left(), Top()};
  switch (Align()) {
    case alLeft: p.x -= 1; break;
    case alRight: p.x += Width(); break;
    case alTop: p.y -= 1; break;
    case alBottom: p.y += Height(); break;
    default: return nullptr;
  }
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    RECT r = c->BoundsRect();
    // A neighbour squeezed to nothing is still found at its edge.
    if (r.right == r.left) InflateRect(&r, 1, 0);
    if (r.bottom == r.top) InflateRect(&r, 0, 1);
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TSet32 shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  FNeighbour = FindNeighbour();
  if (!FNeighbour) return;
  FreeNotification(FNeighbour);
  FDownPos = ParentPos(x, y);
  FStartSize = SizeOf(FNeighbour);
  // The room the side-aligned controls leave, which the opposite side keeps at least MinSize of.
  RECT client = Parent()->ClientRect();
  int free = Horizontal() ? client.right - client.left : client.bottom - client.top;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (!c->Visible()) continue;
    bool side = Horizontal() ? c->Align() == alLeft || c->Align() == alRight : c->Align() == alTop || c->Align() == alBottom;
    if (side) free -= SizeOf(c);
  }
  FMaxSize = std::max(FMinSize, FStartSize + free - FMinSize);
}

void TSplitter::MouseMove(TSet32 shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!FNeighbour || !MouseCapture()) return;
  int delta = ParentPos(x, y) - FDownPos;
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  Resize(std::min(FMaxSize, std::max(FMinSize, FStartSize + delta)));
}

void TSplitter::MouseUp(TMouseButton button, TSet32 shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || !FNeighbour) return;
  bool moved = SizeOf(FNeighbour) != FStartSize;
  RemoveFreeNotification(FNeighbour);
  FNeighbour = nullptr;
  if (moved && OnMoved) OnMoved(this);
}

void TSplitter::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FNeighbour) FNeighbour = nullptr;
}

void TSplitter::Resize(int size) {
  TControl* c = FNeighbour;
  int grow = size - SizeOf(c);
  if (grow == 0) return;
  switch (Align()) {
    case alLeft: c->SetBounds(c->Left(), c->Top(), size, c->Height()); break;
    case alRight: c->SetBounds(c->Left() - grow, c->Top(), size, c->Height()); break;
    case alTop: c->SetBounds(c->Left(), c->Top(), c->Width(), size); break;
    default: c->SetBounds(c->Left(), c->Top() - grow, c->Width(), size); break;
  }
}

}  // namespace ui
