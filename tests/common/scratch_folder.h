#pragma once
// A test's own folder under the temporary folder, removed with its contents when the test ends.
#include <string>
#include <vector>

namespace testsupport {

class TScratchFolder {
 public:
  explicit TScratchFolder(const std::string& prefix);
  ~TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  // Without a trailing backslash.
  const std::string& Path() const { return FPath; }
  std::string operator[](const std::string& relative) const { return FPath + "\\" + relative; }

 private:
  std::string FPath;
};

// Writes the text as the file's whole content; false when the file cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);
// Removes a folder and everything below it; folder links are removed, not entered.
void RemoveTree(const std::string& path);
// The names of a folder's files (not its subfolders) that match a pattern such as "*.sf2", sorted.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern = "*");

}  // namespace testsupport
