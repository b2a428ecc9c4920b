#include "route_settings.h"

#include <mutex>

namespace {
std::mutex& SettingsMutex() {
  static std::mutex mutex;
  return mutex;
}
TRouteSettings& Current() {
  static TRouteSettings settings;
  return settings;
}
}  // namespace

TRouteSettings RouteSettings() {
  std::lock_guard<std::mutex> guard(SettingsMutex());
  return Current();
}

void SetRouteSettings(const TRouteSettings& settings) {
  std::lock_guard<std::mutex> guard(SettingsMutex());
  Current() = settings;
}
