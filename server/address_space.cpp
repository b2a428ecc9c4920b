#include "address_space.h"

#include <windows.h>

bool AddressSpaceLeft(size_t bytes, size_t piece) {
  if (bytes == 0) return true;
  void* taken = VirtualAlloc(nullptr, piece, MEM_RESERVE, PAGE_NOACCESS);
  if (!taken) return false;
  // Held while the rest is asked for, so no piece is counted twice.
  bool left = AddressSpaceLeft(bytes > piece ? bytes - piece : 0, piece);
  VirtualFree(taken, 0, MEM_RELEASE);
  return left;
}
