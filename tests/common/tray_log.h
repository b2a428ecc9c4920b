#pragma once
// The server's notification-area calls as it logs them under TARNBEL_TRAY_LOG, one line each:
// "message flags icon tip" (the icon as its handle in hex).
#include <string>
#include <vector>

namespace testsupport {

struct TTrayCall {
  unsigned long Message;
  unsigned Flags;
  std::string Icon;
  std::string Tip;
};

std::vector<TTrayCall> ReadTrayLog(const std::string& path);
// The icons set, in order, from the call index on.
std::vector<std::string> IconsSet(const std::vector<TTrayCall>& calls, size_t from = 0);

}  // namespace testsupport
