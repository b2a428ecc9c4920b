// Hearing presets through the server's preview route.
#include "tarnbel_mappings_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

void TMappingsForm::StopPreview() {
  if (PreviewedRow == -1) return;
  PreviewedRow = -1;
  if (ServerLink) ServerLink->Notify(WM_TB_PREVIEW_STOP);
}

// The server reports whether its preview route is open.
void TMappingsForm::SetPreviewMode(bool on) { PreviewModeAction->SetChecked(on); }
