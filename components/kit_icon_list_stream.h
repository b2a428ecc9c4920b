#pragma once
// The icon list's stored form: a 32-bit count, then per entry a 32-bit size and that many bytes of
// the icon's saved image (size 0 for an empty entry). No window system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kiticonlist {

// Entries as saved images; an empty string is an empty entry.
std::string WriteIconListStream(const std::vector<std::string>& entries);

// False when the count or a size claims more bytes than are left; entries keeps those read before.
// consumed is the bytes taken by the whole list.
bool ReadIconListStream(const uint8_t* data, size_t size, std::vector<std::string>& entries, size_t& consumed);

}  // namespace kiticonlist
