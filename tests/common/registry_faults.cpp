#include "registry_faults.h"

namespace testsupport {

namespace {
int failAt = 0;
LONG failWith = ERROR_SUCCESS;
int seen = 0;
std::vector<std::string> operations;

LONG CountAndFail(TRegOperation, const std::string& path, const std::string& name) {
  ++seen;
  operations.push_back(path + "\\" + name);
  return seen == failAt ? failWith : ERROR_SUCCESS;
}
}  // namespace

RegistryFaultAt::RegistryFaultAt(int n, LONG error) {
  failAt = n;
  failWith = error;
  seen = 0;
  operations.clear();
  SetRegFaultHook(&CountAndFail);
}

RegistryFaultAt::~RegistryFaultAt() { SetRegFaultHook(nullptr); }

int RegistryFaultAt::Count() const { return seen; }

bool RegistryFaultAt::Fired() const { return failAt > 0 && seen >= failAt; }

const std::vector<std::string>& RegistryFaultAt::Operations() const { return operations; }

}  // namespace testsupport
