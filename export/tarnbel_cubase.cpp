#include "tarnbel_cubase.h"

namespace {

struct TCubaseTemplates {
  bool Loaded = false;
  std::string Driver, Separator;
};

TCubaseTemplates& Templates() {
  static TCubaseTemplates templates;
  return templates;
}

std::string ReadTemplate(HMODULE module, const char* name, size_t size) {
  HRSRC found = FindResourceA(module, name, RT_RCDATA);
  if (!found || SizeofResource(module, found) != size) return std::string();
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

const TCubaseTemplates& LoadedTemplates() {
  if (!Templates().Loaded) LoadCubaseTemplatesFrom(GetModuleHandleA(nullptr));
  return Templates();
}

}  // namespace

void LoadCubaseTemplatesFrom(HMODULE module) {
  TCubaseTemplates& t = Templates();
  t.Driver = ReadTemplate(module, "CUBASE_DRV", CubaseDriverTemplateSize);
  t.Separator = ReadTemplate(module, "CUBASE_DRV_SEP", CubaseSeparatorTemplateSize);
  t.Loaded = true;
}

const std::string& GetCubaseDriverTemplate() { return LoadedTemplates().Driver; }

const std::string& GetCubaseSeparatorTemplate() { return LoadedTemplates().Separator; }
