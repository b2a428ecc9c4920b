#include "route_record.h"

#include "reg_array.h"
#include "registry_internal.h"
#include "tarnbel_func.h"

const char RouteSeparator = '\x01';
const char* const RouteNone = "[none]";
const char* const RouteActive = "[active]";
const char* const RoutePassive = "[passive]";
const char* const RoutesPath = "Software\\tarnbel\\routes";
const char* const ShareMemoryPath = "Software\\tarnbel\\ShareMemory";
const char* const PreviewRouteValue = "PreviewRoute";

bool RouteRecord::IsActive() const { return State == RouteActive; }

std::string StoredRouteName(const std::string& name) { return name.empty() ? std::string(RouteNone) : name; }

namespace {
std::string NameOf(const std::string& stored) { return stored == RouteNone ? std::string() : stored; }

std::string NamesPart(const RouteRecord& route) {
  std::string s;
  for (const std::string* name : {&route.Input, &route.Output, &route.Device}) {
    s += StoredRouteName(*name);
    s += RouteSeparator;
  }
  return s;
}

// Splits off the first three 0x01-terminated fields; the remainder goes to rest.
bool SplitNames(const std::string& text, RouteRecord& route, std::string& rest) {
  route = RouteRecord();
  std::string fields[3];
  size_t start = 0;
  for (std::string& field : fields) {
    size_t end = text.find(RouteSeparator, start);
    if (end == std::string::npos) return false;
    field = text.substr(start, end - start);
    start = end + 1;
  }
  route.Input = NameOf(fields[0]);
  route.Output = NameOf(fields[1]);
  route.Device = NameOf(fields[2]);
  rest = text.substr(start);
  return true;
}
}  // namespace

std::string RouteRecordToString(const RouteRecord& route) {
  return NamesPart(route) + (route.IsActive() ? RouteActive : RoutePassive);
}

bool ParseRouteRecord(const std::string& text, RouteRecord& route) {
  std::string state;
  if (!SplitNames(text, route, state)) return false;
  route.State = state;
  return true;
}

std::vector<std::string> RouteFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() < 3 && start <= text.size()) {
    size_t end = text.find(RouteSeparator, start);
    if (end == std::string::npos) end = text.size();
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

std::string RouteWithState(const std::string& text, bool active) {
  size_t end = 0;
  for (int i = 0; i < 3; ++i) {
    end = text.find(RouteSeparator, end);
    if (end == std::string::npos) return text;
    ++end;
  }
  return text.substr(0, end) + (active ? RouteActive : RoutePassive);
}

std::string PreviewRouteToString(const RouteRecord& route) { return NamesPart(route); }

bool ParsePreviewRoute(const std::string& text, RouteRecord& route) {
  std::string rest;
  return SplitNames(text, route, rest);
}

bool ReadPreviewRoute(RouteRecord& route) {
  TRegKey key(TarnbelKeyPath, true, HKEY_CURRENT_USER);
  return ParsePreviewRoute(key.ReadString(PreviewRouteValue, ""), route);
}

void WritePreviewRoute(const RouteRecord& route) {
  TRegKey key(TarnbelKeyPath, true, HKEY_CURRENT_USER);
  key.WriteString(PreviewRouteValue, PreviewRouteToString(route));
}

std::vector<std::string> MakeShareMemoryList(const std::vector<std::string>& devicesInListOrder) {
  if (devicesInListOrder.size() < 2) return {};
  return std::vector<std::string>(devicesInListOrder.rbegin(), devicesInListOrder.rend());
}

void SaveShareMemoryList(const std::vector<std::string>& devicesInListOrder) {
  TRegArray list(ShareMemoryPath, false);
  list.Clear();
  list.AddStrings(MakeShareMemoryList(devicesInListOrder));
  list.Save();
  list.SaveOnDestroy = false;
}

std::vector<std::string> LoadShareMemoryList() {
  TRegArray list(ShareMemoryPath, true);
  list.SaveOnDestroy = false;
  return list.Items();
}
