#include "KitPidl.h"

#include <shellapi.h>

#include <cstring>

namespace {

// The task allocator, got once and released at program end.
class TShellAllocator {
 public:
  TShellAllocator() {
    if (FAILED(SHGetMalloc(&FMalloc))) FMalloc = nullptr;
  }
  ~TShellAllocator() {
    if (FMalloc) FMalloc->Release();
  }
  TShellAllocator(const TShellAllocator&) = delete;
  TShellAllocator& operator=(const TShellAllocator&) = delete;
  IMalloc* Get() const { return FMalloc; }

 private:
  IMalloc* FMalloc = nullptr;
};

IMalloc* ShellMalloc() {
  static TShellAllocator allocator;
  return allocator.Get();
}

USHORT FirstCount(LPCITEMIDLIST pidl) {
  USHORT cb;
  std::memcpy(&cb, pidl, sizeof(cb));  // item IDs need not be aligned
  return cb;
}

const UINT kNameFlags[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING};

}  // namespace

UINT GetPIDLSize(LPCITEMIDLIST pidl) {
  if (!pidl) return 0;
  UINT size = 2;
  const BYTE* p = reinterpret_cast<const BYTE*>(pidl);
  for (USHORT cb; (cb = FirstCount(reinterpret_cast<LPCITEMIDLIST>(p))) != 0; p += cb) size += cb;
  return size;
}

LPITEMIDLIST CreatePIDL(UINT size) {
  IMalloc* m = ShellMalloc();
  if (!m || size == 0) return nullptr;
  void* p = m->Alloc(size);
  if (p) std::memset(p, 0, size);
  return static_cast<LPITEMIDLIST>(p);
}

void FreePIDL(LPITEMIDLIST& pidl) {
  if (!pidl) return;
  if (IMalloc* m = ShellMalloc()) m->Free(pidl);
  pidl = nullptr;
}

LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  if (!second) return CopyPIDL(first);
  UINT size1 = first ? GetPIDLSize(first) - 2 : 0;
  UINT size2 = GetPIDLSize(second);
  LPITEMIDLIST result = CreatePIDL(size1 + size2);
  if (!result) return nullptr;
  BYTE* out = reinterpret_cast<BYTE*>(result);
  if (size1) std::memcpy(out, first, size1);
  std::memcpy(out + size1, second, size2);
  return result;
}

LPITEMIDLIST CopyPIDL(LPCITEMIDLIST pidl) {
  UINT size = GetPIDLSize(pidl);
  if (size < 1) return nullptr;
  LPITEMIDLIST result = CreatePIDL(size);
  if (result) std::memcpy(result, pidl, size);
  return result;
}

LPITEMIDLIST NextPIDL(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  USHORT cb = FirstCount(pidl);
  if (cb == 0) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(pidl) + cb));
}

LPITEMIDLIST CopyFirstItemID(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  USHORT cb = FirstCount(pidl);
  LPITEMIDLIST result = CreatePIDL(UINT(cb) + 2);
  if (result) std::memcpy(result, pidl, cb);
  return result;
}

void StrRetToString(IShellFolder* folder, LPCITEMIDLIST pidl, TNameKind kind, std::string& text) {
  text.clear();
  if (!folder || kind < nkNormal || kind > nkForParsing) return;
  STRRET sr;
  std::memset(&sr, 0, sizeof(sr));
  if (FAILED(folder->GetDisplayNameOf(pidl, kNameFlags[kind], &sr))) return;
  switch (sr.uType) {
    case STRRET_WSTR:
      if (sr.pOleStr) {
        int n = WideCharToMultiByte(CP_ACP, 0, sr.pOleStr, -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
          text.resize(size_t(n));
          WideCharToMultiByte(CP_ACP, 0, sr.pOleStr, -1, &text[0], n, nullptr, nullptr);
          text.resize(size_t(n) - 1);
        }
        // The folder hands the string over to us.
        CoTaskMemFree(sr.pOleStr);
      }
      break;
    case STRRET_OFFSET:
      if (pidl) text = reinterpret_cast<const char*>(pidl) + sr.uOffset;
      break;
    case STRRET_CSTR:
      text.assign(sr.cStr, strnlen(sr.cStr, sizeof(sr.cStr)));
      break;
    default:
      break;
  }
}

int GetShellIconIndex(LPCITEMIDLIST absolute, UINT flags) {
  SHFILEINFOA info;
  std::memset(&info, 0, sizeof(info));
  if (!absolute || !SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof(info), flags)) return -1;
  return info.iIcon;
}

void GetShellIconIndexes(LPCITEMIDLIST absolute, int& normal, int& open) {
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_PIDL;
  normal = GetShellIconIndex(absolute, flags);
  open = GetShellIconIndex(absolute, flags | SHGFI_OPENICON);
}
