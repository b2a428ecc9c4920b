#pragma once
// Small helpers for the stand-in's file readers on top of the storage chunk reader.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "chunk.h"

namespace simcard {

// The header of the child chunk with the given ID (and list type, when not empty) inside parent.
bool FindChild(TChunk& parent, const std::string& id, const std::string& listType, TChunk& child);

// The whole body of a chunk; false (and nothing allocated) when the file ends before it does.
bool ReadBody(std::istream& stream, const TChunk& chunk, std::vector<uint8_t>& body);

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace simcard
