#pragma once
// The address space the process can still take. A 32-bit process has 2 GB of it and every thread's
// stack takes a share, so what makes threads by the thousand asks here first. It is measured by
// reserving it: under Wine, VirtualQuery shows much of what allocations still get as taken.
#include <cstddef>

// True when `bytes` of address space can be reserved in pieces of `piece` bytes (lying anywhere);
// nothing stays reserved.
bool AddressSpaceLeft(size_t bytes, size_t piece);
