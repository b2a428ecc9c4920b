#include "remote_list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace testsupport {

namespace {

// A block of the list view's process holding an item record and its text buffer.
class TRemoteBlock {
 public:
  TRemoteBlock(HWND window, size_t size) : FSize(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    FProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (FProcess) FMemory = VirtualAllocEx(FProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~TRemoteBlock() {
    if (FMemory) VirtualFreeEx(FProcess, FMemory, 0, MEM_RELEASE);
    if (FProcess) CloseHandle(FProcess);
  }
  TRemoteBlock(const TRemoteBlock&) = delete;
  TRemoteBlock& operator=(const TRemoteBlock&) = delete;
  bool Ok() const { return FMemory != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(FMemory) + offset; }
  bool Write(size_t offset, const void* data, size_t size) {
    SIZE_T done = 0;
    return WriteProcessMemory(FProcess, At(offset), data, size, &done) && done == size;
  }
  bool Read(size_t offset, void* data, size_t size) {
    SIZE_T done = 0;
    return ReadProcessMemory(FProcess, At(offset), data, size, &done) && done == size;
  }

 private:
  HANDLE FProcess = nullptr;
  void* FMemory = nullptr;
  size_t FSize;
};

const size_t kTextOffset = 512, kTextSize = 512;

}  // namespace

bool PostClickOnRemoteTreeSelection(HWND tree) {
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  TRemoteBlock block(tree, sizeof(RECT));
  RECT rect{};
  memcpy(&rect, &selected, sizeof selected);  // the item goes in the rectangle's place
  if (!selected || !block.Ok() || !block.Write(0, &rect, sizeof rect) ||
      !SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(block.At(0))) ||
      !block.Read(0, &rect, sizeof rect))
    return false;
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  return PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(tree, WM_LBUTTONUP, 0, at);
}

int RemoteListViewColumns(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  return header ? int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::vector<TRemoteRow> ReadRemoteListView(HWND list, int columns) {
  std::vector<TRemoteRow> rows;
  TRemoteBlock block(list, kTextOffset + kTextSize);
  if (!block.Ok()) return rows;
  int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TRemoteRow row;
    for (int c = 0; c < columns; ++c) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | (c == 0 ? LVIF_IMAGE | LVIF_STATE : 0);
      item.iItem = i;
      item.iSubItem = c;
      item.stateMask = LVIS_SELECTED;
      item.pszText = block.At(kTextOffset);
      item.cchTextMax = int(kTextSize);
      char empty = 0;
      block.Write(kTextOffset, &empty, 1);
      if (!block.Write(0, &item, sizeof item)) return {};
      SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.At(0)));
      char text[kTextSize] = {0};
      block.Read(0, &item, sizeof item);
      block.Read(kTextOffset, text, kTextSize - 1);
      row.Texts.push_back(text);
      if (c == 0) {
        row.Image = item.iImage;
        row.Selected = (item.state & LVIS_SELECTED) != 0;
      }
    }
    rows.push_back(row);
  }
  return rows;
}

HWND FindListViewWithColumns(HWND top, int columns) {
  struct TSearch {
    int Columns;
    HWND Found;
  } search{columns, nullptr};
  EnumChildWindows(
      top,
      [](HWND child, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        // The class library registers list views under a class name of its own: a list view is what
        // answers with a header.
        char cls[64] = {0};
        GetClassNameA(child, cls, sizeof cls);
        bool listView = lstrcmpiA(cls, WC_LISTVIEWA) == 0 || std::string(cls).find("ListView") != std::string::npos;
        if (listView && RemoteListViewColumns(child) == s->Columns) {
          s->Found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::vector<HWND> ListViewsLeftToRight(HWND top) {
  std::vector<HWND> lists;
  EnumChildWindows(
      top,
      [](HWND child, LPARAM data) CALLBACK -> BOOL {
        char cls[64] = {0};
        GetClassNameA(child, cls, sizeof cls);
        if (std::string(cls) == "TListView") reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&lists));
  std::sort(lists.begin(), lists.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return lists;
}

HWND FindTopWindowStartingWith(DWORD processId, const std::string& titleStart) {
  struct TSearch {
    DWORD Pid;
    const std::string* Start;
    HWND Found;
  } search{processId, &titleStart, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char title[256] = {0};
        GetWindowTextA(window, title, sizeof title);
        if ((s->Pid == 0 || pid == s->Pid) && std::string(title).rfind(*s->Start, 0) == 0) {
          s->Found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::string ReadRemoteStatusText(HWND bar, int part) {
  TRemoteBlock block(bar, kTextSize);
  if (!block.Ok()) return "";
  LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, WPARAM(part), 0) & 0xFFFF;
  if (length <= 0 || size_t(length) >= kTextSize) return "";
  SendMessageA(bar, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(block.At(0)));
  char text[kTextSize] = {0};
  block.Read(0, text, size_t(length));
  return std::string(text, size_t(length));
}

HWND FindChildOfClass(HWND top, const std::string& className) {
  struct TSearch {
    const std::string* Name;
    HWND Found;
  } search{&className, nullptr};
  EnumChildWindows(
      top,
      [](HWND child, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        char cls[64] = {0};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, s->Name->c_str()) != 0) return TRUE;
        s->Found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool SelectRemoteRow(HWND list, int row) {
  TRemoteBlock block(list, sizeof(LVITEMA));
  if (!block.Ok()) return false;
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  if (!block.Write(0, &item, sizeof item)) return false;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(block.At(0)));
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!block.Write(0, &item, sizeof item)) return false;
  return SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(block.At(0))) != 0;
}

RECT RemoteItemRect(HWND list, int row) {
  RECT rect{LVIR_LABEL, 0, 0, 0};
  TRemoteBlock block(list, sizeof rect);
  if (!block.Ok() || !block.Write(0, &rect, sizeof rect) ||
      !SendMessageA(list, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(block.At(0))) ||
      !block.Read(0, &rect, sizeof rect))
    return RECT{0, 0, 0, 0};
  return rect;
}

bool PostClickOnRemoteRow(HWND list, int row) {
  RECT r = RemoteItemRect(list, row);
  if (r.right <= r.left) return false;
  LPARAM at = MAKELPARAM(r.left + 8, (r.top + r.bottom) / 2);
  return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(list, WM_LBUTTONUP, 0, at);
}

bool ReadRemoteToolButton(HWND bar, int index, RECT& rect, int& command) {
  TRemoteBlock block(bar, sizeof(RECT) + sizeof(TBBUTTON));
  if (!block.Ok()) return false;
  if (!SendMessageA(bar, TB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(block.At(0)))) return false;
  if (!SendMessageA(bar, TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(block.At(sizeof(RECT))))) return false;
  TBBUTTON button{};
  if (!block.Read(0, &rect, sizeof rect) || !block.Read(sizeof(RECT), &button, sizeof button)) return false;
  command = button.idCommand;
  return true;
}

}  // namespace testsupport
