#include "KitClipIcon.h"

#include "icon.h"
#include "picture.h"

UINT CF_ICON = 0;

void RegisterClipIcon() {
  if (CF_ICON) return;
  CF_ICON = RegisterClipboardFormatA("tarnbel Icon");
  ui::TPicture::RegisterClipboardFormat(CF_ICON, ui::TIcon::StaticClassInfo(), [] { return new ui::TIcon; });
}
