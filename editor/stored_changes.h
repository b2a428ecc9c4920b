#pragma once
// Changes to the stored mappings and combos that happen whole or not at all. Each takes what it changes
// beforehand, checks every create, write and delete (the storage classes themselves go on after a failed
// write), reads back what it wrote, and on any failure removes what it made and puts back what was there.
// Each gives ERROR_SUCCESS or the first failure's system error code.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Software\tarnbel\mappings\<name> and Software\tarnbel\combos\<name>.
std::string StoredMappingPath(const std::string& name);
std::string StoredComboPath(const std::string& name);

// A new mapping, empty or imported from the lines of its text form.
LONG CreateStoredMapping(const std::string& name, const std::vector<std::string>* lines);
// The source's whole key under the new name: entries, bank lists and its five values. step runs between
// the keys written (the caller's progress).
LONG CopyStoredMapping(const std::string& source, const std::string& dest, const std::function<void()>& step);
// The copy, read back whole, then the old key deleted.
LONG RenameStoredMapping(const std::string& oldName, const std::string& newName, const std::function<void()>& step);
LONG DeleteStoredMapping(const std::string& name);

// The combo's items, replacing what it held.
LONG SaveStoredCombo(const std::string& name, const std::vector<std::string>& items);
// A combo that is not stored counts as deleted.
LONG DeleteStoredCombo(const std::string& name);
