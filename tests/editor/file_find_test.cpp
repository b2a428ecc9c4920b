#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "file_find.h"
#include "file_link.h"
#include "scratch_folder.h"

using testsupport::TScratchFolder;
using testsupport::WriteTextFile;

namespace {

std::vector<std::string> Walk(const std::string& root) {
  TFindFileRecursive finder(root);
  std::vector<std::string> paths;
  for (std::string path = finder.Next(); !path.empty(); path = finder.Next()) paths.push_back(path);
  EXPECT_EQ("", finder.Next());  // and on every later call
  return paths;
}

// The folder's subfolders in the order the system lists them.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE found = FindFirstFileA((folder + "\\*").c_str(), &data);
  do {
    std::string name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(found, &data));
  FindClose(found);
  return names;
}

size_t IndexOf(const std::vector<std::string>& paths, const std::string& path) {
  return size_t(std::find(paths.begin(), paths.end(), path) - paths.begin());
}

uintptr_t FreshHandleValue() {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(event);
  return uintptr_t(event);
}

}  // namespace

TEST(FindFileRecursive, FilesOfAFolderBeforeItsSubfoldersWhichComeLastFoundFirst) {
  TScratchFolder dir("tb_find");
  for (const char* sub : {"s1", "s2", "s3", "s2\\deep"}) ASSERT_TRUE(CreateDirectoryA(dir[sub].c_str(), nullptr));
  for (const char* file : {"r1.txt", "r2.sf2", "s1\\a", "s2\\b", "s2\\deep\\c", "s3\\d"})
    ASSERT_TRUE(WriteTextFile(dir[file], "x"));

  std::vector<std::string> paths = Walk(dir.Path());
  ASSERT_EQ(6u, paths.size());
  EXPECT_EQ((std::set<std::string>{dir["r1.txt"], dir["r2.sf2"]}), (std::set<std::string>{paths[0], paths[1]}));
  // s2's own file before its subfolder's.
  EXPECT_LT(IndexOf(paths, dir["s2\\b"]), IndexOf(paths, dir["s2\\deep\\c"]));
  std::vector<std::string> order = Subfolders(dir.Path());
  ASSERT_EQ(3u, order.size());
  const char* firstFile[] = {"a", "b", "d"};  // the first file of s1, s2, s3
  std::vector<size_t> seen;
  for (const std::string& sub : order) seen.push_back(IndexOf(paths, dir[sub + "\\" + firstFile[sub[1] - '1']]));
  EXPECT_GT(seen[0], seen[1]);
  EXPECT_GT(seen[1], seen[2]);

  // A trailing backslash gives the same paths.
  EXPECT_EQ(paths, Walk(dir.Path() + "\\"));
}

TEST(FindFileRecursive, EmptyRootsWalkNothing) {
  TScratchFolder dir("tb_find");
  ASSERT_TRUE(CreateDirectoryA(dir["empty"].c_str(), nullptr));
  EXPECT_TRUE(Walk(dir.Path()).empty());
  EXPECT_TRUE(Walk("").empty());  // not the current drive
  EXPECT_TRUE(Walk(dir["missing"]).empty());
}

TEST(FindFileRecursive, PassesOverAFolderRemovedMidWalkAndFolderLinks) {
  TScratchFolder dir("tb_find");
  for (const char* sub : {"x", "y"}) ASSERT_TRUE(CreateDirectoryA(dir[sub].c_str(), nullptr));
  for (const char* file : {"x\\1", "x\\2", "y\\1", "y\\2"}) ASSERT_TRUE(WriteTextFile(dir[file], "x"));
  // A link back to the root: entering it would walk the same files again and again.
  ASSERT_TRUE(testsupport::MakeSymbolicLink(dir["loop"], dir.Path()));
  TFindFileRecursive finder(dir.Path());
  std::string first = finder.Next();
  ASSERT_FALSE(first.empty());
  const std::string entered = first.substr(0, first.rfind('\\'));
  const std::string other = entered == dir["x"] ? dir["y"] : dir["x"];
  testsupport::RemoveTree(other);
  std::vector<std::string> rest{first};
  for (std::string path = finder.Next(); !path.empty(); path = finder.Next()) rest.push_back(path);
  std::sort(rest.begin(), rest.end());
  EXPECT_EQ((std::vector<std::string>{entered + "\\1", entered + "\\2"}), rest);
  testsupport::RemoveSymbolicLink(dir["loop"]);
}

TEST(FindFileRecursive, HandsOutOnlyPathsWithinThePathLimit) {
  TScratchFolder dir("tb_find");
  // A chain of folders, each with a file, reaching past the limit; one folder fits while its file does not.
  const size_t snug = MAX_PATH - 7;
  std::string folder = dir.Path();
  std::wstring deep = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
  std::set<std::string> fitting;
  while (folder.size() < MAX_PATH + 40) {
    size_t step = folder.size() < snug - 1 && folder.size() + 26 > snug ? snug - folder.size() - 1 : 25;
    folder += "\\" + std::string(step, 'd');
    deep += L"\\" + std::wstring(step, L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    HANDLE file = CreateFileW((deep + L"\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    if (folder.size() + 9 < MAX_PATH) fitting.insert(folder + "\\file.txt");
  }
  std::vector<std::string> paths = Walk(dir.Path());
  EXPECT_EQ(fitting, std::set<std::string>(paths.begin(), paths.end()));
  EXPECT_EQ(fitting.size(), paths.size());
}

TEST(FindFileRecursive, FreeingItClosesAnOpenSearch) {
  TScratchFolder dir("tb_find");
  for (const char* file : {"a", "b"}) ASSERT_TRUE(WriteTextFile(dir[file], "x"));
  const uintptr_t before = FreshHandleValue();
  {
    TFindFileRecursive finder(dir.Path());
    ASSERT_FALSE(finder.Next().empty());
    EXPECT_NE(before, FreshHandleValue());
  }
  EXPECT_EQ(before, FreshHandleValue());
}

TEST(FindFileRecursive, StepsPerSecond) {
  TScratchFolder dir("tb_find");
  for (int folder = 0; folder < 20; ++folder) {
    std::string sub = dir["f" + std::to_string(folder)];
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    for (int file = 0; file < 100; ++file) ASSERT_TRUE(WriteTextFile(sub + "\\" + std::to_string(file), ""));
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  size_t steps = Walk(dir.Path()).size();
  QueryPerformanceCounter(&end);
  EXPECT_EQ(2000u, steps);
  double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  std::printf("[figure] file finder: %zu steps in %.3f s, %.0f steps per second\n", steps, seconds,
              double(steps) / seconds);
}
