#include "ipc.h"

#include "tarnbel_protocol.h"
#include "text_compare.h"
#include "thread_post.h"

namespace {

// String atoms lie in 0xC000-0xFFFF; anything else in wParam is not a payload.
bool PayloadAtom(WPARAM param, ATOM& atom) {
  if (param < 0xC000 || param > 0xFFFF) return false;
  atom = static_cast<ATOM>(param);
  return true;
}

std::string TempFolder() {
  char folder[MAX_PATH + 2];
  DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return std::string();
  return std::string(folder, length);
}

// The payload file's full name, when the atom names one.
bool PayloadPath(ATOM atom, std::string& path) {
  char name[262];
  UINT length = GlobalGetAtomNameA(atom, name, sizeof(name));
  if (length == 0) return false;
  path.assign(name, length);
  return true;
}

// The name the system resolves a handle to (links followed), "\\?\C:\..." form; "" when unknown.
std::string FinalPath(HANDLE handle) {
  char path[MAX_PATH + 16];
  DWORD length = GetFinalPathNameByHandleA(handle, path, sizeof(path), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

// True when the open file itself lies directly in the temporary folder, wherever its name led.
bool OpenFileInTempFolder(HANDLE file) {
  std::string folder = TempFolder();
  if (folder.empty()) return false;
  HANDLE handle = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  std::string folderPath = FinalPath(handle);
  CloseHandle(handle);
  std::string filePath = FinalPath(file);
  if (folderPath.empty() || filePath.empty()) return false;
  if (folderPath.back() != '\\') folderPath += '\\';
  return SameTextAscii(filePath.substr(0, folderPath.size()), folderPath) && filePath.size() > folderPath.size() &&
         filePath.find('\\', folderPath.size()) == std::string::npos;
}

bool ReadWholeFile(HANDLE file, std::vector<uint8_t>& data) {
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
            static_cast<uint64_t>(size.QuadPart) <= IPC_MAX_PAYLOAD_SIZE;
  if (ok) {
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < data.size()) {
      DWORD read = 0;
      ok = ReadFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &read, nullptr) && read > 0;
      done += read;
    }
  }
  if (!ok) data.clear();
  return ok;
}

bool WriteWholeFile(const char* path, const void* data, size_t size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  bool ok = true;
  size_t done = 0;
  while (ok && done < size) {
    DWORD chunk = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
    DWORD written = 0;
    ok = WriteFile(file, bytes + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  return CloseHandle(file) && ok;
}

}  // namespace

bool IsPayloadFileName(const std::string& path) {
  std::string folder = TempFolder();
  if (folder.empty() || !SameTextAscii(path.substr(0, folder.size()), folder)) return false;
  std::string name = path.substr(folder.size());
  if (name.find_first_of("\\/:") != std::string::npos) return false;
  return name.size() > 7 && name.compare(0, 3, "$$$") == 0 && SameTextAscii(name.substr(name.size() - 4), ".tmp");
}

ATOM IPCWritePayload(const void* data, size_t size) {
  std::string folder = TempFolder();
  char path[MAX_PATH + 2];
  if (folder.empty() || GetTempFileNameA(folder.c_str(), "$$$", 0, path) == 0) return 0;
  if (!WriteWholeFile(path, data, size)) {
    DeleteFileA(path);
    return 0;
  }
  // A name longer than an atom holds is refused here; atom 0 never travels.
  ATOM atom = GlobalAddAtomA(path);
  if (atom == 0) DeleteFileA(path);
  return atom;
}

ATOM IPCWriteStringPayload(const std::string& text) { return IPCWritePayload(text.data(), text.size()); }

bool IPCReceiveBuffer(WPARAM param, std::vector<uint8_t>& data) {
  data.clear();
  ATOM atom;
  std::string path;
  if (!PayloadAtom(param, atom) || !PayloadPath(atom, path)) return false;
  // Someone else's atom or file: not ours to read or remove.
  if (!IsPayloadFileName(path)) return false;
  // Opened once, and checked, read and deleted through that one handle: a link in the temporary
  // folder leads elsewhere, and its name may be made to lead elsewhere between two opens.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    GlobalDeleteAtom(atom);  // the payload is gone; its atom goes with it
    return false;
  }
  if (!OpenFileInTempFolder(file)) {
    CloseHandle(file);
    return false;
  }
  bool ok = ReadWholeFile(file, data);
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof(dispose));
  CloseHandle(file);
  GlobalDeleteAtom(atom);
  return ok;
}

bool IPCReceiveString(WPARAM atom, std::string& text) {
  std::vector<uint8_t> data;
  bool ok = IPCReceiveBuffer(atom, data);
  text.assign(data.begin(), data.end());
  return ok;
}

void TIPCLink::DiscardPayload(WPARAM param) {
  ATOM atom;
  std::string path;
  if (!PayloadAtom(param, atom) || !PayloadPath(atom, path) || !IsPayloadFileName(path)) return;
  DeleteFileA(path.c_str());
  GlobalDeleteAtom(atom);
}

void TIPCLink::DiscardQueuedPayloads(HWND window) {
  if (!window) return;
  MSG msg;
  while (PeekMessageA(&msg, window, WM_USER, 0x7FFF, PM_REMOVE))
    if (MessageCarriesPayload(msg.message)) DiscardPayload(msg.wParam);
}

TIPCLink::TIPCLink(const std::string& title, UINT defaultId) : FPeerTitle(title), FDefaultId(defaultId) {
  FindPeer();
}

namespace {
struct TPeerSearch {
  const std::string* title;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TPeerSearch*>(param);
  std::vector<char> text(search->title->size() + 2);
  int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  if (length >= 0 && static_cast<size_t>(length) == search->title->size() &&
      search->title->compare(0, std::string::npos, text.data(), static_cast<size_t>(length)) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool TIPCLink::FindPeer() {
  TPeerSearch search{&FPeerTitle, nullptr};
  EnumWindows(&MatchTitle, reinterpret_cast<LPARAM>(&search));
  FPeerWindow = search.found;
  return FPeerWindow != nullptr;
}

bool TIPCLink::Post(UINT id, WPARAM wParam, LPARAM lParam) {
  if (!FPeerWindow) return false;
  for (;;) {
    if (PostOnce(FPeerWindow, 0, id, wParam, lParam)) return true;
    // The window may have closed and opened again as a new one.
    if (!FindPeer()) return false;
  }
}

bool TIPCLink::PostPayload(ATOM atom, UINT id, LPARAM lParam) {
  if (Post(id, atom, lParam)) return true;
  DiscardPayload(atom);
  return false;
}

bool TIPCLink::SendData(const void* data, size_t size, UINT id, LPARAM lParam) {
  if (!FPeerWindow) return false;
  ATOM atom = IPCWritePayload(data, size);
  return atom != 0 && PostPayload(atom, id == 0 ? FDefaultId : id, lParam);
}

bool TIPCLink::SendString(const std::string& text, UINT id) { return SendData(text.data(), text.size(), id, 0); }

bool TIPCLink::PostThreadData(DWORD threadId, const void* data, size_t size, UINT id) {
  ATOM atom = IPCWritePayload(data, size);
  if (atom == 0) return false;
  if (PostThreadUntilAccepted(threadId, id, atom, 0)) return true;
  DiscardPayload(atom);
  return false;
}
