#pragma once
// One line to stdout, flushed at once: the demo's lines interleave with the run script's.
#include <cstdio>
#include <string>

inline void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}
