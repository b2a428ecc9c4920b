#include "registry_faults.h"

namespace testsupport {

namespace {
int failAt = 0;
LONG failWith = ERROR_SUCCESS;
int seen = 0;

LONG CountAndFail(TRegOperation, const std::string&, const std::string&) {
  ++seen;
  return seen == failAt ? failWith : ERROR_SUCCESS;
}
}  // namespace

RegistryFaultAt::RegistryFaultAt(int n, LONG error) {
  failAt = n;
  failWith = error;
  seen = 0;
  SetRegFaultHook(&CountAndFail);
}

RegistryFaultAt::~RegistryFaultAt() { SetRegFaultHook(nullptr); }

int RegistryFaultAt::Count() const { return seen; }

bool RegistryFaultAt::Fired() const { return failAt > 0 && seen >= failAt; }

}  // namespace testsupport
