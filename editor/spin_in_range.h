#pragma once
// The editor's dialogs hand out only numbers their spin edits allow: a typed value outside the range is set
// back to the nearer end at once, below the range as above it.
class TKitSpinEdit;

// The spin edit's value rounded and brought into MinValue-MaxValue; the text follows when it was outside.
int SpinValueInRange(TKitSpinEdit& spin);
