// Processor faults inside a guarded call end the call, not the program.
#include <gtest/gtest.h>

#include "vendor_fault_guard.h"

namespace {
int* volatile nowhere = nullptr;
volatile int zero = 0;
}  // namespace

TEST(VendorFaultGuard, FaultsEndTheCallAndTheThreadGoesOn) {
  volatile int reached = 0;
  EXPECT_FALSE(RunGuardedVendorCall([&] {
    reached = 1;
    *nowhere = 5;
    reached = 2;
  }));
  EXPECT_EQ(reached, 1);
  EXPECT_FALSE(RunGuardedVendorCall([&] { reached = 10 / zero; }));
  EXPECT_TRUE(RunGuardedVendorCall([&] { reached = 3; }));
  EXPECT_EQ(reached, 3);
}

TEST(VendorFaultGuard, InnerGuardCatchesItsOwnFault) {
  bool inner = true;
  EXPECT_TRUE(RunGuardedVendorCall([&] { inner = RunGuardedVendorCall([] { *nowhere = 1; }); }));
  EXPECT_FALSE(inner);
}
