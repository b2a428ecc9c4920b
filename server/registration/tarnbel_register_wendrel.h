#pragma once
// Registers the companion driver library wendrel.dll with the SoundFont Manager as a device.
#include "sfman_api.h"

// "wendrel.dll" and "WendrelEntry", each NUL-filled to 20 bytes.
extern const sfman::DriverRecord DriverRegistrationRecord;

// true when the library's "SF_RegisterDevice" answered 0; false without the library or export.
bool RegisterDriverDevice();
// Calls "SF_UnRegisterDevice"; its answer is not looked at.
void UnregisterDriverDevice();
