#include "sim_config.h"

#include <fstream>
#include <sstream>

namespace simcard {

namespace {

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

uint64_t ParseNumber(const std::string& s) { return std::strtoull(Trim(s).c_str(), nullptr, 0); }

bool ParseFlag(const std::string& s) { return ParseNumber(s) != 0; }

// "10k,bytes,name" or "general,bytes,name"; the name may hold commas.
bool ParseSFManDevice(const std::string& value, DeviceConfig& device) {
  const size_t a = value.find(',');
  const size_t b = a == std::string::npos ? a : value.find(',', a + 1);
  if (b == std::string::npos) return false;
  const std::string kind = Trim(value.substr(0, a));
  if (kind == "10k") {
    device.kind = DeviceKind::TenK;
  } else if (kind == "general") {
    device.kind = DeviceKind::General;
  } else {
    return false;
  }
  device.memory = ParseNumber(value.substr(a + 1, b - a - 1));
  device.name = Trim(value.substr(b + 1));
  return true;
}

bool ParseAPSDevice(const std::string& value, DeviceConfig& device) {
  const size_t a = value.find(',');
  if (a == std::string::npos) return false;
  device.kind = DeviceKind::APS;
  device.memory = ParseNumber(value.substr(0, a));
  device.name = Trim(value.substr(a + 1));
  return true;
}

void ApplyFault(FaultConfig& faults, const std::string& key, const std::string& value) {
  if (key == "refuse") {
    faults.refusedVersions.push_back(static_cast<uint32_t>(ParseNumber(value)));
  } else if (key == "hide") {
    faults.hiddenExports.push_back(Trim(value));
  } else if (key == "busy") {
    faults.busyCount = static_cast<int32_t>(ParseNumber(value));
  } else if (key == "loadfail") {
    faults.loadFails = ParseFlag(value);
  } else if (key == "crash") {
    faults.loadCrashes = ParseFlag(value);
  } else if (key == "registerfail") {
    faults.registerFails = ParseFlag(value);
  } else if (key == "createfail") {
    faults.createFails = ParseFlag(value);
  } else if (key == "importfail") {
    faults.importFails = ParseFlag(value);
  } else if (key == "savefail") {
    faults.saveFails = ParseFlag(value);
  } else if (key == "refuseload") {
    faults.refuseLoad = ParseFlag(value);
  }
}

}  // namespace

SimConfig ParseSimConfig(const std::string& text) {
  SimConfig config;
  bool sfmanListed = false;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    const size_t dot = line.find('.');
    if (eq == std::string::npos || dot == std::string::npos || dot > eq) continue;
    const std::string library = line.substr(0, dot);
    const std::string key = Trim(line.substr(dot + 1, eq - dot - 1));
    const std::string value = line.substr(eq + 1);
    DeviceConfig device;
    if (library == "sfman") {
      if (key == "device") {
        sfmanListed = true;
        if (ParseSFManDevice(value, device)) config.sfmanDevices.push_back(device);
      } else {
        ApplyFault(config.sfman, key, value);
      }
    } else if (library == "sfedt") {
      if (key == "log") {
        config.sfedtLog = Trim(value);
      } else {
        ApplyFault(config.sfedt, key, value);
      }
    } else if (library == "aps") {
      if (key == "device") {
        if (ParseAPSDevice(value, device)) config.apsDevices.push_back(device);
      } else {
        ApplyFault(config.aps, key, value);
      }
    }
  }
  if (!sfmanListed) {
    config.sfmanDevices.push_back({DeviceKind::TenK, DefaultMemory, "SB Live! Synth A"});
    config.sfmanDevices.push_back({DeviceKind::General, DefaultMemory, "SoundFont Synth"});
  }
  return config;
}

std::string ConfigPathBeside(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  std::string folder(path, length);
  const size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  return folder + ConfigFileName;
}

SimConfig ReadSimConfig(HMODULE module) {
  std::ifstream file(ConfigPathBeside(module), std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  return ParseSimConfig(text.str());
}

}  // namespace simcard
