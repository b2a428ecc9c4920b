#pragma once
// A symbolic link made for a test. Under Wine the platform's own call makes nothing, so the link is
// made on the host side with ln; on Windows the platform call makes it.
#include <string>

namespace testsupport {

// The host's name of a Windows path under Wine; "" elsewhere.
std::string HostName(const std::string& path);

// Makes `link` point to `target` (both full Windows paths); true once the link is there.
bool MakeSymbolicLink(const std::string& link, const std::string& target);
// Removes such a link (whose target may be gone already); true once it is gone.
bool RemoveSymbolicLink(const std::string& link);

}  // namespace testsupport
