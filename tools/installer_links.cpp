// Shortcuts of installation: shell links on the desktop and in a Start-menu group.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "installer.h"
#include "sys_utils.h"

namespace {

// COM for the calling thread while the object lives.
class TComScope {
 public:
  TComScope() : FResult(CoInitialize(nullptr)) {}
  ~TComScope() {
    if (SUCCEEDED(FResult)) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  HRESULT FResult;
};

// An interface pointer released with the object.
template <class T>
class TInterface {
 public:
  ~TInterface() {
    if (FPointer) FPointer->Release();
  }
  T* operator->() const { return FPointer; }
  void** Out() { return reinterpret_cast<void**>(&FPointer); }

 private:
  T* FPointer = nullptr;
};

// A failed call leaves its code as the error code, as a Win32 call would.
bool Succeeded(HRESULT result) {
  if (SUCCEEDED(result)) return true;
  SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : DWORD(result));
  return false;
}

std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  return wide.c_str();
}

// The folder of a file, without its trailing backslash unless it is a drive's root.
std::string FolderOf(const std::string& path) {
  std::string folder = ui::ExtractFilePath(path);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

bool CreateShellLink(const std::string& target, const std::string& linkFile) {
  TComScope com;
  TInterface<IShellLinkA> link;
  if (!Succeeded(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out())))
    return false;
  if (!Succeeded(link->SetPath(target.c_str())) || !Succeeded(link->SetWorkingDirectory(FolderOf(target).c_str())))
    return false;
  TInterface<IPersistFile> file;
  if (!Succeeded(link->QueryInterface(IID_IPersistFile, file.Out()))) return false;
  return Succeeded(file->Save(Wide(linkFile).c_str(), TRUE));
}

std::string DesktopShortcutPath(const std::string& name) {
  return GetSpecialFolderPath(DesktopFolderId) + "\\" + name + ".lnk";
}

std::string StartMenuGroupPath(const std::string& group) { return GetSpecialFolderPath(ProgramsFolderId) + "\\" + group; }

std::string StartMenuShortcutPath(const std::string& group, const std::string& name) {
  return StartMenuGroupPath(group) + "\\" + name + ".lnk";
}

bool CreateDesktopShortcut(const std::string& target, const std::string& name) {
  return CreateShellLink(target, DesktopShortcutPath(name));
}

bool CreateStartMenuShortcut(const std::string& group, const std::string& target, const std::string& name) {
  std::string folder = StartMenuGroupPath(group);
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
  } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  return CreateShellLink(target, StartMenuShortcutPath(group, name));
}

bool RemoveDesktopShortcut(const std::string& name) { return DeleteFileConfirmed(DesktopShortcutPath(name)); }

bool RemoveStartMenuShortcut(const std::string& group, const std::string& name) {
  return DeleteFileConfirmed(StartMenuShortcutPath(group, name));
}

bool RemoveStartMenuGroup(const std::string& group) {
  std::string folder = StartMenuGroupPath(group);
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return RemoveDirectoryA(folder.c_str()) != FALSE;
}
