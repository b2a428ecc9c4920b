#include "KitConst.h"

void RegisterKitCursors() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HCURSOR hand = LoadCursorA(instance, "KIT_HANDCUR");
  HCURSOR drag = LoadCursorA(instance, "KIT_DRAGCUR");
  if (hand) ui::Screen().SetCursors(crHand, hand);
  if (drag) ui::Screen().SetCursors(crDragHand, drag);
}

static const bool gKitCursors = (RegisterKitCursors(), true);
