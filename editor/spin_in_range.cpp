#include "spin_in_range.h"

#include <cmath>

#include "KitSpin.h"

int SpinValueInRange(TKitSpinEdit& spin) {
  const double value = std::round(spin.Value());
  const double limited = spin.CheckValue(value);
  if (limited != value) spin.SetValue(limited);
  return int(limited);
}
