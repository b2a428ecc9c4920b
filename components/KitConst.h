#pragma once
// The kit's two screen cursors, loaded from the program's cursor resources at start.
#include "screen.h"

constexpr ui::TCursor crHand = 14000;
constexpr ui::TCursor crDragHand = 14001;

// Loads "KIT_HANDCUR" and "KIT_DRAGCUR" as crHand and crDragHand; a missing resource leaves the
// id on the arrow. Runs at program start; calling it again does no harm.
void RegisterKitCursors();
