#include <gtest/gtest.h>
#include <windows.h>

#include "registry_test_support.h"
#include "tarnbel_func.h"

using namespace testsupport;

TEST(TarnbelFunc, PaddingAndNumbers) {
  EXPECT_EQ("007", PadLeftZeros("7", 3));
  EXPECT_EQ("1234", PadLeftZeros("1234", 3));
  EXPECT_EQ("ab  ", PadRight("ab", 4));
  EXPECT_EQ("abcde", PadRight("abcde", 4));
  EXPECT_EQ("1234", IntToStrZero(1234, 3));
  EXPECT_EQ("0-1", IntToStrZero(-1, 3));
  EXPECT_EQ("000", IntToStrZero(0, 3));
}

TEST(TarnbelFunc, BankLabels) {
  EXPECT_EQ("bank 000", BankDisplayName(0));
  EXPECT_EQ("bank 005", BankDisplayName(5));
  EXPECT_EQ("bank 127", BankDisplayName(127));
  EXPECT_EQ("drumsets", BankDisplayName(128));
  EXPECT_EQ("005:007", FormatBankProgram(5, 7));
  EXPECT_EQ("128:035", FormatBankProgram(128, 35));
}

TEST(TarnbelFunc, FileNamesAndEscaping) {
  EXPECT_EQ("a_b_c_", SanitizeFileName("a/b:c?"));
  EXPECT_EQ("_________ok", SanitizeFileName("\"*/:<>?\\|ok"));
  EXPECT_EQ("_x_", SanitizeFileName(std::string("\x01x\x1f")));
  EXPECT_EQ("\xe9t\xe9", SanitizeFileName("\xe9t\xe9"));  // code-page letters stay
  EXPECT_EQ("&quot;a&amp;b&lt;c&gt;'", XmlEscape("\"a&b<c>'"));
}

TEST(TarnbelFunc, FilesFoldersAndDrives) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "tarnbel_func_test";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string file = folder + "\\f.txt";
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  CloseHandle(h);

  EXPECT_TRUE(FileExistsNotDir(file));
  EXPECT_FALSE(FileExistsNotDir(folder));
  EXPECT_FALSE(FileExistsNotDir(folder + "\\missing.txt"));
  EXPECT_TRUE(DirectoryOrDriveExists(folder));
  EXPECT_FALSE(DirectoryOrDriveExists(folder + "\\"));  // trailing backslash: not found
  EXPECT_FALSE(DirectoryOrDriveExists(file));
  EXPECT_FALSE(DirectoryOrDriveExists(""));
  EXPECT_TRUE(DirectoryOrDriveExists("C:"));
  EXPECT_TRUE(DirectoryOrDriveExists("C:\\"));
  EXPECT_FALSE(DirectoryOrDriveExists("Q:"));
  EXPECT_FALSE(DirectoryOrDriveExists("Q:\\"));

  DeleteFileA(file.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(TarnbelFunc, StoredMappingAndComboNames) {
  ResetTarnbelKey();
  std::vector<std::string> names{"stale"};
  GetMappingNames(names);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(KeyExists("Software\\tarnbel\\mappings"));

  WriteRawString("Software\\tarnbel\\mappings\\default", "Count", "0");
  WriteRawString("Software\\tarnbel\\mappings\\Drums", "Count", "0");
  WriteRawString("Software\\tarnbel\\combos\\evening", "Count", "0");
  GetMappingNames(names);
  EXPECT_EQ(SubkeyNames("Software\\tarnbel\\mappings"), names);
  EXPECT_EQ(2u, names.size());
  GetComboNames(names);
  EXPECT_EQ(std::vector<std::string>{"evening"}, names);
  ResetTarnbelKey();
}
