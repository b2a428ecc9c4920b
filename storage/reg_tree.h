#pragma once
// A registry key with everything below it, held in memory: taken before a change so that the change can
// be undone, written again under another name, and compared with what a write left behind.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TRegKey;

struct TRegTreeValue {
  std::string Name;
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

struct TRegTree {
  std::vector<TRegTreeValue> Values;
  std::vector<std::pair<std::string, TRegTree>> Subkeys;
};

// Reads the key at path (current user) with all its values and subkeys, without creating anything.
// The system's result: ERROR_FILE_NOT_FOUND when there is no such key.
LONG ReadRegTree(const std::string& path, TRegTree& tree);
// The same below an open key, through its handle.
LONG ReadRegTree(TRegKey& key, TRegTree& tree);

// Creates the key at path and writes the tree into it: values, then subkeys depth first. The first failed
// create or write ends it and is given back. step runs after each key is written (a long write lets the
// message loop run there).
LONG WriteRegTree(const std::string& path, const TRegTree& tree, const std::function<void()>& step = nullptr);

// Puts the open key back as the tree holds it, through its handle (a key deleted meanwhile is not made again):
// what the tree lacks is deleted, what differs written. It goes on after a failure and gives back the first.
LONG RestoreRegTree(TRegKey& key, const TRegTree& tree);

// Deletes the key at path with its whole tree; a key that is not there counts as deleted.
LONG DeleteRegTree(const std::string& path);

// The same values (name without regard to case, type, bytes) and subkeys, whatever their order.
bool SameRegTree(const TRegTree& a, const TRegTree& b);
