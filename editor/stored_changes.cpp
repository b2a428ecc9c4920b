#include "stored_changes.h"

#include "reg_array.h"
#include "reg_tree.h"
#include "registry_internal.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"

namespace {

// What the registry answered was written whole, yet reads back otherwise.
constexpr LONG ReadBackDiffers = ERROR_REGISTRY_IO_FAILED;

// Writes the tree under path and reads it back; on any failure nothing of it is left.
LONG WriteWholeTree(const std::string& path, const TRegTree& tree, const std::function<void()>& step) {
  LONG status = WriteRegTree(path, tree, step);
  if (status == ERROR_SUCCESS) {
    TRegTree back;
    status = ReadRegTree(path, back);
    if (status == ERROR_SUCCESS && !SameRegTree(back, tree)) status = ReadBackDiffers;
  }
  if (status != ERROR_SUCCESS) DeleteRegTree(path);
  return status;
}

// Puts a key back as it was taken: what a failed change left of it goes first.
void RestoreTree(const std::string& path, const TRegTree& before) {
  DeleteRegTree(path);
  WriteRegTree(path, before);
}

}  // namespace

std::string StoredMappingPath(const std::string& name) { return std::string(TarnbelKeyPath) + "\\mappings\\" + name; }

std::string StoredComboPath(const std::string& name) { return std::string(TarnbelKeyPath) + "\\combos\\" + name; }

LONG CreateStoredMapping(const std::string& name, const std::vector<std::string>* lines) {
  const std::string path = StoredMappingPath(name);
  LONG status;
  {
    TRegFailureWatch watch;
    { TMapping mapping(name, false, lines, ""); }  // freeing stores it
    status = watch.FirstFailure();
  }
  if (status == ERROR_SUCCESS) {
    TRegTree made;
    status = ReadRegTree(path, made);
  }
  if (status != ERROR_SUCCESS) DeleteRegTree(path);
  return status;
}

LONG CopyStoredMapping(const std::string& source, const std::string& dest, const std::function<void()>& step) {
  TRegTree tree;
  LONG status = ReadRegTree(StoredMappingPath(source), tree);
  if (status != ERROR_SUCCESS) return status;
  return WriteWholeTree(StoredMappingPath(dest), tree, step);
}

LONG RenameStoredMapping(const std::string& oldName, const std::string& newName,
                         const std::function<void()>& step) {
  const std::string oldPath = StoredMappingPath(oldName), newPath = StoredMappingPath(newName);
  TRegTree tree;
  LONG status = ReadRegTree(oldPath, tree);
  if (status != ERROR_SUCCESS) return status;
  status = WriteWholeTree(newPath, tree, step);
  if (status != ERROR_SUCCESS) return status;
  status = DeleteRegTree(oldPath);
  if (status != ERROR_SUCCESS) {
    RestoreTree(oldPath, tree);
    DeleteRegTree(newPath);
  }
  return status;
}

LONG DeleteStoredMapping(const std::string& name) {
  const std::string path = StoredMappingPath(name);
  TRegTree tree;
  LONG status = ReadRegTree(path, tree);
  if (status != ERROR_SUCCESS) return status;
  status = DeleteRegTree(path);
  if (status != ERROR_SUCCESS) RestoreTree(path, tree);
  return status;
}

LONG SaveStoredCombo(const std::string& name, const std::vector<std::string>& items) {
  const std::string path = StoredComboPath(name);
  TRegTree before;
  const bool existed = ReadRegTree(path, before) == ERROR_SUCCESS;
  LONG status;
  {
    TRegFailureWatch watch;
    {
      TRegArray combo(path, true);
      combo.Clear();
      for (const std::string& item : items) combo.Add(item, true);
    }  // freeing stores it
    status = watch.FirstFailure();
  }
  if (status == ERROR_SUCCESS) {
    TRegArray back(path, false);
    back.SaveOnDestroy = false;
    TRegFailureWatch watch;
    back.Load();
    status = watch.FirstFailure();
    if (status == ERROR_SUCCESS && back.Items() != items) status = ReadBackDiffers;
  }
  if (status != ERROR_SUCCESS) {
    if (existed)
      RestoreTree(path, before);
    else
      DeleteRegTree(path);
  }
  return status;
}

LONG DeleteStoredCombo(const std::string& name) {
  const std::string path = StoredComboPath(name);
  TRegTree before;
  LONG status = ReadRegTree(path, before);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  status = DeleteRegTree(path);
  if (status != ERROR_SUCCESS) RestoreTree(path, before);
  return status;
}
