#include "tray_log.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

#include "standin_support.h"

namespace testsupport {

std::vector<TTrayCall> ReadTrayLog(const std::string& path) {
  std::vector<TTrayCall> calls;
  std::string text = ReadBytes(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    char icon[32] = {0};
    TTrayCall call{};
    int used = 0;
    if (sscanf(line.c_str(), "%lu %u %31s %n", &call.Message, &call.Flags, icon, &used) >= 3) {
      call.Icon = icon;
      call.Tip = used > 0 && static_cast<size_t>(used) <= line.size() ? line.substr(used) : "";
      calls.push_back(call);
    }
  }
  return calls;
}

std::vector<std::string> IconsSet(const std::vector<TTrayCall>& calls, size_t from) {
  std::vector<std::string> icons;
  for (size_t i = from; i < calls.size(); ++i)
    if (calls[i].Flags & NIF_ICON) icons.push_back(calls[i].Icon);
  return icons;
}

}  // namespace testsupport
