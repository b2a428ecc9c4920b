#pragma once
// The clipboard format that carries icons as pictures: registered with the system and with the
// picture class as the icon kind. The programs call RegisterClipIcon at start.
#include <windows.h>

extern UINT CF_ICON;
void RegisterClipIcon();
