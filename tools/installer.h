#pragma once
// The single steps of installation and removal: the Winamp input plug-in, the companion driver in the
// system folder, shortcuts, the uninstall entry, the installation stamp and the batch that deletes the
// program after it has ended. Files are taken from and looked for in the program folder (the folder of
// the running program). Results are true on success; a false result leaves the system's error code.
#include <string>
#include <vector>

// The product title: shortcut names, Start-menu group, display name, application titles.
extern const char* const ProductTitle;           // "tarnbel v1.24.2"
extern const char* const WinampPluginFile;       // "in_tbvox.dll"
extern const char* const DriverFile;             // "wendrel.dll", also the reference of the stamp
extern const char* const InstallListFile;        // "instlist.txt"
extern const char* const UninstallEntryName;     // "tarnbel"
extern const char* const UninstallKeyPath;       // HKLM "Software\...\CurrentVersion\Uninstall\"
extern const char* const WinampUninstallKeyPath;

// Shell folder ids of the desktop folder and of the Start menu's programs folder.
constexpr int DesktopFolderId = 16;
constexpr int ProgramsFolderId = 2;

// The file-system path of a shell special folder, without a trailing backslash; "" when there is none.
std::string GetSpecialFolderPath(int folderId);

// The folder (with a trailing backslash) of the program an "UninstallString" names: the quoted part of a
// quoted value, else the value up to its ".exe" when arguments follow. "" unless it is a full path.
std::string WinampFolderFromUninstallString(const std::string& value);
// Winamp's folder from its uninstall entry. False when there is no entry, or its "UninstallString" is no
// text or names no full path: that counts as no Winamp.
bool FindWinampFolder(std::string& folder);

// Copies the plug-in into Winamp's "plugins" folder (made when missing); without Winamp the user picks
// Winamp's folder, and cancelling gives false.
bool InstallWinampPlugin(const std::string& pluginName);
// Deletes the plug-in from Winamp's "plugins" folder; true when there is none. False means that Winamp
// holds it (runs).
bool UninstallWinampPlugin(const std::string& pluginName);
// The plug-in's path in Winamp's "plugins" folder; "" without Winamp.
std::string InstalledWinampPluginPath(const std::string& pluginName);

// True when nothing is at the path (a missing folder on the way counts).
bool FileIsGone(const std::string& path);
// Deletes the file and looks that it is gone: a deletion the system reports done can leave the file in
// place (a read-only medium). True when it is gone, or never was; else false with the system's error.
bool DeleteFileConfirmed(const std::string& path);
// Copies the file, overwriting, and makes the copy writable: the copy carries the source's read-only
// attribute, and could then not be replaced or removed.
bool CopyWritable(const std::string& from, const std::string& to);
// Deletes a copy that installation made, also one that an earlier installation left read-only.
bool DeleteInstalledCopy(const std::string& path);

std::string SystemFolderPath(const std::string& name);
// True when the file is gone from the system folder (deleted or never there).
bool DeleteFromSystemFolder(const std::string& name);
bool CopyToSystemFolder(const std::string& name);

// A shell link to target with target's folder as working folder, saved as linkFile.
bool CreateShellLink(const std::string& target, const std::string& linkFile);
std::string DesktopShortcutPath(const std::string& name);
std::string StartMenuGroupPath(const std::string& group);
std::string StartMenuShortcutPath(const std::string& group, const std::string& name);
bool CreateDesktopShortcut(const std::string& target, const std::string& name);
// Makes the group folder when missing.
bool CreateStartMenuShortcut(const std::string& group, const std::string& target, const std::string& name);
// True when the link file is gone (deleted or never there).
bool RemoveDesktopShortcut(const std::string& name);
bool RemoveStartMenuShortcut(const std::string& group, const std::string& name);
// Removes the group folder when it is empty; true when it is gone.
bool RemoveStartMenuGroup(const std::string& group);

// The entry's "DisplayName" and "UninstallString": the program folder and the command's program file,
// in double quotes, then the command's arguments.
bool WriteUninstallEntry(const std::string& keyName, const std::string& command, const std::string& displayName);
// True when the entry is gone (deleted or never there).
bool RemoveUninstallEntry(const std::string& keyName);

// Gives each file under the program folder that the list file names (path after the program folder,
// case-blind) the last-write time of the reference file, then deletes the list. Without the reference
// file's time nothing is stamped and the list stays; false then. The listed files that keep their own
// time are added to unstamped, and the list stays, stamped, for removal to find them by; false then too.
// A list that cannot be deleted gets the stamp, so that removal takes it; false then, with listKept set
// (may be null).
bool StampInstalledFiles(const std::string& referenceFile, const std::string& listFile,
                         std::vector<std::string>& unstamped, bool* listKept = nullptr);
// Deletes every file under the program folder that bears the installation stamp, and every file that a
// list file kept by the installation names (the list bears the stamp, or none of its files does), but
// this program (the batch deletes it); then the list and the reference file, each deletion confirmed.
// The stamp is the reference file's last-write time, or this program's when the reference is gone. The
// installed files that stay are added to left, and then the list and the reference stay too, so that a
// later removal finds them; false when there are any.
bool DeleteStampedFiles(const std::string& referenceFile, const std::string& listFile, std::vector<std::string>& left);
// Removes that folder of the program folder when it is empty; true when it is gone.
bool RemoveProgramSubfolder(const std::string& relativeFolder);

// The running program's file.
std::string ThisProgramPath();

// The text of the batch that deletes program once it has ended (waiting a second between tries, at most
// a minute), then with removeFolder its folder when empty, then itself. Percent signs are doubled so
// that the batch does not expand them.
std::string DeleteSelfBatchText(const std::string& program, const std::string& batchPath, bool removeFolder);
// The temporary folder + "delself.bat".
std::string DeleteSelfBatchPath();
// Writes the batch for this program; false when it cannot be written.
bool WriteDeleteSelfBatch(bool removeFolder);
// Runs the batch hidden through the command interpreter, in the temporary folder, without waiting.
bool StartDeleteSelfBatch();
// Both.
bool DeleteSelf(bool removeFolder);
