#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "KitPidl.h"
#include "fake_shell_folder.h"
#include "standin_support.h"

using testsupport::TempFolder;

namespace {

std::string PathOf(LPCITEMIDLIST pidl) {
  char path[MAX_PATH] = {};
  return SHGetPathFromIDListA(pidl, path) ? path : "";
}

std::string Lower(std::string s) {
  CharLowerBuffA(&s[0], DWORD(s.size()));
  return s;
}

LPITEMIDLIST Parse(IShellFolder* folder, const std::string& name) {
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH);
  LPITEMIDLIST pidl = nullptr;
  ULONG eaten = 0;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, wide, &eaten, &pidl, nullptr))) return nullptr;
  return pidl;
}

int ItemCount(LPCITEMIDLIST pidl) {
  int n = 0;
  for (LPITEMIDLIST p = NextPIDL(pidl); p; p = NextPIDL(p)) ++n;
  return n;
}

// A temp folder with a subfolder and a file, the desktop, and the folder's own IShellFolder.
class ShellIds : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(FTemp.File("sub").c_str(), nullptr);
    testsupport::WriteBytes(FTemp.File("file.sf2"), "x");
    ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(&FDesktop));
    FAbsolute = Parse(FDesktop, FTemp.Path());
    ASSERT_NE(nullptr, FAbsolute);
    ASSERT_HRESULT_SUCCEEDED(FDesktop->BindToObject(FAbsolute, nullptr, IID_IShellFolder,
                                                   reinterpret_cast<void**>(&FFolder)));
    FSub = Parse(FFolder, "sub");
    FFile = Parse(FFolder, "file.sf2");
    ASSERT_NE(nullptr, FSub);
    ASSERT_NE(nullptr, FFile);
  }
  void TearDown() override {
    FreePIDL(FFile);
    FreePIDL(FSub);
    FreePIDL(FAbsolute);
    if (FFolder) FFolder->Release();
    if (FDesktop) FDesktop->Release();
    RemoveDirectoryA(FTemp.File("sub").c_str());
  }

  TempFolder FTemp;
  IShellFolder* FDesktop = nullptr;
  IShellFolder* FFolder = nullptr;
  LPITEMIDLIST FAbsolute = nullptr;
  LPITEMIDLIST FSub = nullptr;
  LPITEMIDLIST FFile = nullptr;
};

}  // namespace

TEST_F(ShellIds, SizesAndWalking) {
  LPITEMIDLIST empty = CreatePIDL(2);
  ASSERT_NE(nullptr, empty);
  struct Case {
    const char* what;
    LPCITEMIDLIST pidl;
    UINT size;
  } cases[] = {
      {"nil", nullptr, 0},
      {"terminator only", empty, 2},
      {"absolute folder", FAbsolute, ILGetSize(FAbsolute)},
      {"relative item", FSub, ILGetSize(FSub)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.size, GetPIDLSize(c.pidl)) << c.what;

  EXPECT_EQ(nullptr, NextPIDL(nullptr));
  EXPECT_EQ(nullptr, NextPIDL(empty));
  EXPECT_GT(ItemCount(FAbsolute), 1);
  EXPECT_EQ(1, ItemCount(FSub));
  // The step after the last item is the terminator itself, inside the list.
  LPITEMIDLIST last = NextPIDL(FSub);
  EXPECT_EQ(reinterpret_cast<BYTE*>(FSub) + FSub->mkid.cb, reinterpret_cast<BYTE*>(last));
  EXPECT_EQ(2u, GetPIDLSize(last));
  FreePIDL(empty);
  EXPECT_EQ(nullptr, empty);
  FreePIDL(empty);  // nil stays a no-op
}

TEST_F(ShellIds, ConcatAndCopy) {
  LPITEMIDLIST empty = CreatePIDL(2);
  std::string folder = Lower(PathOf(FAbsolute));
  struct Case {
    const char* what;
    LPCITEMIDLIST first, second;
    std::string path;  // '' for a nil result
  } cases[] = {
      {"folder + item", FAbsolute, FSub, folder + "\\sub"},
      {"nil first", nullptr, FAbsolute, folder},
      {"nil second", FAbsolute, nullptr, folder},
      {"empty second", FAbsolute, empty, folder},
      {"empty first", empty, FAbsolute, folder},
      {"both nil", nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    LPITEMIDLIST joined = ConcatPIDLs(c.first, c.second);
    if (c.path.empty()) {
      EXPECT_EQ(nullptr, joined) << c.what;
      continue;
    }
    ASSERT_NE(nullptr, joined) << c.what;
    EXPECT_NE(c.first, joined) << c.what;
    EXPECT_EQ(c.path, Lower(PathOf(joined))) << c.what;
    EXPECT_EQ(ILGetSize(joined), GetPIDLSize(joined)) << c.what;
    FreePIDL(joined);
  }

  LPITEMIDLIST copy = CopyPIDL(FAbsolute);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(0, std::memcmp(copy, FAbsolute, GetPIDLSize(FAbsolute)));
  FreePIDL(copy);
  EXPECT_EQ(nullptr, CopyPIDL(nullptr));
  FreePIDL(empty);
}

TEST_F(ShellIds, FirstItemId) {
  EXPECT_EQ(nullptr, CopyFirstItemID(nullptr));
  LPITEMIDLIST first = CopyFirstItemID(FAbsolute);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(UINT(FAbsolute->mkid.cb) + 2, GetPIDLSize(first));
  EXPECT_EQ(0, std::memcmp(first, FAbsolute, FAbsolute->mkid.cb));
  EXPECT_EQ(0, FDesktop->CompareIDs(0, first, first));
  // The first item then the rest is the whole list again.
  LPITEMIDLIST whole = ConcatPIDLs(first, NextPIDL(FAbsolute));
  EXPECT_EQ(0, std::memcmp(whole, FAbsolute, GetPIDLSize(FAbsolute)));
  FreePIDL(whole);
  FreePIDL(first);

  LPITEMIDLIST empty = CreatePIDL(2);
  LPITEMIDLIST firstOfEmpty = CopyFirstItemID(empty);
  EXPECT_EQ(2u, GetPIDLSize(firstOfEmpty));
  FreePIDL(firstOfEmpty);
  FreePIDL(empty);
}

TEST_F(ShellIds, DisplayNamesAndIcons) {
  std::string text = "stale";
  StrRetToString(FFolder, FFile, nkInFolder, text);
  EXPECT_EQ("file.sf2", text);
  StrRetToString(FFolder, FFile, nkForParsing, text);
  EXPECT_EQ(Lower(FTemp.File("file.sf2")), Lower(text));
  StrRetToString(FFolder, FSub, nkNormal, text);
  EXPECT_EQ("sub", text);
  StrRetToString(FFolder, FFile, TNameKind(7), text);
  EXPECT_EQ("", text);

  LPITEMIDLIST file = ConcatPIDLs(FAbsolute, FFile);
  int normal = -2, open = -2;
  GetShellIconIndexes(file, normal, open);
  EXPECT_GE(normal, 0);
  EXPECT_GE(open, 0);
  FreePIDL(file);
  EXPECT_EQ(-1, GetShellIconIndex(nullptr, SHGFI_SYSICONINDEX | SHGFI_PIDL));
}

namespace {

// A folder whose display names come back in a chosen STRRET form.
class TNameFolder : public TFakeShellFolder {
 public:
  UINT Type = STRRET_CSTR;
  HRESULT Result = S_OK;
  bool FullBuffer = false;

  STDMETHODIMP GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET* name) override {
    name->uType = Type;
    if (Type == STRRET_OFFSET) name->uOffset = 4;  // past the count and two bytes
    if (Type == STRRET_CSTR) {
      std::memset(name->cStr, 'n', sizeof(name->cStr));
      if (!FullBuffer) std::strcpy(name->cStr, "short");
    }
    if (Type == STRRET_WSTR) {
      name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(6 * sizeof(wchar_t)));
      std::memcpy(name->pOleStr, L"wide\xe9", 6 * sizeof(wchar_t));
    }
    return Result;
  }
};

}  // namespace

TEST(KitPidl, StrRetForms) {
  // A hand-made one-item list: count 12, two bytes, the text "item1", a zero, then the terminator.
  BYTE raw[14] = {12, 0, 0x31, 0x32, 'i', 't', 'e', 'm', '1', 0, 0, 0, 0, 0};
  auto pidl = reinterpret_cast<LPCITEMIDLIST>(raw);
  TNameFolder folder;
  std::string text;
  struct Case {
    UINT type;
    HRESULT result;
    bool fullBuffer;
    std::string expected;
  } cases[] = {
      {STRRET_OFFSET, S_OK, false, "item1"},
      {STRRET_CSTR, S_OK, false, "short"},
      {STRRET_CSTR, S_OK, true, std::string(MAX_PATH, 'n')},  // no zero inside: cut at the buffer's end
      {STRRET_WSTR, S_OK, false, "wide\xe9"},
      {7, S_OK, false, ""},
      {STRRET_CSTR, E_FAIL, false, ""},
  };
  for (const Case& c : cases) {
    folder.Type = c.type;
    folder.Result = c.result;
    folder.FullBuffer = c.fullBuffer;
    text = "stale";
    StrRetToString(&folder, pidl, nkNormal, text);
    EXPECT_EQ(c.expected, text) << c.type;
  }
  EXPECT_EQ(14u, GetPIDLSize(pidl));
}
