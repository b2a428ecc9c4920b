#pragma once
// Whether a folder is there, and making one with its parents; shared by both programs and the kit.
#include <string>

// True when the path's attributes can be read and have the directory bit (a trailing backslash is
// allowed). DirectoryOrDriveExists keeps its own stricter rule for drive roots and trailing backslashes.
bool DirExists(const std::string& name);
// Creates the folder and its missing parents; failures are left for the caller's existence test.
void ForceDirectories(const std::string& folder);
