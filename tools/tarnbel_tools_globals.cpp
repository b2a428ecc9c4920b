#include "tarnbel_tools_globals.h"

#include "presets_in_cache_form.h"

std::unique_ptr<TRegKey> Settings;
std::unique_ptr<TIPCLink> ServerLink;

TFakeForm* FakeForm = nullptr;
TPresetsInCacheForm* PresetsInCacheForm = nullptr;
ui::TForm* MappingsForm = nullptr;
ui::TForm* MappingsManagerForm = nullptr;
ui::TForm* AboutForm = nullptr;
ui::TForm* OptionsForm = nullptr;

bool FollowServer = true;
int32_t ServerState = ServerStateUnknown;

int32_t CacheMax = 0;
int32_t CacheFree = 0;
int32_t CacheCount = 0;

std::array<std::string, 12> LongMonthNames;

std::vector<std::string> ToolsParams;

TPresetsInCacheForm* Monitor() {
  return PresetsInCacheForm && !PresetsInCacheForm->IsDestroying() ? PresetsInCacheForm : nullptr;
}
